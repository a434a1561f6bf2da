#include "server/priceimportservice.h"

#include "server/arguments.h"
#include "server/callcontext.h"
#include "server/errors.h"
#include "server/priceimportrepository.h"

namespace vnd::server
{

namespace
{

// The method as the change record names it: with the file the prices came from, its base
// name only, within the record's 40 characters.
QString methodWithFile(const QString &method, const QString &file)
{
    const qsizetype slash = std::max(file.lastIndexOf(u'/'), file.lastIndexOf(u'\\'));
    const QString base = file.mid(slash + 1).trimmed();
    return (base.isEmpty() ? method : method + u' ' + base).left(40);
}

} // namespace

void addPriceImportMethods(Dispatcher &dispatcher, const Database &database)
{
    auto repo = std::make_shared<PriceImportRepository>(database);
    // SetImportaPreco(table, period start, change set, file name): a 409 answer names in
    // "rows" the products another user changed since the preview.
    dispatcher.add(QStringLiteral("SetImportaPreco"), 4, [repo](const Arguments &a) {
        const QDate start = a.date(1);
        if (!start.isValid())
            throw ServiceError::badRequest(
                QStringLiteral("Data inicial de vigência deve ser informada."));
        CallContext named = currentCall();
        named.method = methodWithFile(named.method, a.text(3));
        const CallScope scope(std::move(named));
        return okReply(repo->save(a.text(0), start, a.delta(2)),
                       {nullptr, nullptr, nullptr, nullptr});
    });
}

} // namespace vnd::server
