#include "server/priceimportservice.h"

#include "server/arguments.h"
#include "server/errors.h"
#include "server/priceimportrepository.h"

namespace vnd::server
{

void addPriceImportMethods(Dispatcher &dispatcher, const Database &database)
{
    auto repo = std::make_shared<PriceImportRepository>(database);
    // SetImportaPreco(table, period start, change set): a 409 answer names in "rows" the
    // products another user changed since the preview.
    dispatcher.add(QStringLiteral("SetImportaPreco"), [repo](const data::ValueArray &args) {
        Arguments a(QStringLiteral("SetImportaPreco"), args, 3);
        const QDate start = a.date(1);
        if (!start.isValid())
            throw ServiceError::badRequest(
                QStringLiteral("Data inicial de vigência deve ser informada."));
        return okReply(repo->save(a.text(0), start, a.delta(2)), {nullptr, nullptr, nullptr});
    });
}

} // namespace vnd::server
