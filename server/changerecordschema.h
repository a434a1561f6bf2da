#pragma once
// The change record: one append-only table written by triggers on every table the methods
// write, in the same transaction as the write. One line per row changed (inserted, altered,
// deleted), with the row's key, its columns before and after (texts exact as stored: an
// alteration a JSON object of only the columns it changed, an insertion or deletion a JSON
// array of every column besides the key, in the table's order), the time, the user, the
// client's address and the method; a bulk call's rows in parts (changeRecordParts).

#include "server/changecontext.h"
#include "server/database.h"

#include <QStringList>

#include <vector>

namespace vnd::server
{

struct RecordedTable {
    QString name;
    QStringList key;    // in order; the record's DSCHAVE is their values
    QStringList fields; // the others; new ones only ever go at the end
    QStringList all() const { return key + fields; }
};

const std::vector<RecordedTable> &recordedTables();
// nullptr for a table not recorded.
const RecordedTable *recordedTable(const QString &name);

// The record's table, indexes and guard, as the schema upgrade runs them.
QStringList changeRecordSchema(Dialect dialect);
// The item indexes split between single saves and bulk calls.
QStringList changeRecordIndexes(Dialect dialect);
// The table checked without an IN list (SQLite), and the indexes of bulk calls' lines cut to
// one: by time and product.
QStringList changeRecordLeanLines(Dialect dialect);
// The triggers that write it, in place of those of an earlier version.
QStringList changeRecordTriggers(Dialect dialect);
// The partial indexes again, their condition on the method the dialect's cheaper one
// (bulkLine).
QStringList changeRecordListedMethods(Dialect dialect);

// The columns a line holds of the item it is about, filled from the row when its table has
// them: CDTABEPREC, DTINIVGPREC, CDPRODUTO, CDPRPAITABPR.
const QStringList &itemColumns();
// The key columns a line keeps in DSCHAVE: those not among the item columns. Lines written
// before the record took this form keep the whole key there.
QStringList keyBeyondItem(const RecordedTable &table);

// The condition on a line's method that tells lines of the calls that write many rows at once
// (bulk) from the others. The record's two item indexes are partial on it, so a query uses
// one only when it states the condition in these very words.
QString bulkLine(bool bulk, Dialect dialect);
// The methods whose lines are bulk lines.
const QStringList &bulkMethods();
bool isBulkMethod(const QString &method);

// A bulk call's rows are kept in parts, one line for many rows (NRLINHAS of them): on SQLite
// by BulkCapture, where a row trigger costs more than the row's own change; on PostgreSQL by
// the statement triggers, where a line costs more than packing it with others.
// DSCHAVE then holds an array of whole keys, DSANTES and DSDEPOIS arrays of the rows'
// images (null where a row has none; one image alone when every row has it), and
// CDPRODUTO to CDPRODUTOFIM the range of their
// products. Adds those columns and the index of parts.
QStringList changeRecordParts(Dialect dialect);
// Rows per part: an item's history parses the part that holds it, once per bulk call.
inline constexpr int kPartRows = 256;

// Operations as the record keeps them.
inline constexpr char16_t kInserted = u'I';
inline constexpr char16_t kAltered = u'A';
inline constexpr char16_t kDeleted = u'E';

} // namespace vnd::server
