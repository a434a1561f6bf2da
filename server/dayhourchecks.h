#pragma once
// The checks of a day/hour rule that need no user, as the window makes them before a post:
// the server makes them again on whatever it is asked to store, and --init on what is stored.

#include <QString>
#include <QVariant>

namespace vnd::server
{

// One rule as stored: texts as bound to SQL, dates as ISO texts, numbers as doubles (or no
// value).
struct StoredRule {
    QString table, start, product, parent;
    QString day, perValor, descAcre, fromTime, toTime;
    QString validFrom, validTo, consumerType, visualiza;
    QString modGeral, modDlv, modCmd;
    QVariant value, valueDlv, valueCmd;
};

// What a rule is checked against: its item price row (and so its period), and its consumer
// type.
struct RuleContext {
    bool itemExists = false;
    QVariant vrItem, vrItemCmd, vrItemDlv, vrItemCl;
    QString periodEnd; // ISO
    bool consumerTypeRegistered = false;
};

// The window's message for the first check the rule fails, in the window's order; empty when
// it passes. A new rule also needs the item's consumer price.
QString dayHourRuleFault(const StoredRule &rule, const RuleContext &context, bool inserting);

// The rule's identity, for the log: "tabela 001, vigência 2024-01-01, produto ...".
QString describe(const StoredRule &rule);

} // namespace vnd::server
