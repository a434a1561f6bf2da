#include "server/tableservice.h"

#include "server/arguments.h"
#include "server/errors.h"
#include "server/pricetablerepository.h"

namespace vnd::server
{

using data::Value;
using data::ValueArray;

namespace
{

QDate requiredDate(const Arguments &a, int index, const char *what)
{
    const QDate d = a.date(index);
    if (!d.isValid())
        throw ServiceError::badRequest(
            QStringLiteral("%1 deve ser informada.").arg(QString::fromUtf8(what)));
    return d;
}

} // namespace

void addTableMethods(Dispatcher &dispatcher, const Database &database)
{
    auto repo = std::make_shared<PriceTableRepository>(database);

    dispatcher.add(QStringLiteral("getTabGeral"), 0,
                   [repo](const Arguments &) { return okReply(repo->tables(), {}); });
    dispatcher.add(QStringLiteral("getVdTabGeral"), 1, [repo](const Arguments &a) {
        return okReply(repo->table(a.text(0)), {nullptr});
    });
    dispatcher.add(QStringLiteral("setTabGeral"), 1, [repo](const Arguments &a) {
        repo->saveTables(a.delta(0));
        return okReply(true, {nullptr});
    });
    dispatcher.add(QStringLiteral("getVigenciaTab"), 1, [repo](const Arguments &a) {
        return okReply(repo->periods(a.text(0)), {nullptr});
    });
    dispatcher.add(QStringLiteral("getVdPeriodo"), 3, [repo](const Arguments &a) {
        const QDate start = requiredDate(a, 1, "Data inicial");
        const QDate end = requiredDate(a, 2, "Data final");
        return okReply(repo->clashes(a.text(0), start, end), {nullptr, nullptr, nullptr});
    });
    dispatcher.add(QStringLiteral("GetMaxDtFinVg"), 1, [repo](const Arguments &a) {
        return okReply(repo->latestEnd(a.text(0)), {nullptr});
    });
    dispatcher.add(QStringLiteral("setVigenciaTab"), 1, [repo](const Arguments &a) {
        repo->savePeriods(a.delta(0));
        return okReply(true, {nullptr});
    });
}

} // namespace vnd::server
