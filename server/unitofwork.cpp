#include "server/unitofwork.h"

#include "server/dberror.h"

#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>
#include <unordered_map>

namespace vnd::server
{

namespace
{

struct Level {
    int depth = 0;
    bool doomed = false;
};

// Keyed by connection name: each thread has its own connections.
thread_local std::unordered_map<QString, Level> t_levels;

void run(const QSqlDatabase &db, const char *sql)
{
    QSqlQuery q(db);
    if (!q.exec(QString::fromLatin1(sql)))
        throw DbError::fromSqlError(q.lastError());
}

} // namespace

UnitOfWork::UnitOfWork(const Database &database) : m_db(database.connection())
{
    Level &level = t_levels[m_db.connectionName()];
    if (level.depth == 0) {
        // BEGIN IMMEDIATE takes the write lock now and waits for it (busy timeout); a plain
        // BEGIN would fail later, half-way through the work, when another writer is active.
        // PostgreSQL writers take turns the same way on one lock held by the database, so the
        // checks that read before they write hold across every server on it (readers never
        // wait; the wait ends at lock_timeout, a busy answer).
        if (database.dialect() == Dialect::Sqlite) {
            run(m_db, "BEGIN IMMEDIATE");
        } else {
            run(m_db, "BEGIN");
            try {
                run(m_db, "SELECT pg_advisory_xact_lock(42700)");
            } catch (...) {
                QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
                throw;
            }
        }
        level.doomed = false;
        m_outer = true;
    }
    ++level.depth;
}

UnitOfWork::~UnitOfWork()
{
    Level &level = t_levels[m_db.connectionName()];
    --level.depth;
    if (!m_done)
        level.doomed = true;
    if (!m_outer)
        return;
    if (!m_done || level.doomed) {
        QSqlQuery q(m_db);
        if (!q.exec(QStringLiteral("ROLLBACK")))
            std::fprintf(stderr, "rollback failed: %s\n", qPrintable(q.lastError().text()));
    }
}

void UnitOfWork::commit()
{
    if (m_done)
        return;
    if (m_outer) {
        if (t_levels[m_db.connectionName()].doomed)
            throw DbError(DbError::Kind::Other,
                          QStringLiteral("inner unit of work was not committed"));
        run(m_db, "COMMIT");
    }
    m_done = true;
}

} // namespace vnd::server
