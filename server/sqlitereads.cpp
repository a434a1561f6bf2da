#include "server/sqlitereads.h"

#include "server/database.h"
#include "server/dberror.h"
#include "server/log.h"

#include <sqlite3.h>

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

namespace vnd::server
{

namespace
{

struct Kept {
    sqlite3_stmt *statement = nullptr;
    bool inUse = false;
};

struct ReadConnection {
    sqlite3 *db = nullptr;
    std::optional<FileIdentity> file; // the one it has open
    quint64 generation = 0;           // lostGeneration() when it was opened
    std::unordered_map<std::string, std::unique_ptr<Kept>> statements; // by SQL

    bool inUse() const
    {
        for (const auto &entry : statements)
            if (entry.second->inUse)
                return true;
        return false;
    }

    ~ReadConnection()
    {
        for (auto &entry : statements)
            sqlite3_finalize(entry.second->statement);
        sqlite3_close(db);
    }
};

// By database id: ids are never reused, so a connection never outlives its database's file.
thread_local std::unordered_map<int, std::unique_ptr<ReadConnection>> t_connections;

[[noreturn]] void fail(sqlite3 *db, int code)
{
    throwSqliteError(db, code);
}

// A connection whose file went away or was replaced is closed and opened again, unless one of
// its statements is still lent (a read inside a read): that one finishes on it.
ReadConnection &connectionFor(const Database &database)
{
    std::unique_ptr<ReadConnection> &slot = t_connections[database.id()];
    if (slot) {
        if (slot->inUse())
            return *slot;
        const QString lost = slot->generation != lostGeneration()
                                 ? QStringLiteral("uma instrução a achou perdida")
                                 : database.sqliteFileLost(slot->file);
        if (lost.isEmpty()) {
            database.stillReachable();
            return *slot;
        }
        logLine(QStringLiteral("conexão de leitura perdida: %1").arg(lost));
        slot.reset();
    }
    const auto attempt = database.beforeOpening();
    auto c = std::make_unique<ReadConnection>();
    // Only this thread ever uses it: without sqlite3's per-call mutex (15% of a large read).
    // Never created: the file exists once the server serves, and a lost one stays lost.
    const int rc =
        sqlite3_open_v2(database.sqlitePath().toUtf8().constData(), &c->db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString text = QString::fromUtf8(c->db ? sqlite3_errmsg(c->db) : sqlite3_errstr(rc));
        t_connections.erase(database.id());
        database.openingFailed(text);
        throw DbError(DbError::Kind::Unavailable, text, DbError::Opening);
    }
    database.opened();
    c->file = database.sqliteFile();
    c->generation = lostGeneration();
    sqlite3_busy_timeout(c->db, database.busyTimeoutMs());
    slot = std::move(c);
    return *slot;
}

} // namespace

CachedStatement::CachedStatement(const Database &database, const QString &sql)
{
    ReadConnection &c = connectionFor(database);
    m_db = c.db;
    const QByteArray text = sql.toUtf8();
    std::unique_ptr<Kept> &kept = c.statements[text.toStdString()];
    if (kept && !kept->inUse) {
        kept->inUse = true;
        m_inUse = &kept->inUse;
        m_statement = kept->statement;
        return;
    }
    sqlite3_stmt *statement = nullptr;
    const int rc = sqlite3_prepare_v3(m_db, text.constData(), int(text.size()),
                                      SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
    if (rc != SQLITE_OK) {
        if (!kept)
            c.statements.erase(text.toStdString());
        fail(m_db, rc);
    }
    m_statement = statement;
    if (kept)
        return; // the kept one is lent already (a read inside a read): this one is not kept
    kept = std::make_unique<Kept>(Kept{statement, true});
    m_inUse = &kept->inUse;
}

CachedStatement::~CachedStatement()
{
    if (!m_inUse) {
        sqlite3_finalize(m_statement);
        return;
    }
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
    *m_inUse = false;
}

void CachedStatement::bind(const QVariant &value)
{
    bindValue(m_db, m_statement, ++m_bound, value);
}

sqlite3 *sqliteOf(const QSqlDatabase &db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.data());
}

void bindValue(sqlite3 *db, sqlite3_stmt *statement, int at, const QVariant &value)
{
    int rc = SQLITE_OK;
    switch (value.isNull() ? QMetaType::UnknownType : value.typeId()) {
    case QMetaType::UnknownType:
        rc = sqlite3_bind_null(statement, at);
        break;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Bool:
        rc = sqlite3_bind_int64(statement, at, value.toLongLong());
        break;
    case QMetaType::Double:
        rc = sqlite3_bind_double(statement, at, value.toDouble());
        break;
    default: {
        const QByteArray text = value.toString().toUtf8();
        rc = sqlite3_bind_text(statement, at, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
    }
    if (rc != SQLITE_OK)
        throwSqliteError(db, rc);
}

void throwSqliteError(sqlite3 *db, int code)
{
    const QString text =
        db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(code));
    throw DbError::fromSqlError(
        QSqlError(QStringLiteral("sqlite3"), text, QSqlError::StatementError,
                  QString::number(db ? sqlite3_extended_errcode(db) : code)));
}

bool CachedStatement::step()
{
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW || rc == SQLITE_DONE) {
        countStatement();
        return rc == SQLITE_ROW;
    }
    fail(m_db, rc);
}

QVariant CachedStatement::value(int column) const
{
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_INTEGER:
        return qlonglong(sqlite3_column_int64(m_statement, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(m_statement, column);
    case SQLITE_NULL:
        return QVariant(QMetaType::fromType<QString>());
    case SQLITE_BLOB: {
        const auto *p = static_cast<const char *>(sqlite3_column_blob(m_statement, column));
        return QByteArray(p, sqlite3_column_bytes(m_statement, column));
    }
    default: {
        const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
        return QString::fromUtf8(p, sqlite3_column_bytes(m_statement, column));
    }
    }
}

} // namespace vnd::server
