#include "server/database.h"

#include "server/dberror.h"

#include <QSqlQuery>
#include <QThread>
#include <QUrl>

#include <memory>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

namespace vnd::server
{

std::atomic<int> Database::s_nextId{1};

namespace
{

// Connections this thread opened and the statements kept on them; removed when the thread
// ends. Statements go first: a connection removed under a live query warns and stops it.
struct ThreadConnections {
    std::unordered_set<QString> names;
    std::unordered_map<QString, std::unique_ptr<KeptStatement>> statements; // name + SQL

    void dropStatements(const QString &name)
    {
        const QString prefix = name + QChar(u'\x1f');
        std::erase_if(statements, [&](const auto &e) { return e.first.startsWith(prefix); });
    }
    ~ThreadConnections()
    {
        statements.clear();
        for (const QString &name : names)
            QSqlDatabase::removeDatabase(name);
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

} // namespace

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

QString Database::nullSafeEquals() const
{
    return m_dialect == Dialect::Sqlite ? QStringLiteral(" IS ")
                                        : QStringLiteral(" IS NOT DISTINCT FROM ");
}

QSqlDatabase Database::connection() const
{
    const QString name = connectionName(m_id);
    auto &names = threadConnections().names;
    if (names.contains(name))
        return QSqlDatabase::database(name, false);
    QSqlDatabase db = open(name);
    names.insert(name);
    return db;
}

QSqlDatabase Database::open(const QString &name) const
{
    if (m_dialect == Dialect::Sqlite) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(m_path);
        db.setConnectOptions(
            QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1;QSQLITE_OPEN_URI").arg(m_busyTimeoutMs));
        if (!db.open()) {
            const QSqlError error = db.lastError();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
            throw DbError(DbError::Kind::Other, error.text());
        }
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
    if (!db.open()) {
        const QSqlError error = db.lastError();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        throw DbError(DbError::Kind::Other, error.text());
    }
    execPragma(db, QStringLiteral("SET lock_timeout = %1").arg(m_busyTimeoutMs));
    // NUMERIC as its text: exact, and a value no double holds is seen rather than lost.
    db.setNumericalPrecisionPolicy(QSql::HighPrecision);
    return db;
}

} // namespace vnd::server
