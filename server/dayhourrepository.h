#pragma once
// SQL of the day/hour price rules (ITEMPRECODIA).

#include "wire/packet.h"
#include "server/database.h"
#include "server/packetquery.h"

#include <QDate>

namespace vnd::server
{

// The nine values that identify a rule.
struct DayHourIdentity {
    QString table;
    QDate start;
    QString product;
    QString parent;
    QString consumerType;
    QString day;
    QString fromTime;
    QString toTime;
    QDate validFrom;
};

class DayHourRepository
{
public:
    explicit DayHourRepository(const Database &database) : m_database(database) {}

    // Every rule of the period, with its resulting prices computed from the item's prices.
    PacketQuery rules(const QString &table, QDate start) const;
    PacketQuery sameIdentity(const DayHourIdentity &identity) const;
    // Refuses (422, the window's text) a rule that fails the checks of dayHourRuleFault.
    void saveRules(const data::ChangeSet &changes) const;
    // One line for each stored rule that fails those checks, naming the rule and the fault.
    QStringList faultyRules() const;

private:
    const Database &m_database;
};

} // namespace vnd::server
