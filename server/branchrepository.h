#pragma once
// SQL of the branch-to-table links (TABEPRECFILI): one price table per branch.

#include "wire/packet.h"
#include "server/database.h"
#include "server/packetquery.h"

#include <QDate>

namespace vnd::server
{

class BranchRepository
{
public:
    explicit BranchRepository(const Database &database) : m_database(database) {}

    PacketQuery branchesOf(const QString &table) const;
    PacketQuery link(const QString &table, const QString &branch) const;
    // The other table holding the branch, with its period in force on today, else its
    // latest period, else no date. Empty when no other table holds it.
    data::DataPacket otherTable(const QString &branch, const QString &table, QDate today) const;
    void saveLinks(const data::ChangeSet &changes) const;

private:
    const Database &m_database;
};

} // namespace vnd::server
