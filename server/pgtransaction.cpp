#include "server/pgtransaction.h"

#include "server/callcontext.h"
#include "server/database.h"
#include "server/dberror.h"
#include "server/pgplaceholders.h"
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

void prepare(PGconn *conn, PgKeptStatement &kept, const QByteArray &sql)
{
    PGresult *r = PQprepare(conn, kept.name.constData(), sql.constData(), 0, nullptr);
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

// Reads every result up to the pipeline's sync; the first failure, if any, and its SQLSTATE.
// The rows changed by the statement after the opening's three, when there is one.
std::optional<DbError> pipelineOutcome(PGconn *conn, int &affected, QByteArray &state)
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
        if (status == PGRES_FATAL_ERROR && !failure) {
            failure = pgFailure(conn, r);
            state = PQresultErrorField(r, PG_DIAG_SQLSTATE);
        }
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

// BEGIN, the call's settings, the lock and the write that follows, if any, in one round trip;
// the write's changed rows. Statements PostgreSQL no longer holds as prepared are prepared
// again and the whole sent once more: nothing had been done.
int open(const QSqlDatabase &db, int lockWaitMs, const PgWrite &write)
{
    PGconn *conn = connectionOf(db);
    PgKeptStatement &settings = pgKeptStatement(db, kCallSettings);
    PgKeptStatement &lock = pgKeptStatement(db, kWriteLock);
    const CallContext &call = currentCall();
    const QByteArray own[] = {QByteArray::number(lockWaitMs),
                              utf8(call.session ? call.session->login : QString()),
                              utf8(call.address), utf8(call.method)};
    const char *params[] = {own[0].constData(), own[1].constData(), own[2].constData(),
                            own[3].constData()};
    for (bool again = false;; again = true) {
        if (!settings.prepared)
            prepare(conn, settings, kCallSettings.toUtf8());
        if (!lock.prepared)
            prepare(conn, lock, kWriteLock.toUtf8());
        if (write.kept && !write.kept->prepared)
            prepare(conn, *write.kept, numberedPlaceholders(*write.sql));
        if (!PQenterPipelineMode(conn))
            throw pgFailure(conn, nullptr);
        const bool sent =
            PQsendQueryParams(conn, "BEGIN", 0, nullptr, nullptr, nullptr, nullptr, 0) &&
            PQsendQueryPrepared(conn, settings.name.constData(), 4, params, nullptr, nullptr, 0) &&
            PQsendQueryPrepared(conn, lock.name.constData(), 0, nullptr, nullptr, nullptr, 0) &&
            (!write.kept || PQsendQueryPrepared(conn, write.kept->name.constData(), write.count,
                                                write.values, nullptr, nullptr, 0)) &&
            PQpipelineSync(conn);
        int affected = -1;
        QByteArray state;
        std::optional<DbError> failure =
            sent ? pipelineOutcome(conn, affected, state) : std::optional(pgFailure(conn, nullptr));
        PQexitPipelineMode(conn);
        if (failure && !again && preparedStatementGone(state.constData())) {
            PQclear(PQexec(conn, "ROLLBACK"));
            prepareAgain(settings);
            prepareAgain(lock);
            if (write.kept)
                prepareAgain(*write.kept);
            continue;
        }
        if (failure)
            throw *failure;
        countStatement();
        return affected;
    }
}

} // namespace

void beginPostgresWrite(const QSqlDatabase &db, int lockWaitMs)
{
    try {
        open(db, lockWaitMs, {});
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

int sendPostgresWrite(const QSqlDatabase &db, const PgWrite &write)
{
    const auto it = t_pending.find(db.connectionName());
    const int waitMs = it->second;
    t_pending.erase(it);
    return open(db, waitMs, write);
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
