#pragma once
// A server over a synthetic database in a temporary folder, running on a loopback port for
// the length of a benchmark, and a CBOR client for it.

#include "host/data/value.h"
#include "server/database.h"
#include "server/server.h"

#include <QDate>
#include <QTemporaryDir>

#include <atomic>
#include <memory>
#include <thread>

namespace httplib
{
class Client;
}
struct sqlite3;

namespace vnd::server::bench
{

class BenchServer
{
public:
    BenchServer(int products, int threads);
    ~BenchServer();

    int port() const { return m_port; }
    QString dbPath() const { return m_dir.filePath(QStringLiteral("bench.db")); }
    const Database &database() const { return *m_database; }
    QDate currentStart() const { return m_today.addDays(-30); } // the synthetic current period

private:
    QTemporaryDir m_dir;
    QDate m_today;
    std::unique_ptr<Database> m_database;
    std::unique_ptr<Server> m_server;
    std::thread m_thread;
    std::atomic<bool> m_finished{false};
    int m_port = 0;
};

// One keep-alive connection; status 0 when the call did not get through.
class BenchClient
{
public:
    explicit BenchClient(int port);
    ~BenchClient();
    int call(const QString &method, const data::ValueArray &args, data::Reply &reply);

private:
    std::unique_ptr<httplib::Client> m_client;
};

// Runs SQL on a raw connection, as a benchmark's bare baseline does; a failure is printed.
bool execSql(sqlite3 *db, const char *sql);

} // namespace vnd::server::bench
