#pragma once
// SQL of the change record: an item's history, the changes in a time range, an item as it
// stood at a moment, and the command line's pruning.

#include "server/database.h"
#include "server/packetquery.h"
#include "wire/packet.h"

#include <QDate>
#include <QDateTime>

namespace vnd::server
{

struct ItemKey {
    QString table;
    QDate period;
    QString product;
    QString parent;
};

struct ChangeFilter {
    QDateTime from;                       // invalid: no bound
    QDateTime to;                         // inclusive, to the second; invalid: no bound
    QString user, method, table, product; // empty: any
    qint64 below = 0;                     // lines numbered below this one; 0: from the newest
    int limit = 1000;
};

class HistoryRepository
{
public:
    explicit HistoryRepository(const Database &database) : m_database(database) {}

    // One row per field changed of the item's price row and day/hour rules, newest first.
    data::DataPacket itemHistory(const ItemKey &item) const;
    // The record's lines, newest first, one page.
    PacketQuery changes(const ChangeFilter &filter) const;
    // The item's price row (ITEMPRECO) or its day/hour rules (ITEMPRECODIA) as they stood at
    // the end of the given second: every column as its stored text.
    data::DataPacket itemAt(const QString &table, const ItemKey &item, const QDateTime &at) const;
    // Removes the lines older than the day and records that it did; the lines removed. Runs
    // under the command line's call.
    qint64 prune(QDate before) const;

private:
    const Database &m_database;
};

} // namespace vnd::server
