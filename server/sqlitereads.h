#pragma once
// Reads straight through the sqlite3 API: each thread has its own connection to the database,
// opened on first use (WAL: it never waits behind a writer) and closed when the thread ends,
// and each statement is prepared once on it and kept for the next call.

#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

class QSqlDatabase;

namespace vnd::server
{

class Database;

// The sqlite3 connection behind a QtSql one; nullptr behind another driver.
sqlite3 *sqliteOf(const QSqlDatabase &db);

// Binds at the position as CachedStatement::bind does; throws DbError when SQLite refuses.
void bindValue(sqlite3 *db, sqlite3_stmt *statement, int at, const QVariant &value);

// Throws the DbError of the connection's last failure (or of the code, without one).
[[noreturn]] void throwSqliteError(sqlite3 *db, int code);

// One of this thread's kept statements, lent for one run: reset when given back, so that
// no finished read keeps holding a snapshot of the database.
class CachedStatement
{
public:
    // Throws DbError when the connection cannot open or the statement cannot be prepared.
    CachedStatement(const Database &database, const QString &sql);
    ~CachedStatement();
    CachedStatement(const CachedStatement &) = delete;
    CachedStatement &operator=(const CachedStatement &) = delete;

    // Binds in order: texts, integers, floats, no value; anything else as its text.
    void bind(const QVariant &value);
    // True on a row, false at the end; throws DbError on a failure.
    bool step();
    sqlite3_stmt *handle() const { return m_statement; }
    // The column as the QtSql driver gives it.
    QVariant value(int column) const;

private:
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_statement = nullptr;
    bool *m_inUse = nullptr; // null: a statement of its own, finalized when given back
    int m_bound = 0;
};

} // namespace vnd::server
