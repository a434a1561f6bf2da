#pragma once
// SQL of the price table export: the products a table prices, and the copy of a table into a
// new one with its periods, item prices and day/hour prices.

#include "wire/packet.h"
#include "server/database.h"
#include "server/packetquery.h"

#include <QStringList>

namespace vnd::server
{

struct ExportRequest {
    QString destination; // normalised code
    QString name;
    QString origin;
    bool allProducts = true;
    QStringList products; // CDPRODUTO codes when not all
};

class ExportRepository
{
public:
    explicit ExportRepository(const Database &database) : m_database(database) {}

    // The distinct products with a price row of their own in any period of the table,
    // ordered by tree code.
    PacketQuery productsOf(const QString &table) const;

    // Checks the request in the window's order and copies, all in one transaction. Branch
    // links stay behind: a branch belongs to one table. Answers the item price rows copied.
    qint64 copyTable(const ExportRequest &request) const;

private:
    const Database &m_database;
};

} // namespace vnd::server
