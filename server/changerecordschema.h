#pragma once
// The change record: one append-only table written by triggers on every table the methods
// write, in the same transaction as the write. One line per row changed (inserted, altered,
// deleted), with the row's key, its columns before and after (JSON objects of texts, exact as
// stored: an alteration holds only the columns it changed, an insertion or deletion every
// column besides the key), the time, the user, the client's address and the method.

#include "server/changecontext.h"
#include "server/database.h"

#include <QStringList>

#include <vector>

namespace vnd::server
{

struct RecordedTable {
    QString name;
    QStringList key;    // in order; the record's DSCHAVE is their values
    QStringList fields; // the others
    QStringList all() const { return key + fields; }
};

const std::vector<RecordedTable> &recordedTables();
// nullptr for a table not recorded.
const RecordedTable *recordedTable(const QString &name);

// The record's table, indexes and guard, as the schema upgrade runs them.
QStringList changeRecordSchema(Dialect dialect);
// The triggers that write it, in place of those of an earlier version.
QStringList changeRecordTriggers(Dialect dialect);

// The condition on a line's method that tells lines of the calls that write many rows at once
// (bulk) from the others. The record's two item indexes are partial on it, so a query uses
// one only when it states the condition in these very words.
QString bulkLine(bool bulk);

// Operations as the record keeps them.
inline constexpr char16_t kInserted = u'I';
inline constexpr char16_t kAltered = u'A';
inline constexpr char16_t kDeleted = u'E';

} // namespace vnd::server
