#include "server/bulkload.h"
#include "server/changecontext.h"

#include <sqlite3.h>

#include <QByteArray>

#include <stdexcept>
#include <vector>

namespace vnd::server
{

namespace
{

struct DbCloser {
    void operator()(sqlite3 *db) const { sqlite3_close(db); }
};
struct StmtFinalizer {
    void operator()(sqlite3_stmt *s) const { sqlite3_finalize(s); }
};
using DbHandle = std::unique_ptr<sqlite3, DbCloser>;
using StmtHandle = std::unique_ptr<sqlite3_stmt, StmtFinalizer>;

void check(sqlite3 *db, int rc)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(sqlite3_errmsg(db));
}

void execute(sqlite3 *db, const char *sql)
{
    check(db, sqlite3_exec(db, sql, nullptr, nullptr, nullptr));
}

// A prepared INSERT run row by row; values bound by position from 1.
class Insert : public RowWriter
{
public:
    Insert(sqlite3 *db, const std::string &sql) : m_db(db)
    {
        sqlite3_stmt *s = nullptr;
        check(db, sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr));
        m_stmt.reset(s);
    }
    RowWriter &text(const std::string &v) override
    {
        check(m_db,
              sqlite3_bind_text(m_stmt.get(), ++m_i, v.data(), int(v.size()), SQLITE_TRANSIENT));
        return *this;
    }
    RowWriter &real(double v) override
    {
        check(m_db, sqlite3_bind_double(m_stmt.get(), ++m_i, v));
        return *this;
    }
    RowWriter &integer(qint64 v) override
    {
        check(m_db, sqlite3_bind_int64(m_stmt.get(), ++m_i, v));
        return *this;
    }
    RowWriter &null() override
    {
        check(m_db, sqlite3_bind_null(m_stmt.get(), ++m_i));
        return *this;
    }
    void run() override
    {
        check(m_db, sqlite3_step(m_stmt.get()));
        sqlite3_reset(m_stmt.get());
        m_i = 0;
    }

private:
    sqlite3 *m_db;
    StmtHandle m_stmt;
    int m_i = 0;
};

class SqliteBulkLoad : public BulkLoad
{
public:
    explicit SqliteBulkLoad(const Database &database)
    {
        sqlite3 *raw = nullptr;
        const QByteArray path = database.sqlitePath().toUtf8();
        if (sqlite3_open_v2(path.constData(), &raw, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
            const std::string message = raw ? sqlite3_errmsg(raw) : "cannot open";
            sqlite3_close(raw);
            throw std::runtime_error(message);
        }
        m_db.reset(raw);
        sqlite3_busy_timeout(raw, 10000);
        registerChangeFunction(raw);
        execute(raw, "PRAGMA foreign_keys = ON");
        execute(raw, "BEGIN IMMEDIATE");
    }
    ~SqliteBulkLoad() override
    {
        m_writers.clear();
        if (!m_done)
            sqlite3_exec(m_db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
    void exec(const char *sql) override { execute(m_db.get(), sql); }
    RowWriter &writer(const char *table, const char *columns) override
    {
        std::string marks = "?";
        for (const char *c = columns; *c; ++c)
            if (*c == ',')
                marks += ", ?";
        m_writers.push_back(std::make_unique<Insert>(m_db.get(), std::string("INSERT INTO ") +
                                                                     table + " (" + columns +
                                                                     ") VALUES (" + marks + ")"));
        return *m_writers.back();
    }
    void commit() override
    {
        m_writers.clear();
        execute(m_db.get(), "COMMIT");
        m_done = true;
    }

private:
    DbHandle m_db;
    std::vector<std::unique_ptr<Insert>> m_writers;
    bool m_done = false;
};

} // namespace

std::unique_ptr<BulkLoad> openSqliteBulkLoad(const Database &database)
{
    return std::make_unique<SqliteBulkLoad>(database);
}

} // namespace vnd::server
