#pragma once
// SQL of the price tables (TABEPRECGER) and their validity periods (TABEVEND).

#include "wire/packet.h"
#include "server/database.h"
#include "server/packetquery.h"

#include <QDate>

namespace vnd::server
{

class PriceTableRepository
{
public:
    explicit PriceTableRepository(const Database &database) : m_database(database) {}

    PacketQuery tables() const;
    PacketQuery table(const QString &code) const;
    void saveTables(const data::ChangeSet &changes) const;

    PacketQuery periods(const QString &code) const;
    // Periods of the table overlapping [start, end] whose start differs from start.
    PacketQuery clashes(const QString &code, QDate start, QDate end) const;
    PacketQuery latestEnd(const QString &code) const;
    void savePeriods(const data::ChangeSet &changes) const;

    bool periodExists(const QString &code, QDate start) const;

private:
    const Database &m_database;
};

} // namespace vnd::server
