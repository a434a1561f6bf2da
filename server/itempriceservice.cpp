#include "server/itempriceservice.h"

#include "server/arguments.h"
#include "server/datasets.h"
#include "server/errors.h"
#include "server/itempricerepository.h"
#include "server/itempricerules.h"
#include "server/pricetablerepository.h"

namespace vnd::server
{

using data::Value;
using data::ValueArray;

namespace
{

// The period start as the host's short date text (dd/mm/yyyy); ISO is accepted as well.
QDate periodStartText(const QString &text)
{
    const QString t = text.trimmed();
    QDate d = QDate::fromString(t, QStringLiteral("dd/MM/yyyy"));
    if (!d.isValid())
        d = QDate::fromString(t, Qt::ISODate);
    if (!d.isValid())
        throw ServiceError::badRequest(
            QStringLiteral("Data inicial de vigência inválida: %1.").arg(t.left(20)));
    return d;
}

} // namespace

void addItemPriceMethods(Dispatcher &dispatcher, const Database &database)
{
    auto items = std::make_shared<ItemPriceRepository>(database);
    auto tables = std::make_shared<PriceTableRepository>(database);

    dispatcher.add(QStringLiteral("getItemPreco"), 5,
                   [items, tables](const Arguments &a) -> CallResult {
                       const QString table = a.text(0);
                       const QDate start = a.date(1);
                       const int levels = levelCount(a.text(2));
                       const QString product = a.text(3).trimmed();
                       const QString mark = a.text(4).trimmed();
                       const ValueArray refs{nullptr, nullptr, nullptr, a.text(3), a.text(4)};
                       // No period, no prices: nothing could be saved against it either.
                       if (!start.isValid() || !tables->periodExists(table, start))
                           return okReply(data::DataPacket{datasets::itemPreco(), {}}, refs);
                       const QString only = mark == QLatin1String("T") ? QString() : product;
                       return okReply(items->items(table, start, levels, only), refs);
                   });
    dispatcher.add(QStringLiteral("SetItemPreco"), 2, [items](const Arguments &a) {
        const data::ChangeSet &changes = a.delta(0);
        const QString emptyList = a.text(1);
        const QStringList empty = parseEmptyFieldList(emptyList);
        for (const data::Change &c : changes.changes)
            if (c.op != data::Change::Op::Delete)
                checkItemPriceRow(changes, c.newRow);
        items->saveItems(changes, empty);
        return okReply(true, {nullptr, emptyList});
    });
    dispatcher.add(QStringLiteral("setApagaPreco"), 4, [items](const Arguments &a) {
        items->removePrice(a.text(0), periodStartText(a.text(1)), a.text(2), a.text(3));
        return okReply(true, {nullptr, nullptr, nullptr, nullptr});
    });
    dispatcher.add(QStringLiteral("getItemPrecoComp"), 3, [items](const Arguments &a) {
        return okReply(items->components(a.text(0), a.text(1), a.date(2)),
                       {nullptr, nullptr, nullptr});
    });
}

} // namespace vnd::server
