#include "server/database.h"

#include "server/changecontext.h"
#include "server/dberror.h"
#include "server/log.h"

#include <libpq-fe.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <QFile>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QThread>
#include <QUrl>

#include <chrono>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <unordered_map>

namespace vnd::server
{

std::atomic<int> Database::s_nextId{1};

namespace
{

// How long a database found unreachable is left alone before the next call tries again.
constexpr qint64 kRetryOpenMs = 100;

qint64 nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Connections this thread opened (with the SQLite file each has open) and the statements kept
// on them; removed when the thread ends. Statements go first: a connection removed under a
// live query warns and stops it.
struct ThreadConnections {
    struct Opened {
        std::optional<FileIdentity> file; // SQLite: the file it has open
        quint64 generation = 0;           // lostGeneration() when it was opened
    };
    std::unordered_map<QString, Opened> names;
    std::unordered_map<QString, std::unique_ptr<KeptStatement>> statements; // name + SQL
    std::unordered_map<QString, PgKeptStatement> pgStatements;              // name + SQL
    quint64 pgNamed = 0;
    int inUse = 0; // ConnectionUse
    quint64 statementsRun = 0;
    quint64 lostGeneration = 0;

    void dropStatements(const QString &name)
    {
        const QString prefix = name + QChar(u'\x1f');
        std::erase_if(statements, [&](const auto &e) { return e.first.startsWith(prefix); });
        std::erase_if(pgStatements, [&](const auto &e) { return e.first.startsWith(prefix); });
    }
    void drop(const QString &name)
    {
        dropStatements(name);
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
        names.erase(name);
    }
    ~ThreadConnections()
    {
        statements.clear();
        for (const auto &entry : names)
            QSqlDatabase::removeDatabase(entry.first);
    }
};

ThreadConnections &threadConnections()
{
    thread_local ThreadConnections connections;
    return connections;
}

QString connectionName(int id)
{
    return QStringLiteral("vnd42700-%1-%2")
        .arg(id)
        .arg(reinterpret_cast<quintptr>(QThread::currentThreadId()));
}

void execPragma(QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw DbError::fromSqlError(q.lastError());
}

// What the server says outside any statement (a backend terminated, a shutdown) goes to the
// log, one line, instead of bare to stderr.
void logNotice(void *, const char *message)
{
    logLine(QStringLiteral("PostgreSQL: %1").arg(QString::fromUtf8(message).simplified()));
}

// Why a PostgreSQL connection is lost; empty while it is not. Reads what the server sent
// without waiting (libpq's socket never blocks): a terminated backend or a server shutting
// down has sent its last words and closed the connection.
QString postgresLost(const QSqlDatabase &db)
{
    PGconn *conn = pgconnOf(db);
    if (!conn)
        return QStringLiteral("sem conexão");
    PQconsumeInput(conn);
    if (PQstatus(conn) != CONNECTION_BAD)
        return {};
    const QString why = QString::fromUtf8(PQerrorMessage(conn)).simplified();
    return why.isEmpty() ? QStringLiteral("o servidor fechou a conexão") : why;
}

} // namespace

ConnectionUse::ConnectionUse()
{
    ++threadConnections().inUse;
}

ConnectionUse::~ConnectionUse()
{
    --threadConnections().inUse;
}

quint64 statementsRun()
{
    return threadConnections().statementsRun;
}

void countStatement()
{
    ++threadConnections().statementsRun;
}

void markConnectionsLost()
{
    ++threadConnections().lostGeneration;
}

quint64 lostGeneration()
{
    return threadConnections().lostGeneration;
}

PGconn *pgconnOf(const QSqlDatabase &db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    // Qt names the type after the struct behind libpq's typedef.
    const bool isPgconn = handle.isValid() && (qstrcmp(handle.typeName(), "pg_conn*") == 0 ||
                                               qstrcmp(handle.typeName(), "PGconn*") == 0);
    return isPgconn ? *static_cast<PGconn *const *>(handle.data()) : nullptr;
}

PgKeptStatement &pgKeptStatement(const QSqlDatabase &db, const QString &sql)
{
    auto &connections = threadConnections();
    PgKeptStatement &kept = connections.pgStatements[db.connectionName() + QChar(u'\x1f') + sql];
    if (kept.name.isEmpty())
        kept.name = "vnd_" + QByteArray::number(++connections.pgNamed);
    return kept;
}

KeptStatement *keptStatement(const QSqlDatabase &db, const QString &sql)
{
    auto &statements = threadConnections().statements;
    const QString key = db.connectionName() + QChar(u'\x1f') + sql;
    auto it = statements.find(key);
    if (it == statements.end()) {
        auto kept = std::make_unique<KeptStatement>();
        kept->query = QSqlQuery(db);
        it = statements.emplace(key, std::move(kept)).first;
    }
    return it->second->inUse ? nullptr : it->second.get();
}

Database::Database(const QString &url, int busyTimeoutMs)
    : m_url(url), m_busyTimeoutMs(busyTimeoutMs), m_id(s_nextId++)
{
    if (url.startsWith(QLatin1String("sqlite:"))) {
        m_dialect = Dialect::Sqlite;
        m_path = url.mid(7);
        if (m_path.isEmpty())
            throw std::invalid_argument("sqlite: without a file path");
        m_filePath = m_path.startsWith(QLatin1String("file:")) ? QUrl(m_path).path() : m_path;
        return;
    }
    if (url.startsWith(QLatin1String("postgresql://")) ||
        url.startsWith(QLatin1String("postgres://"))) {
        const QUrl u(url);
        if (!u.isValid())
            throw std::invalid_argument("invalid PostgreSQL URL");
        m_dialect = Dialect::Postgres;
        m_host = u.host().isEmpty() ? QStringLiteral("localhost") : u.host();
        m_port = u.port(5432);
        m_user = u.userName();
        m_password = u.password();
        m_name = u.path().mid(1);
        return;
    }
    throw std::invalid_argument("database URL must start with sqlite: or postgresql://");
}

Database::~Database()
{
    const QString name = connectionName(m_id);
    auto &connections = threadConnections();
    connections.dropStatements(name);
    if (connections.names.erase(name) > 0)
        QSqlDatabase::removeDatabase(name);
}

std::optional<FileIdentity> Database::sqliteFile() const
{
    struct stat st {
    };
    if (m_filePath.isEmpty() || ::stat(QFile::encodeName(m_filePath).constData(), &st) != 0 ||
        !S_ISREG(st.st_mode))
        return std::nullopt;
    return FileIdentity{quint64(st.st_dev), quint64(st.st_ino)};
}

QString Database::sqliteFileLost(const std::optional<FileIdentity> &opened) const
{
    if (!opened)
        return {}; // not a file we could follow
    const std::optional<FileIdentity> now = sqliteFile();
    if (!now)
        return QStringLiteral("o arquivo %1 não existe mais").arg(m_filePath);
    if (*now != *opened)
        return QStringLiteral("o arquivo %1 foi substituído").arg(m_filePath);
    return {};
}

std::unique_lock<std::mutex> Database::beforeOpening() const
{
    if (!m_unreachable)
        return {};
    const auto refuse = [this] {
        std::lock_guard lock(m_reasonLock);
        throw DbError(DbError::Kind::Unavailable, m_unreachableReason, DbError::Opening);
    };
    if (nowMs() < m_nextAttemptMs)
        refuse();
    std::unique_lock attempt(m_attemptLock);
    if (!m_unreachable)
        return {}; // the attempt this thread waited for succeeded
    if (nowMs() < m_nextAttemptMs)
        refuse(); // it failed
    return attempt;
}

void Database::openingFailed(const QString &why) const
{
    m_nextAttemptMs = nowMs() + kRetryOpenMs;
    {
        std::lock_guard lock(m_reasonLock);
        m_unreachableReason = why;
    }
    if (!m_unreachable.exchange(true))
        logLine(QStringLiteral("banco de dados inacessível: %1").arg(why));
}

void Database::opened() const
{
    m_everOpened = true;
    if (m_unreachable.exchange(false))
        logLine(QStringLiteral("banco de dados acessível de novo"));
}

void Database::stillReachable() const
{
    // A PostgreSQL connection may pass its check moments before its server's goodbye arrives;
    // only a new one tells.
    if (m_dialect == Dialect::Sqlite && m_unreachable && m_unreachable.exchange(false))
        logLine(QStringLiteral("banco de dados acessível de novo"));
}

QString Database::nullSafeEquals() const
{
    return m_dialect == Dialect::Sqlite ? QStringLiteral(" IS ")
                                        : QStringLiteral(" IS NOT DISTINCT FROM ");
}

QSqlDatabase Database::connection() const
{
    const QString name = connectionName(m_id);
    auto &connections = threadConnections();
    if (const auto it = connections.names.find(name); it != connections.names.end()) {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (connections.inUse > 0)
            return db;
        const QString lost = it->second.generation != connections.lostGeneration
                                 ? QStringLiteral("uma instrução a achou perdida")
                             : m_dialect == Dialect::Postgres ? postgresLost(db)
                                                              : sqliteFileLost(it->second.file);
        if (lost.isEmpty()) {
            stillReachable();
            return db;
        }
        db = QSqlDatabase();
        logLine(QStringLiteral("conexão com o banco de dados perdida: %1").arg(lost));
        connections.drop(name);
    }
    const auto attempt = beforeOpening();
    QSqlDatabase db;
    try {
        db = open(name);
    } catch (const DbError &e) {
        if (QSqlDatabase::contains(name))
            QSqlDatabase::removeDatabase(name); // opened, but could not be set up
        openingFailed(e.text());
        throw DbError(DbError::Kind::Unavailable, e.text(), DbError::Opening);
    }
    opened();
    connections.names.emplace(name,
                              ThreadConnections::Opened{sqliteFile(), connections.lostGeneration});
    return db;
}

QSqlDatabase Database::open(const QString &name) const
{
    if (m_dialect == Dialect::Sqlite) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        // A file that went away is not created again, empty, in its place.
        const bool mayCreate = !m_everOpened || m_path.startsWith(QLatin1String("file:"));
        db.setDatabaseName(
            mayCreate ? m_path
                      : QStringLiteral("file:%1?mode=rw")
                            .arg(QString::fromLatin1(QUrl::toPercentEncoding(m_path, "/"))));
        db.setConnectOptions(
            QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1;QSQLITE_OPEN_URI").arg(m_busyTimeoutMs));
        if (!db.open()) {
            const QSqlError error = db.lastError();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
            throw DbError(DbError::Kind::Other, error.text());
        }
        // The change record's triggers ask it; without it no recorded table can be written.
        const QVariant handle = db.driver()->handle();
        if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
            if (sqlite3 *s = *static_cast<sqlite3 *const *>(handle.data()))
                registerChangeFunction(s);
        execPragma(db, QStringLiteral("PRAGMA foreign_keys = ON"));
        execPragma(db, QStringLiteral("PRAGMA journal_mode = WAL"));
        execPragma(db, QStringLiteral("PRAGMA synchronous = NORMAL"));
        return db;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(m_host);
    db.setPort(m_port);
    db.setUserName(m_user);
    db.setPassword(m_password);
    db.setDatabaseName(m_name);
    // A server that does not answer makes one call wait this long, not the system's minutes.
    db.setConnectOptions(QStringLiteral("connect_timeout=5"));
    if (!db.open()) {
        const QSqlError error = db.lastError();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        throw DbError(DbError::Kind::Other, error.text());
    }
    if (PGconn *conn = pgconnOf(db))
        PQsetNoticeProcessor(conn, logNotice, nullptr);
    execPragma(db, QStringLiteral("SET lock_timeout = %1").arg(m_busyTimeoutMs));
    // NUMERIC as its text: exact, and a value no double holds is seen rather than lost.
    db.setNumericalPrecisionPolicy(QSql::HighPrecision);
    return db;
}

} // namespace vnd::server
