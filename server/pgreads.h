#pragma once
// Reads straight through libpq on this thread's PostgreSQL connection: the QtSql one, so that
// a read inside a transaction sees its writes and a lost connection is found and opened again
// as for any statement. Each statement is prepared once on the connection and kept for the
// next call; its rows come one at a time as the server sends them, as text.

#include "server/database.h"
#include "server/dberror.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <vector>

struct pg_result;

namespace vnd::server
{

class PgStatement
{
public:
    // Throws DbError when the connection cannot be had.
    PgStatement(const Database &database, const QString &sql);
    // On a connection already had (a PostgreSQL one).
    PgStatement(const QSqlDatabase &db, const QString &sql);
    // A read left unfinished is read to its end, so that the connection is ready for the next
    // statement.
    ~PgStatement();
    PgStatement(const PgStatement &) = delete;
    PgStatement &operator=(const PgStatement &) = delete;

    // Binds in order: texts, numbers, dates, flags, no value (a null text or date is no
    // value, as the QtSql driver takes it).
    void bind(const QVariant &value);
    // Runs with the values bound; throws DbError (prepared first on its first run). What the
    // QtSql driver left unread on the connection is dropped first, as the driver itself does
    // before each of its statements.
    void exec();
    // True on a row, false at the end; throws DbError on a failure.
    bool next();

    bool isNull(int column) const;
    // The column's value as PostgreSQL writes it.
    QByteArrayView text(int column) const;
    // The column's type (an OID).
    unsigned type(int column) const;
    // The column as the QtSql driver gives it.
    QVariant value(int column) const;
    // The current row's columns.
    int columnCount() const;
    QString columnName(int column) const;
    // Rows the statement changed, once it ended; -1 before.
    int rowsAffected() const { return m_affected; }

private:
    [[noreturn]] void fail(pg_result *result);
    void clearRow();
    void drain();

    QSqlDatabase m_db; // before m_use: opened (or found lost and opened again) first
    ConnectionUse m_use;
    struct pg_conn *m_conn = nullptr;
    PgKeptStatement *m_kept = nullptr;
    QString m_sql;
    std::vector<QByteArray> m_values;
    std::vector<bool> m_nulls;
    pg_result *m_row = nullptr;
    bool m_running = false; // results still to come
    bool m_ended = false;   // the last row was read
    // exec read the first result: whether it was a row, for the first next()
    bool m_hasPending = false;
    bool m_pending = false;
    int m_affected = -1;
};

// libpq's failure (of the result, or else of the connection) as a DbError: unavailable once
// the connection is lost, otherwise classified by its SQLSTATE.
DbError pgFailure(pg_conn *conn, const pg_result *result);

// Whether a failure's SQLSTATE says PostgreSQL no longer holds a statement as it was prepared
// (deallocated, as a pooler does, or its result's shape changed under it).
bool preparedStatementGone(const char *state);
// Marks the statement to be prepared again, under a new name, at its next run.
void prepareAgain(PgKeptStatement &kept);

// PostgreSQL type OIDs the reads tell apart.
namespace pgtype
{
constexpr unsigned kBool = 16, kBytea = 17, kChar = 18, kName = 19, kInt8 = 20, kInt2 = 21,
                   kInt4 = 23, kText = 25, kOid = 26, kFloat4 = 700, kFloat8 = 701, kBpchar = 1042,
                   kVarchar = 1043, kDate = 1082, kTime = 1083, kTimestamp = 1114,
                   kTimestampTz = 1184, kTimeTz = 1266, kNumeric = 1700;
}

} // namespace vnd::server
