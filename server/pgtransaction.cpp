#include "server/pgtransaction.h"

#include "server/callcontext.h"
#include "server/database.h"
#include "server/dberror.h"
#include "server/pgreads.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <optional>
#include <unordered_map>

namespace vnd::server
{

namespace
{

// lock_timeout first: the lock below waits only what is left of the call's busy timeout.
const QString kCallSettings = QStringLiteral(
    "SELECT set_config('lock_timeout', $1, true), set_config('vnd42700.usuario', $2, true),"
    " set_config('vnd42700.endereco', $3, true), set_config('vnd42700.metodo', $4, true)");
// The time is read once the lock is held, so records follow the order writers took it.
const QString kWriteLock =
    QStringLiteral("SELECT pg_advisory_xact_lock(42700), set_config('vnd42700.hora',"
                   " (extract(epoch FROM clock_timestamp()) * 1000000)::bigint::text, true)");

PGconn *connectionOf(const QSqlDatabase &db)
{
    PGconn *conn = pgconnOf(db);
    if (!conn)
        throw DbError(DbError::Kind::Unavailable, QStringLiteral("sem conexão PostgreSQL"));
    // What the QtSql driver left unread goes first, as the driver does before its statements.
    while (PGresult *r = PQgetResult(conn))
        PQclear(r);
    return conn;
}

void prepare(PGconn *conn, PgKeptStatement &kept, const QString &sql)
{
    if (kept.prepared)
        return;
    PGresult *r = PQprepare(conn, kept.name.constData(), sql.toUtf8().constData(), 0, nullptr);
    if (PQresultStatus(r) != PGRES_COMMAND_OK) {
        const DbError e = pgFailure(conn, r);
        PQclear(r);
        throw e;
    }
    PQclear(r);
    kept.prepared = true;
}

// Openings waiting for their connection's next statement: the wait allowed for the lock, by
// connection name.
thread_local std::unordered_map<QString, int> t_pending;

// Reads every result up to the pipeline's sync; the first failure, if any. The rows changed by
// the statement after the opening's three, when there is one.
std::optional<DbError> pipelineOutcome(PGconn *conn, int &affected)
{
    std::optional<DbError> failure;
    int results = 0;
    int idle = 0; // results read as nothing in a row: past the sync, or the connection gone
    while (idle < 2) {
        PGresult *r = PQgetResult(conn);
        if (!r) {
            ++idle;
            continue;
        }
        idle = 0;
        const ExecStatusType status = PQresultStatus(r);
        if (status == PGRES_FATAL_ERROR && !failure)
            failure = pgFailure(conn, r);
        if (++results == 4 && status == PGRES_COMMAND_OK)
            affected = std::atoi(PQcmdTuples(r));
        PQclear(r);
        if (status == PGRES_PIPELINE_SYNC)
            break;
    }
    if (!failure && PQstatus(conn) == CONNECTION_BAD)
        failure = pgFailure(conn, nullptr);
    return failure;
}

QByteArray utf8(const QString &text)
{
    return text.isNull() ? QByteArray("") : text.toUtf8();
}

// BEGIN, the call's settings, the lock and the statement that follows, if any, in one round
// trip; the statement's changed rows.
int open(const QSqlDatabase &db, int lockWaitMs, const char *name, int count,
         const char *const *values)
{
    PGconn *conn = connectionOf(db);
    PgKeptStatement &settings = pgKeptStatement(db, kCallSettings);
    PgKeptStatement &lock = pgKeptStatement(db, kWriteLock);
    prepare(conn, settings, kCallSettings);
    prepare(conn, lock, kWriteLock);
    const CallContext &call = currentCall();
    const QByteArray own[] = {QByteArray::number(lockWaitMs),
                              utf8(call.session ? call.session->login : QString()),
                              utf8(call.address), utf8(call.method)};
    const char *params[] = {own[0].constData(), own[1].constData(), own[2].constData(),
                            own[3].constData()};
    if (!PQenterPipelineMode(conn))
        throw pgFailure(conn, nullptr);
    const bool sent =
        PQsendQueryParams(conn, "BEGIN", 0, nullptr, nullptr, nullptr, nullptr, 0) &&
        PQsendQueryPrepared(conn, settings.name.constData(), 4, params, nullptr, nullptr, 0) &&
        PQsendQueryPrepared(conn, lock.name.constData(), 0, nullptr, nullptr, nullptr, 0) &&
        (!name || PQsendQueryPrepared(conn, name, count, values, nullptr, nullptr, 0)) &&
        PQpipelineSync(conn);
    int affected = -1;
    std::optional<DbError> failure =
        sent ? pipelineOutcome(conn, affected) : std::optional(pgFailure(conn, nullptr));
    PQexitPipelineMode(conn);
    if (failure)
        throw *failure;
    countStatement();
    return affected;
}

} // namespace

void beginPostgresWrite(const QSqlDatabase &db, int lockWaitMs)
{
    try {
        open(db, lockWaitMs, nullptr, 0, nullptr);
    } catch (const DbError &) {
        // No unit of work is left to roll it back: its constructor failed.
        PGconn *conn = pgconnOf(db);
        if (PQstatus(conn) == CONNECTION_OK && PQtransactionStatus(conn) != PQTRANS_IDLE)
            PQclear(PQexec(conn, "ROLLBACK"));
        throw;
    }
}

void deferPostgresWrite(const QSqlDatabase &db, int lockWaitMs)
{
    t_pending[db.connectionName()] = lockWaitMs;
}

bool postgresWritePending(const QSqlDatabase &db)
{
    return !t_pending.empty() && t_pending.contains(db.connectionName());
}

int sendPostgresWrite(const QSqlDatabase &db, const char *name, int count,
                      const char *const *values)
{
    const auto it = t_pending.find(db.connectionName());
    const int waitMs = it->second;
    t_pending.erase(it);
    return open(db, waitMs, name, count, values);
}

void endPostgresWrite(const QSqlDatabase &db, bool commit)
{
    if (t_pending.erase(db.connectionName()) > 0)
        return;
    PGconn *conn = connectionOf(db);
    // BEGIN itself failed (the connection went): nothing is open.
    if (!commit && PQtransactionStatus(conn) == PQTRANS_IDLE)
        return;
    PGresult *r = PQexec(conn, commit ? "COMMIT" : "ROLLBACK");
    if (PQresultStatus(r) != PGRES_COMMAND_OK) {
        const DbError e = pgFailure(conn, r);
        PQclear(r);
        throw e;
    }
    const bool rolledBack = commit && qstrcmp(PQcmdStatus(r), "COMMIT") != 0;
    PQclear(r);
    if (rolledBack)
        throw DbError(DbError::Kind::Other,
                      QStringLiteral("COMMIT desfez a transação, que já havia falhado"));
    countStatement();
}

} // namespace vnd::server
