#include "server/server.h"

#include "server/connection.h"
#include "server/log.h"
#include "server/methods.h"
#include "server/serverstate.h"
#include "server/sessiongate.h"
#include "server/sessionmethods.h"
#include "server/tlscontext.h"

#include <boost/asio/dispatch.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/beast/core/error.hpp>

#include <sys/resource.h>

#include <mutex>
#include <thread>
#include <vector>

namespace vnd::server
{

namespace asio = boost::asio;
namespace beast = boost::beast;
using tcp = asio::ip::tcp;

namespace
{

// Descriptors kept for the database files and the log beside the sockets.
constexpr int kSpareFiles = 64;

// The connection cap the descriptor limit allows, raising the soft limit toward the hard one
// first: past the limit, accepting fails instead of the cap choosing whom to turn away. An
// answer waiting for a slow client may take a second descriptor, for its file.
int connectionCap(int wanted)
{
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) != 0)
        return wanted;
    const rlim_t needed = 2 * rlim_t(wanted) + kSpareFiles;
    if (files.rlim_cur < needed) {
        files.rlim_cur = std::min(needed, files.rlim_max);
        setrlimit(RLIMIT_NOFILE, &files);
        getrlimit(RLIMIT_NOFILE, &files);
    }
    return int(std::min<rlim_t>(rlim_t(wanted), files.rlim_cur > 2 * kSpareFiles
                                                    ? files.rlim_cur - kSpareFiles
                                                    : kSpareFiles));
}

} // namespace

// The listener: accepts connections up to the cap and stops them all on stop().
struct Server::Impl {
    Impl(const Dispatcher &d, SessionGate *gate, const ServerOptions &o)
        : state(d, gate, o), acceptor(state.io), retry(state.io),
          stopStrand(state.io.get_executor()), stopTimer(stopStrand),
          cap(connectionCap(o.maxConnections))
    {
        // The stop's grace ends early once every connection has closed.
        state.lastClosed = [this] { asio::post(stopStrand, [this] { stopTimer.cancel(); }); };
    }

    void accept();
    void admit(tcp::socket socket);
    void stopAll();

    ServerState state;
    std::unique_ptr<asio::ssl::context> tls;
    tcp::acceptor acceptor;
    asio::steady_timer retry; // accepting again after running out of descriptors
    asio::strand<asio::io_context::executor_type> stopStrand;
    asio::steady_timer stopTimer;
    const int cap;
};

void Server::Impl::accept()
{
    acceptor.async_accept(asio::make_strand(state.io), [this](beast::error_code ec,
                                                              tcp::socket socket) {
        if (state.stopping || ec == asio::error::operation_aborted)
            return; // the acceptor was closed: stop() is under way
        if (!ec) {
            admit(std::move(socket));
            accept();
            return;
        }
        // Out of descriptors, most likely: serving goes on, and closing connections free some.
        logLine(
            QStringLiteral("aceitar conexão falhou: %1").arg(QString::fromStdString(ec.message())));
        retry.expires_after(std::chrono::milliseconds(50));
        retry.async_wait([this](beast::error_code e) {
            if (!e && !state.stopping)
                accept();
        });
    });
}

// At the cap the connection that has waited longest for a request gives way, so idle or
// trickling clients cannot keep a new one out; with every connection busy, the new one is
// turned away.
void Server::Impl::admit(tcp::socket socket)
{
    std::shared_ptr<Connection> connection, evicted;
    {
        std::lock_guard lock(state.connectionsLock);
        auto &connections = state.connections;
        if (int(connections.size()) >= cap) {
            qint64 oldest = 0;
            for (const auto &s : connections) {
                const qint64 since = s->idleSince;
                if (since != 0 && (oldest == 0 || since < oldest)) {
                    oldest = since;
                    evicted = s;
                }
            }
            if (evicted && evicted->idleSince.exchange(0) == 0)
                evicted.reset(); // it has just received a request
        }
        if (int(connections.size()) < cap || evicted) {
            // An answer's parts go out as written, not held back waiting for an ACK.
            beast::error_code ignored;
            socket.set_option(tcp::no_delay(true), ignored);
            if (state.tls)
                connection = std::make_shared<HttpConnection<TlsStream>>(state, std::move(socket),
                                                                         *state.tls);
            else
                connection =
                    std::make_shared<HttpConnection<PlainStream>>(state, std::move(socket));
            connections.insert(connection);
        }
    }
    if (evicted)
        evicted->stop();
    if (connection)
        connection->start();
    else
        socket.close();
}

