#pragma once
// A server over a synthetic database in a temporary folder, running on a loopback port for
// the length of a benchmark, and a CBOR client for it.

#include "server/database.h"
#include "server/server.h"
#include "wire/packet.h"
#include "wire/value.h"

#include <QDate>
#include <QTemporaryDir>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace httplib
{
class Client;
class Result;
} // namespace httplib
struct sqlite3;
struct pg_conn;

namespace vnd::server::bench
{

// A server on a database, serving on a loopback port from a thread of its own until it goes.
class ServingThread
{
public:
    ServingThread(const Database &database, ServerOptions options);
    ~ServingThread();
    int port() const { return m_port; }

private:
    std::unique_ptr<Server> m_server;
    std::thread m_thread;
    std::atomic<bool> m_finished{false};
    int m_port = 0;
};

class BenchServer
{
public:
    // On an SQLite file in a temporary folder, or on the (empty) database a URL names.
    BenchServer(int products, int threads, const QString &url = {});
    ~BenchServer();

    int port() const { return m_port; }
    // A session of the demo manager, for the clients.
    const std::string &token() const { return m_token; }
    QString dbPath() const { return m_dir.filePath(QStringLiteral("bench.db")); }
    const Database &database() const { return *m_database; }
    QDate currentStart() const { return m_today.addDays(-30); } // the synthetic current period

private:
    QTemporaryDir m_dir;
    QDate m_today;
    std::unique_ptr<Database> m_database;
    std::unique_ptr<ServingThread> m_serving;
    int m_port = 0;
    std::string m_token;
};

// One keep-alive connection; status 0 when the call did not get through. Calls carry the
// token, when there is one.
class BenchClient
{
public:
    explicit BenchClient(int port, std::string token = {});
    // Signs in with the sign-in method; false when refused.
    bool signIn(const QString &login, const QString &password);
    const std::string &token() const { return m_token; }
    ~BenchClient();
    int call(const QString &method, const data::ValueArray &args, data::Reply &reply);
    // The answer's bytes counted, not decoded: what the server alone costs a reader.
    int callRaw(const QString &method, const data::ValueArray &args, qint64 &bytes);

private:
    httplib::Result post(const QString &method, const data::ValueArray &args);

    std::unique_ptr<httplib::Client> m_client;
    std::string m_token;
};

// An item row saved again and again, each save from the row as it was last stored, through
// the client that loaded it or through others (other users' connections).
class ItemSaver
{
public:
    ItemSaver(BenchClient &client, QDate start, const QString &product);
    bool ok() const { return !m_row.isEmpty(); }
    // The row with a new price; false (printed) when the save fails.
    bool save(double price) { return save(m_client, price); }
    bool save(BenchClient &client, double price);
    // The next of a thousand prices in turn.
    bool save(BenchClient &client) { return save(client, 10.0 + (++m_n % 1000) * 0.01); }

private:
    BenchClient &m_client;
    data::DataPacket m_items;
    data::Row m_row;
    int m_n = 0;
};

// The bench database opened raw, the bare side of a ratio: an SQLite file with the sqlite3 API
// and the server's own connection settings (foreign keys on, synchronous NORMAL, a wait for a
// busy writer), or a PostgreSQL URL with libpq.
class RawDatabase
{
public:
    explicit RawDatabase(const QString &pathOrUrl);
    ~RawDatabase();
    RawDatabase(const RawDatabase &) = delete;
    RawDatabase &operator=(const RawDatabase &) = delete;

    bool postgres() const { return m_pg != nullptr; }
    sqlite3 *handle() const { return m_db; } // nullptr on PostgreSQL
    // Runs the statements; prints the error and answers false when one fails.
    bool exec(const char *sql) const;
    // Rows the last statement run changed.
    qint64 changes() const;

private:
    sqlite3 *m_db = nullptr;
    pg_conn *m_pg = nullptr;
    mutable qint64 m_changes = 0;
};

// Where the end-to-end benchmarks start: a server on synthetic products (the count from the
// first argument, 100,000 without one) in an SQLite file, or with `--db postgresql://...` in
// that (empty) database; a client of it, the same database opened raw and the current period.
struct EndToEndBench {
    EndToEndBench(int argc, char **argv);

    QString url; // empty for SQLite
    int products;
    BenchServer server;
    BenchClient client;
    RawDatabase db;
    QDate start;
    QByteArray startIso; // as stored
};

// The time in nanoseconds of one call over the client; -1 (with the error printed) unless it
// succeeds with the expected count as its result.
double timedCall(BenchClient &client, const QString &method, const data::ValueArray &args,
                 qint64 expected);

// Runs each side `rounds` times, alternating which goes first so that neither always finds
// the other's pages cached. Each side answers its time for the round (negative: it failed).
// The best time of each side; false as soon as a run fails.
bool bestOfAlternating(int rounds, const std::function<double(int round)> &server,
                       const std::function<double(int round)> &bare, double &bestServer,
                       double &bestBare);
// Times one call of each side in turn, the first side changing every round, so that a busy
// moment of the machine falls on every side alike: per side, its times in microseconds; empty
// as soon as a call fails.
std::vector<std::vector<double>> interleavedTimes(int rounds,
                                                  const std::vector<std::function<bool()>> &sides);
// Runs SQL on a raw connection, as a benchmark's bare baseline does; a failure is printed.
bool execSql(sqlite3 *db, const char *sql);

} // namespace vnd::server::bench
