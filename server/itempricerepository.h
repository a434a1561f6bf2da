#pragma once
// SQL of the item prices (ITEMPRECO), with the products (PRODUTO) and compositions
// (PRODCOMP) they are shown with.

#include "wire/packet.h"
#include "server/database.h"
#include "server/packetquery.h"

#include <QDate>
#include <QSqlDatabase>
#include <QStringList>
#include <QVariantList>

#include <optional>

namespace vnd::server
{

class ItemPriceRepository
{
public:
    explicit ItemPriceRepository(const Database &database) : m_database(database) {}

    // One row per product of the given tree level, priced in the period or not; only the
    // given product when it is not empty.
    PacketQuery items(const QString &table, QDate start, int level, const QString &product) const;
    // Inserts or updates each row, sets the listed fields to no value and carries name and
    // bar code to the product.
    void saveItems(const data::ChangeSet &changes, const QStringList &emptyFields) const;
    // Removes the price row and, through the cascade, its day/hour prices.
    void removePrice(const QString &table, QDate start, const QString &product,
                     const QString &parent) const;
    PacketQuery components(const QString &table, const QString &product, QDate start) const;

private:
    // Sets the column to no value on the row the key names. With a loaded value, only when
    // the row still holds it (NULL-safe); a row holding another value throws a conflict.
    void clearIfUnchanged(const QSqlDatabase &db, const QString &table, const QString &column,
                          const QString &where, const QVariantList &key,
                          const std::optional<QVariant> &loaded) const;

    const Database &m_database;
};

} // namespace vnd::server