// Idle connections close at once and answers under way may finish; after the grace, the
// connections still open (clients that stopped reading) are cut, so a stop is never held
// up by a client.
void Server::Impl::stopAll()
{
    state.stopping = true;
    asio::post(state.io, [this] {
        beast::error_code ignored;
        acceptor.close(ignored);
        std::vector<std::shared_ptr<Connection>> open;
        {
            std::lock_guard lock(state.connectionsLock);
            open.assign(state.connections.begin(), state.connections.end());
        }
        for (const auto &s : open)
            s->stop();
        if (open.empty())
            return;
        asio::post(stopStrand, [this] {
            {
                std::lock_guard lock(state.connectionsLock);
                if (state.connections.empty())
                    return;
            }
            stopTimer.expires_after(std::chrono::milliseconds(state.options.stopGraceMs));
            stopTimer.async_wait([this](beast::error_code ec) {
                if (ec)
                    return;
                std::vector<std::shared_ptr<Connection>> left;
                {
                    std::lock_guard lock(state.connectionsLock);
                    left.assign(state.connections.begin(), state.connections.end());
                }
                for (const auto &s : left)
                    s->cut();
            });
        });
    });
}

Server::Server(const Database &database, ServerOptions options)
    : m_database(database), m_options(std::move(options))
{
    if (!m_options.withoutSessionsForBenchmark)
        m_gate = std::make_unique<SessionGate>(m_database, m_options.sessions);
    addAllMethods(m_dispatcher, m_database);
    addSessionMethods(m_dispatcher, m_database, m_gate.get(), m_options.sessions);
    m_impl = std::make_unique<Impl>(m_dispatcher, m_gate.get(), m_options);
}

Server::~Server()
{
    stop();
    m_impl->state.readers.join();
    m_impl->state.writers.join();
    m_impl->state.signIns.join();
}

int Server::bind()
{
    if (!m_options.tlsCertFile.isEmpty() || !m_options.tlsKeyFile.isEmpty()) {
        m_impl->tls = makeServerTls(m_options.tlsCertFile, m_options.tlsKeyFile, m_error);
        if (!m_impl->tls)
            return -1;
        m_impl->state.tls = m_impl->tls.get();
    }
    m_error =
        QStringLiteral("não foi possível escutar em %1:%2").arg(m_options.host).arg(m_options.port);
    beast::error_code ec;
    // A name such as localhost listens on the first address it resolves to.
    tcp::resolver resolver(m_impl->state.io);
    const auto found =
        resolver.resolve(m_options.host.toStdString(), std::to_string(m_options.port),
                         tcp::resolver::passive | tcp::resolver::numeric_service, ec);
    if (ec || found.empty())
        return -1;
    const tcp::endpoint at = found.begin()->endpoint();
    auto &acceptor = m_impl->acceptor;
    acceptor.open(at.protocol(), ec);
    if (!ec)
        acceptor.set_option(asio::socket_base::reuse_address(true), ec);
    if (!ec)
        acceptor.bind(at, ec);
    if (!ec)
        acceptor.listen(asio::socket_base::max_listen_connections, ec);
    if (ec)
        return -1;
    m_port = acceptor.local_endpoint().port();
    m_error.clear();
    return m_port;
}

bool Server::run()
{
    if (m_stopRequested || m_port < 0)
        return true;
    m_impl->accept();
    std::vector<std::thread> extra;
    for (int i = 1; i < std::max(1, m_options.ioThreads); ++i)
        extra.emplace_back([this] { m_impl->state.io.run(); });
    if (m_stopRequested)
        m_impl->stopAll();
    m_impl->state.io.run(); // returns once the acceptor and every connection are closed
    for (auto &t : extra)
        t.join();
    return true;
}

void Server::stop()
{
    if (m_stopRequested.exchange(true))
        return;
    m_impl->stopAll();
}

} // namespace vnd::server
