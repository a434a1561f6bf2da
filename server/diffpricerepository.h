#pragma once
// SQL of the bulk differentiated prices: one day/hour rule for every selected product and
// day, and the product list of the host's product search.

#include "pricing/decimal.h"
#include "server/database.h"
#include "server/packetquery.h"
#include "wire/packet.h"

#include <QDate>
#include <QStringList>

namespace vnd::server
{

// A bulk rule as checked from its arguments; the checks that need the database are the
// repository's.
struct PrecDifRequest {
    enum class Mode { Todos, Lista, Intervalo };
    Mode mode = Mode::Todos;
    QStringList products;         // Lista: CDPRODUTO codes
    QString rangeStart, rangeEnd; // Intervalo: CDARVPROD texts, inclusive
    QStringList days;             // NRDIASEMANPR codes
    bool percentage = false;
    bool increase = false;
    pricing::Decimal amount;
    QString table;
    QDate periodStart;
    QString timeFrom, timeTo; // HHMM
    QDate validFrom, validTo;
    QString consumerType; // "T" or a code
    bool visualiza = false;
};

class DiffPriceRepository
{
public:
    explicit DiffPriceRepository(const Database &database) : m_database(database) {}

    // In one transaction: the period, the validity and the consumer type checked, every
    // selected product priced by the rule and checked as the window checks a rule's general
    // modality, then one rule per product and day written over any rule of the same identity.
    // Any refusal stores nothing. Answers the rules written.
    qint64 registerRules(const PrecDifRequest &request) const;

    // CDPRODUTO, CDARVPROD, NMPRODUTO, CDBARPRODUTO of the products of that level, by tree
    // code (a query to be streamed); and the SELECT that lists them.
    PacketQuery productsOfLevel(int level) const;
    static QString productsOfLevelSql(int level);

private:
    const Database &m_database;
};

} // namespace vnd::server
