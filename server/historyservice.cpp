#include "server/historyservice.h"

#include "server/arguments.h"
#include "server/errors.h"
#include "server/historyrepository.h"

namespace vnd::server
{

using data::ValueArray;

namespace
{

// A page of the changes is bounded, so one call never reads the whole record.
constexpr int kMaxPage = 100000;

ItemKey itemKey(const Arguments &a)
{
    const QDate period = a.date(1);
    if (!period.isValid())
        throw ServiceError::badRequest(QStringLiteral("Informe o início da vigência."));
    return {a.text(0), period, a.text(2), a.text(3)};
}

QDateTime moment(const Arguments &a, int index)
{
    const QDateTime at = a.dateTime(index);
    if (!at.isValid())
        throw ServiceError::badRequest(QStringLiteral("Informe a data e a hora."));
    return at;
}

} // namespace

void addHistoryMethods(Dispatcher &dispatcher, const Database &database)
{
    auto repo = std::make_shared<HistoryRepository>(database);

    dispatcher.add(QStringLiteral("getHistItemPreco"), 4, [repo](const Arguments &a) {
        return okReply(repo->itemHistory(itemKey(a)), ValueArray(4));
    });
    dispatcher.add(QStringLiteral("getHistAlteracoes"), 8, [repo](const Arguments &a) {
        ChangeFilter f;
        f.from = a.dateTime(0);
        f.to = a.dateTime(1);
        f.user = a.text(2).trimmed();
        f.method = a.text(3).trimmed();
        f.table = a.text(4).trimmed();
        f.product = a.text(5).trimmed();
        f.below = a.integer(6);
        const qint64 limit = a.integer(7);
        if (limit < 1 || limit > kMaxPage)
            throw ServiceError::badRequest(
                QStringLiteral("O tamanho da página vai de 1 a %1 linhas.").arg(kMaxPage));
        f.limit = int(limit);
        return okReply(repo->changes(f), ValueArray(8));
    });
    dispatcher.add(QStringLiteral("getItemPrecoEm"), 5, [repo](const Arguments &a) {
        return okReply(repo->itemAt(QStringLiteral("ITEMPRECO"), itemKey(a), moment(a, 4)),
                       ValueArray(5));
    });
    dispatcher.add(QStringLiteral("GetPrecoHoraEm"), 5, [repo](const Arguments &a) {
        return okReply(repo->itemAt(QStringLiteral("ITEMPRECODIA"), itemKey(a), moment(a, 4)),
                       ValueArray(5));
    });
}

} // namespace vnd::server
