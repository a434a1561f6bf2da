#pragma once
// Write transactions on this thread's PostgreSQL connection, straight through libpq: the
// opening (BEGIN, the wait allowed for the write lock, what the change record's triggers learn
// of the call, the lock itself) travels in one round trip, its statements prepared once per
// connection.

class QSqlDatabase;
class QString;

namespace vnd::server
{

struct PgKeptStatement;

// Throws DbError; a transaction begun but not locked is rolled back first.
void beginPostgresWrite(const QSqlDatabase &db, int lockWaitMs);
// The same opening, sent only with the connection's next statement (see PgStatement): a call
// whose first statement writes saves a round trip. Until then no lock is held.
void deferPostgresWrite(const QSqlDatabase &db, int lockWaitMs);
// Whether an opening waits on the connection.
bool postgresWritePending(const QSqlDatabase &db);
// A write statement sent behind the opening, and its SQL, to prepare it again should
// PostgreSQL no longer hold it.
struct PgWrite {
    PgKeptStatement *kept = nullptr;
    const QString *sql = nullptr;
    int count = 0;
    const char *const *values = nullptr;
};
// Sends the waiting opening, followed in the same round trip by the write when one is given;
// the rows that write changed. Throws DbError (the transaction is then left for the caller
// to roll back).
int sendPostgresWrite(const QSqlDatabase &db, const PgWrite &write = {});
// COMMIT, or ROLLBACK. A transaction PostgreSQL had already doomed is rolled back by COMMIT:
// that throws DbError too, so a lost write never answers as stored. An opening never sent
// is dropped: there is nothing to end.
void endPostgresWrite(const QSqlDatabase &db, bool commit);

} // namespace vnd::server
