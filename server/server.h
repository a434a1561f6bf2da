#pragma once
// The application server: HTTP transport in front of the remote data module's methods, on
// a fixed number of I/O threads (asynchronous sockets) and a separate pool of database
// workers, with bounded heads and bodies, deadlines on every read and write, a cap on open
// connections, "Connection: close" after every refusal and a graceful stop.
// POST /vnd42700.rdmTabGeral/<method> with {"args": [...]} in JSON or CBOR; the answer
// comes in the request's encoding.

#include "server/answerspool.h"
#include "server/database.h"
#include "server/dispatcher.h"
#include "server/sessionstore.h"

#include <QString>

#include <atomic>
#include <cstddef>
#include <memory>

namespace vnd::server
{

struct ServerOptions {
    QString host = QStringLiteral("127.0.0.1");
    int port = 42700; // 0: any free port
    int threads = 8;  // database workers for reads
    // Writes, apart: a writer waiting for the lock holds no reader. One, as writers take turns
    // on one lock anyway: a second only polled for it, and each SQLite connection read again
    // every page the other had just written.
    int writeThreads = 1;
    // Sign-ins, apart from the writer: their password checks (a tenth of a second and 64 MiB
    // each) would hold every write up; at most this many at once.
    int signInThreads = 2;
    int ioThreads = 2; // sockets: idle or slow clients cost one of these nothing
    std::size_t maxBodyBytes = 64u << 20;
    // Values a body may decode into: a value costs 32 bytes or more, a byte of CBOR may be
    // one. Eight times the largest real call (a list of 100,000 products, 500,000 values).
    qint64 maxBodyValues = 4'000'000;
    int readTimeoutSeconds = 10; // a request's head; a body's bytes may not pause longer
    // An answer whose client takes no byte for this long is cut; one that keeps reading,
    // however slowly, gets all of it.
    int stallSeconds = 60;
    int keepAliveSeconds = 15; // idle between requests
    int stopGraceMs = 1000;    // after a stop, answers still going out are cut after this
    SpillLimits spill;         // streamed answers waiting for slow clients
    int maxConnections = 4096;
    int maxQueuedCalls = 256; // reads (and writes) waiting for a worker; more are answered 503
    bool logRequests = true;
    SessionPolicy sessions;
    // Both set: TLS on every connection (PEM files: the certificate chain, its private key).
    QString tlsCertFile, tlsKeyFile;
    // Every call let in without a session: only for benchmarks that measure what the
    // sessions cost. Never set by the program.
    bool withoutSessionsForBenchmark = false;
};

class SessionGate;

class Server
{
public:
    Server(const Database &database, ServerOptions options);
    ~Server();
    Server(const Server &) = delete;
    Server &operator=(const Server &) = delete;

    // Binds the listening socket; returns the port, or -1 when it cannot (error() says why).
    int bind();
    QString error() const { return m_error; }
    // Serves until stop(); requests under way finish first. Call after bind().
    bool run();
    // Safe from any thread. A stop that comes before run() started serving makes run()
    // return at once (or, in a narrow race, is missed: callers repeat it until run returns).
    void stop();

    int port() const { return m_port; }
    const Dispatcher &dispatcher() const { return m_dispatcher; }

private:
    struct Impl;

    const Database &m_database;
    ServerOptions m_options;
    Dispatcher m_dispatcher;
    std::unique_ptr<SessionGate> m_gate;
    std::unique_ptr<Impl> m_impl;
    int m_port = -1;
    QString m_error;
    std::atomic<bool> m_stopRequested{false};
};

} // namespace vnd::server
