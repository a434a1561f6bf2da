#pragma once
// The application server: HTTP transport in front of the remote data module's methods.
// POST /vnd42700.rdmTabGeral/<method> with {"args": [...]} in JSON or CBOR; the answer
// comes in the request's encoding.

#include "server/database.h"
#include "server/dispatcher.h"

#include <QString>

#include <atomic>
#include <cstddef>
#include <memory>

namespace httplib
{
class Server;
}

namespace vnd::server
{

struct ServerOptions {
    QString host = QStringLiteral("127.0.0.1");
    int port = 42700; // 0: any free port
    int threads = 8;
    std::size_t maxBodyBytes = 64u << 20;
    int readTimeoutSeconds = 30;
    int writeTimeoutSeconds = 60;
    int keepAliveSeconds = 30;
    bool logRequests = true;
};

class Server
{
public:
    Server(const Database &database, ServerOptions options);
    ~Server();
    Server(const Server &) = delete;
    Server &operator=(const Server &) = delete;

    // Binds the listening socket; returns the port, or -1 when it cannot bind.
    int bind();
    // Serves until stop(); requests under way finish first. Call after bind().
    bool run();
    // Safe from any thread. A stop that comes before run() started serving makes run()
    // return at once (or, in a narrow race, is missed: callers repeat it until run returns).
    void stop();

    int port() const { return m_port; }
    const Dispatcher &dispatcher() const { return m_dispatcher; }

private:
    void install();

    const Database &m_database;
    ServerOptions m_options;
    Dispatcher m_dispatcher;
    std::unique_ptr<httplib::Server> m_http;
    int m_port = -1;
    std::atomic<bool> m_stopRequested{false};
};

} // namespace vnd::server
