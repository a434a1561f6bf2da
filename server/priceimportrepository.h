#pragma once
// The save of a spreadsheet import: many item price rows of one period in one transaction,
// all or nothing, each row written only while it still holds what the import was checked
// against.

#include "server/database.h"
#include "wire/packet.h"

#include <QDate>

namespace vnd::server
{

class PriceImportRepository
{
public:
    explicit PriceImportRepository(const Database &database) : m_database(database) {}

    // The fields a change may carry: CDPRODUTO, then the item's editable prices, flags and
    // times. A set carries the code and any of the others (those the import changes).
    static const QStringList &fields();

    // Each change is a modify of one product's own price row: the values as previewed and the
    // values to store, of the carried fields only. A row another user changed or removed
    // since (any of the carried fields, or the product itself gone) makes the whole call a
    // conflict naming every such product, and nothing is written; the fields not carried
    // are neither compared nor written. A product without a price row gets one. Answers the
    // rows written.
    qint64 save(const QString &table, QDate start, const data::ChangeSet &changes) const;

private:
    const Database &m_database;
};

} // namespace vnd::server
