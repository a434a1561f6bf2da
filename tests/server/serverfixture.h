#pragma once
// A real server on a loopback port over a fresh demo database, and a client that talks to
// it over HTTP with the shared codecs.

#include "server/database.h"
#include "server/server.h"
#include "testdatabase.h"
#include "wire/value.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace vnd::server::test
{

struct Answer {
    int status = 0;
    data::Reply reply;
    std::string retryAfter;
};

class ServerFixture : public ::testing::Test
{
public:
    void SetUp() override;
    void TearDown() override;

    // Calls carry the fixture's session (the demo manager's) unless another token is given.
    Answer call(const QString &method, const data::ValueArray &args,
                data::Encoding enc = data::Encoding::Cbor) const;
    Answer callAs(const std::string &token, const QString &method,
                  const data::ValueArray &args) const;
    // A raw POST: the body and headers exactly as given, with the session's Authorization.
    Answer post(const std::string &path, const std::string &body, const std::string &type,
                const std::string &extraHeader = {}) const;
    // A new session of the user, opened as a sign-in opens it after the password check (which
    // takes a good part of a second by design); its token.
    std::string openSession(const QString &login) const;
    const std::string &token() const { return m_token; }
    // The header line that carries the fixture's session, for requests written by hand.
    std::string bearer() const { return "Authorization: Bearer " + m_token + "\r\n"; }
    // The packet of a successful call; fails the test otherwise.
    data::DataPacket packet(const QString &method, const data::ValueArray &args) const;
    // A scalar query on the database behind the server.
    QVariant scalar(const QString &sql, const QVariantList &values = {}) const;

    // Runs SQL as it is (PostgreSQL cannot prepare DDL) on the database behind the server.
    void exec(const QString &sql) const;
    // `count` level-4 products 9000000001... with prices in table 001's period `start`, named
    // with quotes and more than ASCII; ordered after the demo's by tree code.
    void addPricedProducts(int count, QDate start) const;

    // The server's log lines so far: one per request, and the rows it could not send whole.
    QStringList log() const;

    int port() const { return m_port; }
    const Database &database() const { return *m_database; }
    QDate today() const { return m_today; }
    const QString &databaseUrl() const { return m_testDatabase->url(); }
    bool onPostgres() const { return m_database->dialect() == Dialect::Postgres; }

protected:
    // Set before SetUp: how long the server's writes wait for another writer before they fail
    // as busy, whether the server opens the database read-only, and its connection cap.
    int m_busyTimeoutMs = 10000;
    bool m_readOnlyServer = false;
    int m_maxConnections = 4096;
    SessionPolicy m_sessions;
    // The server's options (its port and connection cap come from the fixture).
    ServerOptions m_options = testOptions();

private:
    static ServerOptions testOptions()
    {
        ServerOptions o;
        o.threads = 8;
        o.maxBodyBytes = 1 << 20;
        return o;
    }

    std::unique_ptr<TestDatabase> m_testDatabase;
    mutable std::mutex m_logMutex;
    QStringList m_log;
    std::unique_ptr<Database> m_database;
    std::unique_ptr<Database> m_serverDatabase;
    std::unique_ptr<Server> m_server;
    std::thread m_thread;
    std::atomic<bool> m_finished{false};
    int m_port = 0;
    QDate m_today;
    std::string m_token;
};

// A call to a server on a loopback port, and a raw POST to one; with a token, it goes as the
// bearer of the Authorization header.
Answer callOn(int port, const QString &method, const data::ValueArray &args,
              data::Encoding enc = data::Encoding::Cbor, const std::string &token = {});
Answer postTo(int port, const std::string &path, const std::string &body, const std::string &type,
              const std::string &extraHeader = {}, const std::string &token = {});
// Signs in with the sign-in method; the answer's result is the token.
Answer signInOn(int port, const QString &login, const QString &password);
// The token of a successful sign-in answer; empty otherwise.
std::string tokenOf(const Answer &signIn);

// The demo's current period of a table (the one holding today).
QDate currentPeriodStart(const data::DataPacket &periods, QDate today);
// A change set over the packet's fields.
data::ChangeSet changeSetFor(const data::DataPacket &packet);
data::Change modify(const data::Row &oldRow, const data::Row &newRow);
data::Change insert(const data::Row &row);
data::Change remove(const data::Row &row);

} // namespace vnd::server::test
