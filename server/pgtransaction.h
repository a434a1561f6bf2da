#pragma once
// Write transactions on this thread's PostgreSQL connection, straight through libpq: the
// opening (BEGIN, the wait allowed for the write lock, what the change record's triggers learn
// of the call, the lock itself) travels in one round trip, its statements prepared once per
// connection.

class QSqlDatabase;

namespace vnd::server
{

// Throws DbError; a transaction begun but not locked is rolled back first.
void beginPostgresWrite(const QSqlDatabase &db, int lockWaitMs);
// COMMIT, or ROLLBACK. A transaction PostgreSQL had already doomed is rolled back by COMMIT:
// that throws DbError too, so a lost write never answers as stored.
void endPostgresWrite(const QSqlDatabase &db, bool commit);

} // namespace vnd::server
