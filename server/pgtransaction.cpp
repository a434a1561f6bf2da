#include "server/pgtransaction.h"

#include "server/callcontext.h"
#include "server/database.h"
#include "server/dberror.h"
#include "server/pgreads.h"

#include <libpq-fe.h>

#include <optional>

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

// Reads every result up to the pipeline's sync; the first failure, if any.
std::optional<DbError> pipelineOutcome(PGconn *conn)
{
    std::optional<DbError> failure;
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

} // namespace

void beginPostgresWrite(const QSqlDatabase &db, int lockWaitMs)
{
    PGconn *conn = connectionOf(db);
    PgKeptStatement &settings = pgKeptStatement(db, kCallSettings);
    PgKeptStatement &lock = pgKeptStatement(db, kWriteLock);
    prepare(conn, settings, kCallSettings);
    prepare(conn, lock, kWriteLock);
    const CallContext &call = currentCall();
    const QByteArray values[] = {QByteArray::number(lockWaitMs),
                                 utf8(call.session ? call.session->login : QString()),
                                 utf8(call.address), utf8(call.method)};
    const char *params[] = {values[0].constData(), values[1].constData(), values[2].constData(),
                            values[3].constData()};
    if (!PQenterPipelineMode(conn))
        throw pgFailure(conn, nullptr);
    const bool sent =
        PQsendQueryParams(conn, "BEGIN", 0, nullptr, nullptr, nullptr, nullptr, 0) &&
        PQsendQueryPrepared(conn, settings.name.constData(), 4, params, nullptr, nullptr, 0) &&
        PQsendQueryPrepared(conn, lock.name.constData(), 0, nullptr, nullptr, nullptr, 0) &&
        PQpipelineSync(conn);
    std::optional<DbError> failure = sent ? pipelineOutcome(conn) : pgFailure(conn, nullptr);
    PQexitPipelineMode(conn);
    if (!failure) {
        countStatement();
        return;
    }
    if (PQstatus(conn) == CONNECTION_OK && PQtransactionStatus(conn) != PQTRANS_IDLE)
        PQclear(PQexec(conn, "ROLLBACK"));
    throw *failure;
}

void endPostgresWrite(const QSqlDatabase &db, bool commit)
{
    PGconn *conn = connectionOf(db);
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
