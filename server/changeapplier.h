#pragma once
// Applies a change set to one table under optimistic concurrency: a modify or delete only
// goes through while the row still holds the old values of what it touches; otherwise the
// whole call fails with a conflict. Runs inside the caller's unit of work.

#include "wire/packet.h"
#include "server/database.h"
#include "server/tabledef.h"

#include <QSqlDatabase>

#include <functional>

namespace vnd::server
{

// One change's values, mapped onto the table's columns that the change set carries.
struct MappedChange {
    data::Change::Op op = data::Change::Op::Insert;
    std::vector<const Column *> columns; // carried columns, in table order
    std::vector<QVariant> oldValues;     // storage form, per column (Modify, Delete)
    std::vector<QVariant> newValues;     // storage form, per column (Insert, Modify)

    QVariant oldValue(QStringView column) const;
    QVariant newValue(QStringView column) const;
    bool touches(QStringView column) const;
};

class ChangeApplier
{
public:
    // Messages for the constraint failures callers want to word themselves; empty ones get
    // a generic text.
    struct Messages {
        QString duplicate;  // inserting a key that exists
        QString missingRef; // a referenced record does not exist
        QString inUse;      // deleting a record others still refer to
    };

    ChangeApplier(const Database &database, const QSqlDatabase &db, const TableSpec &def,
                  const data::ChangeSet &changes, Messages messages = {});

    // Maps every change first, so that a malformed change set fails before anything is
    // written. Throws ServiceError.
    const std::vector<MappedChange> &mapped() const { return m_mapped; }

    void apply(const MappedChange &change);
    void applyAll();

    void insert(const MappedChange &change);
    // Updates the touched columns, matching the key (old values) and the touched columns'
    // old values. Returns false when no row matched.
    bool update(const MappedChange &change);
    bool remove(const MappedChange &change);
    // Runs a statement, turning constraint failures into the caller's messages.
    void execChecked(const std::function<void()> &run) const;

private:
    const Database &m_database;
    QSqlDatabase m_db;
    const TableSpec &m_spec;
    Messages m_messages;
    std::vector<MappedChange> m_mapped;
};

} // namespace vnd::server
