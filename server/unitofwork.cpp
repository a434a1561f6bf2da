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
        run(m_db, database.dialect() == Dialect::Sqlite ? "BEGIN IMMEDIATE" : "BEGIN");
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
