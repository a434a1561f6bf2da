#include "server/unitofwork.h"

#include "server/bulkcapture.h"
#include "server/callcontext.h"
#include "server/changecontext.h"
#include "server/changerecordschema.h"
#include "server/dberror.h"
#include "server/pgtransaction.h"
#include "server/sqlitereads.h"

#include <sqlite3.h>

#include <QSqlDriver>
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
thread_local std::chrono::steady_clock::time_point t_arrived{};

void run(const QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw DbError::fromSqlError(q.lastError());
    countStatement();
}

void run(const QSqlDatabase &db, const char *sql)
{
    run(db, QString::fromLatin1(sql));
}

// What is left of the busy timeout for the write lock; throws Busy when nothing is.
int lockWaitMs(const Database &database)
{
    const int busy = database.busyTimeoutMs();
    if (t_arrived == std::chrono::steady_clock::time_point{})
        return busy;
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - t_arrived)
                            .count();
    if (waited >= busy)
        throw DbError(DbError::Kind::Busy,
                      QStringLiteral("a escrita esperou %1 ms por um executor").arg(waited));
    return busy - int(waited);
}

void setSqliteBusyTimeout(const QSqlDatabase &db, int ms)
{
    const QVariant handle = db.driver()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        if (sqlite3 *s = *static_cast<sqlite3 *const *>(handle.data()))
            sqlite3_busy_timeout(s, ms);
}

} // namespace

CallClock::CallClock(std::chrono::steady_clock::time_point arrived) : m_previous(t_arrived)
{
    t_arrived = arrived;
}

CallClock::~CallClock()
{
    t_arrived = m_previous;
}

UnitOfWork::UnitOfWork(const Database &database, Lock lock) : m_db(database.connection())
{
    Level &level = t_levels[m_db.connectionName()];
    if (level.depth == 0) {
        // BEGIN IMMEDIATE takes the write lock now and waits for it (busy timeout); a plain
        // BEGIN would fail later, half-way through the work, when another writer is active.
        // PostgreSQL writers take turns the same way on one lock held by the database, so the
        // checks that read before they write hold across every server on it (readers never
        // wait; the wait ends at lock_timeout, a busy answer).
        // The wait counts from the call's arrival: time queued for a writer is spent already.
        const int waitMs = lockWaitMs(database);
        if (database.dialect() == Dialect::Sqlite) {
            setSqliteBusyTimeout(m_db, waitMs);
            run(m_db, "BEGIN IMMEDIATE");
        } else if (lock == Lock::WithFirstStatement) {
            deferPostgresWrite(m_db, waitMs);
        } else {
            beginPostgresWrite(m_db, waitMs);
        }
        m_postgres = database.dialect() == Dialect::Postgres;
        level.doomed = false;
        m_outer = true;
        m_time.emplace();
        if (!m_postgres && isBulkMethod(currentCall().method))
            if (sqlite3 *raw = sqliteOf(m_db)) {
                try {
                    m_capture = std::make_unique<BulkCapture>(raw);
                } catch (...) {
                    QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
                    throw;
                }
            }
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
    if (m_done && !level.doomed)
        return;
    if (m_postgres) {
        try {
            endPostgresWrite(m_db, false);
        } catch (const DbError &e) {
            std::fprintf(stderr, "rollback failed: %s\n", qPrintable(e.text()));
        }
        return;
    }
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("ROLLBACK")))
        std::fprintf(stderr, "rollback failed: %s\n", qPrintable(q.lastError().text()));
}

void UnitOfWork::commit()
{
    if (m_done)
        return;
    if (m_outer) {
        if (t_levels[m_db.connectionName()].doomed)
            throw DbError(DbError::Kind::Other,
                          QStringLiteral("inner unit of work was not committed"));
        if (m_postgres) {
            // Done either way: a failed COMMIT leaves nothing to roll back.
            m_done = true;
            endPostgresWrite(m_db, true);
            return;
        }
        if (m_capture)
            m_capture->flush();
        run(m_db, "COMMIT");
    }
    m_done = true;
}

} // namespace vnd::server
