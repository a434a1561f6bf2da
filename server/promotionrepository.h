#pragma once
// SQL of the automatic promotion window: the products priced in a period, the promotion flag
// of their item prices, and a prefix added to or removed from their names.

#include "wire/packet.h"
#include "server/database.h"
#include "server/packetquery.h"
#include "server/selectionsql.h"

#include <QDate>

namespace vnd::server
{

class PromotionRepository
{
public:
    explicit PromotionRepository(const Database &database) : m_database(database) {}

    // The products with an item price row of their own in the period, by tree code.
    PacketQuery pricedProducts(const QString &table, QDate start) const;
    // The one of them whose tree code is the text; no row when none.
    PacketQuery pricedProduct(const QString &table, QDate start, const QString &tree) const;

    // IDPRODPROMOC of the selected products' own rows in the period; answers the rows whose
    // flag changed.
    qint64 setPromotion(const QString &flag, const Selection &selection, const QString &table,
                        QDate start) const;

    // NMPRODUTO of the selected products of the deepest level. Adding skips names that start
    // with the prefix and refuses the whole call when a name would grow past its width;
    // removing keeps a name that is the prefix alone. Answer: names changed.
    qint64 addPrefix(const QString &prefix, const Selection &selection) const;
    qint64 removePrefix(const QString &prefix, const Selection &selection) const;

private:
    const Database &m_database;
};

} // namespace vnd::server
