#include "server/bulkload.h"
#include "server/callcontext.h"

#include <libpq-fe.h>

#include <charconv>
#include <functional>
#include <stdexcept>
#include <vector>

namespace vnd::server
{

namespace
{

struct ConnCloser {
    void operator()(PGconn *c) const { PQfinish(c); }
};
struct ResultClearer {
    void operator()(PGresult *r) const { PQclear(r); }
};
using ConnHandle = std::unique_ptr<PGconn, ConnCloser>;
using ResultHandle = std::unique_ptr<PGresult, ResultClearer>;

void execute(PGconn *c, const char *sql, ExecStatusType expected = PGRES_COMMAND_OK)
{
    const ResultHandle r(PQexec(c, sql));
    if (PQresultStatus(r.get()) != expected)
        throw std::runtime_error(PQerrorMessage(c));
}

// The rows of one table in COPY's text format, kept until the load sends them.
class CopyRows : public RowWriter
{
public:
    // full() is called when this table's rows pass the memory limit.
    CopyRows(const char *table, const char *columns, std::function<void()> full)
        : m_copy(std::string("COPY ") + table + " (" + columns + ") FROM STDIN"),
          m_full(std::move(full))
    {
    }
    RowWriter &text(const std::string &v) override
    {
        separate();
        for (const char c : v) {
            if (c == '\\' || c == '\t' || c == '\n' || c == '\r')
                m_data += '\\';
            m_data += c == '\t' ? 't' : c == '\n' ? 'n' : c == '\r' ? 'r' : c;
        }
        return *this;
    }
    RowWriter &real(double v) override
    {
        separate();
        char buf[32];
        // The shortest text that reads back as the same double: NUMERIC keeps 12.5, not
        // 12.4999999.
        const auto end = std::to_chars(buf, buf + sizeof buf, v).ptr;
        m_data.append(buf, end);
        return *this;
    }
    RowWriter &integer(qint64 v) override
    {
        separate();
        m_data += std::to_string(v);
        return *this;
    }
    RowWriter &null() override
    {
        separate();
        m_data += "\\N";
        return *this;
    }
    void run() override
    {
        m_data += '\n';
        m_first = true;
        if (m_data.size() > kLimitBytes)
            m_full();
    }
    void send(PGconn *c)
    {
        if (m_data.empty())
            return;
        execute(c, m_copy.c_str(), PGRES_COPY_IN);
        if (PQputCopyData(c, m_data.data(), int(m_data.size())) != 1 ||
            PQputCopyEnd(c, nullptr) != 1)
            throw std::runtime_error(PQerrorMessage(c));
        const ResultHandle r(PQgetResult(c));
        if (PQresultStatus(r.get()) != PGRES_COMMAND_OK)
            throw std::runtime_error(PQerrorMessage(c));
        while (PGresult *rest = PQgetResult(c))
            PQclear(rest);
        m_data.clear();
    }

private:
    void separate()
    {
        if (!m_first)
            m_data += '\t';
        m_first = false;
    }

    static constexpr size_t kLimitBytes = 32u << 20;
    std::string m_copy;
    std::function<void()> m_full;
    std::string m_data;
    bool m_first = true;
};

// Rows wait in memory, one buffer a table; when one is full every buffer is sent in the order
// the writers were made, so a row's references always reach the database before it. Closing
// the connection without COMMIT stores nothing.
class PostgresBulkLoad : public BulkLoad
{
public:
    explicit PostgresBulkLoad(const Database &database)
        : m_conn(PQconnectdb(database.url().toUtf8().constData()))
    {
        if (PQstatus(m_conn.get()) != CONNECTION_OK)
            throw std::runtime_error(PQerrorMessage(m_conn.get()));
        execute(m_conn.get(), "BEGIN");
        // Taking turns with the servers' writers, as every write does, and telling the change
        // record's triggers which command line loads the rows.
        const auto literal = [this](const QString &text) {
            const QByteArray utf8 = text.toUtf8();
            char *quoted = PQescapeLiteral(m_conn.get(), utf8.constData(), size_t(utf8.size()));
            std::string out = quoted ? quoted : "''";
            PQfreemem(quoted);
            return out;
        };
        const CallContext &call = currentCall();
        const std::string lock =
            "SELECT pg_advisory_xact_lock(42700), set_config('vnd42700.metodo', " +
            literal(call.method) + ", true), set_config('vnd42700.endereco', " +
            literal(call.address) + ", true)";
        execute(m_conn.get(), lock.c_str(), PGRES_TUPLES_OK);
    }
    void exec(const char *sql) override { execute(m_conn.get(), sql); }
    RowWriter &writer(const char *table, const char *columns) override
    {
        m_writers.push_back(std::make_unique<CopyRows>(table, columns, [this] { sendAll(); }));
        return *m_writers.back();
    }
    void commit() override
    {
        sendAll();
        execute(m_conn.get(), "COMMIT");
        // Plans made before autovacuum finds the new rows take minutes on them (the first read
        // of a whole period's items did): the statistics are made now.
        execute(m_conn.get(), "ANALYZE");
    }

private:
    void sendAll()
    {
        for (const auto &w : m_writers)
            w->send(m_conn.get());
    }

    ConnHandle m_conn;
    std::vector<std::unique_ptr<CopyRows>> m_writers;
};

} // namespace

std::unique_ptr<BulkLoad> openPostgresBulkLoad(const Database &database)
{
    return std::make_unique<PostgresBulkLoad>(database);
}

} // namespace vnd::server
