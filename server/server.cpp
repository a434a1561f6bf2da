#include "server/server.h"

#include "server/log.h"
#include "server/methods.h"
#include "server/requesthandler.h"
#include "server/sessiongate.h"
#include "server/sessionmethods.h"

#include <boost/asio/dispatch.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <QElapsedTimer>

#include <sys/resource.h>

#include <future>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <vector>

namespace vnd::server
{

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace
{

constexpr std::string_view kModule = "/vnd42700.rdmtabgeral/";

// The method named by the path, matched without regard to case; empty when the path is
// not one of ours.
QString methodOf(std::string_view target)
{
    if (target.size() <= kModule.size() || target.size() > kModule.size() + 100)
        return {};
    for (size_t i = 0; i < kModule.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(target[i])) != kModule[i])
            return {};
    const std::string_view name = target.substr(kModule.size());
    if (name.find('/') != std::string_view::npos || name.find('?') != std::string_view::npos)
        return {};
    return QString::fromUtf8(name.data(), qsizetype(name.size()));
}

void logAnswer(const QString &method, qint64 ms, const HttpAnswer &a)
{
    QString line = QStringLiteral("%1 %2 ms %3").arg(method.left(60)).arg(ms).arg(a.outcome);
    if (!a.detail.isEmpty())
        line += QStringLiteral(": ") + a.detail.left(500);
    logLine(line);
}

// Descriptors kept for the database files and the log beside the sockets.
constexpr int kSpareFiles = 64;

// The connection cap the descriptor limit allows, raising the soft limit toward the hard one
// first: past the limit, accepting fails instead of the cap choosing whom to turn away.
int connectionCap(int wanted)
{
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) != 0)
        return wanted;
    const rlim_t needed = rlim_t(wanted) + kSpareFiles;
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

// Shared state of the listening server: the I/O threads' context, the database workers,
// the open connections (for the cap and for a graceful stop).
struct Server::Impl {
    class Session;

    Impl(const Dispatcher &d, SessionGate *g, const ServerOptions &o)
        : dispatcher(d), gate(g), options(o), io(std::max(1, o.ioThreads)), acceptor(io), retry(io),
          readers(size_t(std::max(1, o.threads))), writers(size_t(std::max(1, o.writeThreads))),
          cap(connectionCap(o.maxConnections))
    {
    }

    void accept();
    void admit(tcp::socket socket);
    void stopAll();

    const Dispatcher &dispatcher;
    SessionGate *gate; // none: every call let in
    const ServerOptions &options;
    asio::io_context io;
    tcp::acceptor acceptor;
    asio::steady_timer retry; // accepting again after running out of descriptors
    asio::thread_pool readers, writers;
    const int cap;
    // Calls waiting for or holding a worker, per pool.
    std::atomic<int> queuedReads{0}, queuedWrites{0};
    std::atomic<bool> stopping{false};
    std::mutex sessionsLock;
    std::set<std::shared_ptr<Session>> sessions;
};

// One connection: reads a request's head, refuses what it must before reading any body,
// reads the body, runs the call on a database worker and writes the answer; then the next
// request (pipelined ones in order) or, after any refusal, closes.
class Server::Impl::Session : public std::enable_shared_from_this<Session>
{
public:
    Session(Impl &server, tcp::socket socket) : m_server(server), m_stream(std::move(socket)) {}

    void start()
    {
        asio::dispatch(m_stream.get_executor(), [self = shared_from_this()] { self->readHead(); });
    }

    // When it last started waiting for a request; 0 while one is under way or once it was
    // chosen to give way. Read by the accepting thread without the session's strand.
    std::atomic<qint64> idleSince{0};

    // From another thread: an idle connection closes now; one under way finishes.
    void stop()
    {
        asio::post(m_stream.get_executor(), [self = shared_from_this()] {
            if (!self->m_busy)
                self->close();
        });
    }

private:
    void readHead()
    {
        if (m_server.stopping) {
            close();
            return;
        }
        idleSince = std::chrono::steady_clock::now().time_since_epoch().count();
        m_parser.emplace();
        m_parser->header_limit(8 * 1024);
        m_parser->body_limit(m_server.options.maxBodyBytes);
        // Idle keep-alive and a request's head share one deadline: a slow or silent client
        // costs a socket until then, never a thread.
        m_stream.expires_after(std::chrono::seconds(m_first ? m_server.options.readTimeoutSeconds
                                                            : m_server.options.keepAliveSeconds));
        m_first = false;
        http::async_read_header(
            m_stream, m_buffer, *m_parser,
            [self = shared_from_this()](beast::error_code ec, size_t) { self->onHead(ec); });
    }

    void onHead(beast::error_code ec)
    {
        idleSince = 0;
        if (ec) {
            if (ec == http::error::body_limit)
                refuse(413, QStringLiteral("too_large"),
                       QStringLiteral("Requisição excede o tamanho máximo permitido."), {});
            else if (ec == http::error::header_limit)
                refuse(431, QStringLiteral("bad_request"),
                       QStringLiteral("Cabeçalho da requisição grande demais."), {});
            else if (ec != http::error::end_of_stream && ec != beast::error::timeout &&
                     ec != asio::error::operation_aborted && ec != asio::error::eof)
                refuse(400, QStringLiteral("bad_request"), QStringLiteral("Requisição inválida."),
                       {});
            else
                close();
            return;
        }
        m_busy = true;
        m_timer.start();
        const auto &req = m_parser->get();
        const std::string type(req[http::field::content_type]);
        m_method = methodOf(req.target());
        if (req.method() != http::verb::post || m_method.isEmpty()) {
            refuse(404, QStringLiteral("not_found"), QStringLiteral("Método não encontrado."),
                   type);
            return;
        }
        if (req.find(http::field::transfer_encoding) != req.end() ||
            req.find(http::field::content_length) == req.end()) {
            refuse(411, QStringLiteral("length_required"),
                   QStringLiteral("Requisição sem Content-Length não é aceita."), type);
            return;
        }
        if (req.find(http::field::content_encoding) != req.end()) {
            refuse(415, QStringLiteral("unsupported"),
                   QStringLiteral("Conteúdo comprimido não é aceito."), type);
            return;
        }
        const auto length = m_parser->content_length();
        if (length && *length > m_server.options.maxBodyBytes) {
            refuse(413, QStringLiteral("too_large"),
                   QStringLiteral("Requisição excede o tamanho máximo permitido."), type);
            return;
        }
        m_stream.expires_after(std::chrono::seconds(m_server.options.readTimeoutSeconds));
        http::async_read(
            m_stream, m_buffer, *m_parser,
            [self = shared_from_this()](beast::error_code ec, size_t) { self->onBody(ec); });
    }

    void onBody(beast::error_code ec)
    {
        const std::string type(m_parser->get()[http::field::content_type]);
        if (ec == http::error::body_limit) {
            refuse(413, QStringLiteral("too_large"),
                   QStringLiteral("Requisição excede o tamanho máximo permitido."), type);
            return;
        }
        if (ec) {
            // A Content-Length Beast cannot read ("12abc") lands here as well.
            refuse(400, QStringLiteral("bad_request"), QStringLiteral("Requisição inválida."),
                   type);
            return;
        }
        // Database work never runs on an I/O thread; a full queue is answered at once.
        const bool read = readsOnly(m_method);
        std::atomic<int> &queued = read ? m_server.queuedReads : m_server.queuedWrites;
        if (queued.fetch_add(1) >= m_server.options.maxQueuedCalls) {
            queued.fetch_sub(1);
            HttpAnswer busy = failureAnswer(
                503, QStringLiteral("busy"),
                QStringLiteral("Servidor ocupado; tente novamente em instantes."), type);
            busy.retryLater = true;
            respond(std::move(busy), false);
            return;
        }
        auto body = std::make_shared<QByteArray>(QByteArray::fromStdString(m_parser->get().body()));
        auto caller = std::make_shared<Caller>(
            Caller{std::string(m_parser->get()[http::field::authorization]), address()});
        // Keeps the I/O loop running while the call is away on a worker.
        auto guard = asio::make_work_guard(m_server.io);
        auto &pool = read ? m_server.readers : m_server.writers;
        asio::post(pool, [self = shared_from_this(), body, caller, type, guard, &queued] {
            HttpAnswer a = handleCall(self->m_server.dispatcher, self->m_server.gate, *caller,
                                      self->m_method, type, *body);
            if (a.stream) {
                self->streamAnswer(std::move(a));
                queued.fetch_sub(1);
                return;
            }
            queued.fetch_sub(1);
            asio::post(self->m_stream.get_executor(), [self, a = std::move(a)]() mutable {
                const bool ok = a.status == 200;
                self->respond(std::move(a), ok);
            });
        });
    }

    // On the worker that read the answer's first part: sends it chunked, reading each next
    // part while the one before is on the wire, so that memory holds two parts at most. A
    // failure after the head went out cannot change the status: the connection closes
    // without the last chunk, and the client sees a broken answer, never a short one.
    void streamAnswer(HttpAnswer a)
    {
        std::unique_ptr<PacketStream> stream = std::move(a.stream);
        QByteArray current = std::move(a.body);
        QByteArray next;
        next.reserve(kAnswerPartBytes + 16 * 1024); // a part ends past the size by one row
        std::future<bool> sent = sendHead(a, current);
        bool complete = false;
        QString failure;
        for (;;) {
            next.truncate(0); // keeps its room
            try {
                complete = stream->fill(next, kAnswerPartBytes);
            } catch (const std::exception &e) {
                failure = QString::fromUtf8(e.what());
            }
            if (!sent.get() || !failure.isEmpty())
                break;
            std::swap(current, next);
            if (complete)
                log(a);
            sent = sendPart(current, complete);
            if (complete) {
                complete = sent.get();
                break;
            }
        }
        stream.reset(); // the statement is this thread's: given back here
        if (!complete) {
            a.outcome = QStringLiteral("200 interrompida");
            a.detail =
                failure.isEmpty() ? QStringLiteral("a resposta não chegou ao cliente") : failure;
            log(a);
        }
        asio::post(m_stream.get_executor(), [self = shared_from_this(), complete] {
            self->finish(complete && self->m_keepAlive);
        });
    }

    // From the worker; the future tells whether the bytes went out.
    std::future<bool> sendHead(const HttpAnswer &a, const QByteArray &part)
    {
        auto done = std::make_shared<std::promise<bool>>();
        auto result = done->get_future();
        asio::post(m_stream.get_executor(), [self = shared_from_this(), &a, &part, done] {
            struct Head {
                http::response<http::empty_body> res;
                http::response_serializer<http::empty_body> sr{res};
            };
            auto head = std::make_shared<Head>();
            self->m_keepAlive = !self->m_server.stopping && self->m_parser->get().keep_alive();
            head->res.result(http::status(a.status));
            head->res.version(11);
            head->res.set(http::field::server, "vnd42700-server");
            head->res.set(http::field::content_type, a.contentType);
            head->res.keep_alive(self->m_keepAlive);
            head->res.chunked(true);
            self->m_stream.expires_after(
                std::chrono::seconds(self->m_server.options.writeTimeoutSeconds));
            http::async_write_header(self->m_stream, head->sr,
                                     [self, head, &part, done](beast::error_code ec, size_t) {
                                         if (ec) {
                                             done->set_value(false);
                                             return;
                                         }
                                         self->writeChunk(part, false, done);
                                     });
        });
        return result;
    }

    std::future<bool> sendPart(const QByteArray &part, bool last)
    {
        auto done = std::make_shared<std::promise<bool>>();
        auto result = done->get_future();
        asio::post(m_stream.get_executor(), [self = shared_from_this(), &part, last, done] {
            self->writeChunk(part, last, done);
        });
        return result;
    }

    void writeChunk(const QByteArray &part, bool last, std::shared_ptr<std::promise<bool>> done)
    {
        m_stream.expires_after(std::chrono::seconds(m_server.options.writeTimeoutSeconds));
        const auto end = [self = shared_from_this(), last, done](beast::error_code ec, size_t) {
            if (ec || !last) {
                done->set_value(!ec);
                return;
            }
            asio::async_write(self->m_stream, http::make_chunk_last(),
                              [done](beast::error_code ec, size_t) { done->set_value(!ec); });
        };
        if (part.isEmpty())
            return end({}, 0);
        asio::async_write(
            m_stream, http::make_chunk(asio::const_buffer(part.constData(), size_t(part.size()))),
            end);
    }

    // The client's address for the log; with the one a proxy says it forwarded, when it does.
    QString address() const
    {
        beast::error_code ec;
        const auto peer = m_stream.socket().remote_endpoint(ec);
        QString text =
            ec ? QStringLiteral("?") : QString::fromStdString(peer.address().to_string());
        const auto forwarded = m_parser->get().find("X-Forwarded-For");
        if (forwarded != m_parser->get().end())
            text += QStringLiteral(" (por %1)")
                        .arg(QString::fromUtf8(
                            forwarded->value().data(),
                            qsizetype(std::min<size_t>(forwarded->value().size(), 100))));
        return text;
    }

    // Before reading any body: the unread bytes may never be taken for another request,
    // so the connection closes after the answer.
    void refuse(int status, const QString &code, const QString &message, const std::string &type)
    {
        if (!m_timer.isValid())
            m_timer.start();
        if (m_method.isEmpty())
            m_method = QStringLiteral("-");
        respond(failureAnswer(status, code, message, type), false);
    }

    void respond(HttpAnswer a, bool keepAlive)
    {
        keepAlive = keepAlive && !m_server.stopping && m_parser && m_parser->get().keep_alive();
        auto res = std::make_shared<http::response<http::string_body>>(http::status(a.status), 11);
        res->set(http::field::server, "vnd42700-server");
        res->set(http::field::content_type, a.contentType);
        if (a.retryLater)
            res->set(http::field::retry_after, "2");
        res->body().assign(a.body.constData(), size_t(a.body.size()));
        res->keep_alive(keepAlive);
        res->prepare_payload();
        log(a);
        m_stream.expires_after(std::chrono::seconds(m_server.options.writeTimeoutSeconds));
        http::async_write(m_stream, *res,
                          [self = shared_from_this(), res, keepAlive](
                              beast::error_code ec, size_t) { self->finish(!ec && keepAlive); });
    }

    // Before the answer's last bytes go out, so that a client that has it finds it logged.
    void log(const HttpAnswer &a) const
    {
        if (m_server.options.logRequests)
            logAnswer(m_method, m_timer.isValid() ? m_timer.elapsed() : 0, a);
    }

    // The answer went out (or could not): the next request, or the close.
    void finish(bool keepAlive)
    {
        m_busy = false;
        m_timer.invalidate();
        m_method.clear();
        if (keepAlive)
            readHead();
        else
            close();
    }

    void close()
    {
        if (m_closed)
            return;
        m_closed = true;
        beast::error_code ignored;
        m_stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
        m_stream.close();
        std::lock_guard lock(m_server.sessionsLock);
        m_server.sessions.erase(shared_from_this());
    }

    Impl &m_server;
    beast::tcp_stream m_stream;
    beast::flat_buffer m_buffer{16 * 1024};
    std::optional<http::request_parser<http::string_body>> m_parser;
    QString m_method;
    QElapsedTimer m_timer;
    bool m_first = true;
    bool m_busy = false;
    bool m_keepAlive = false; // of the answer being streamed
    bool m_closed = false;
};

void Server::Impl::accept()
{
    acceptor.async_accept(asio::make_strand(io), [this](beast::error_code ec, tcp::socket socket) {
        if (stopping || ec == asio::error::operation_aborted)
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
            if (!e && !stopping)
                accept();
        });
    });
}

// At the cap the connection that has waited longest for a request gives way, so idle or
// trickling clients cannot keep a new one out; with every connection busy, the new one is
// turned away.
void Server::Impl::admit(tcp::socket socket)
{
    std::shared_ptr<Session> session, evicted;
    {
        std::lock_guard lock(sessionsLock);
        if (int(sessions.size()) >= cap) {
            qint64 oldest = 0;
            for (const auto &s : sessions) {
                const qint64 since = s->idleSince;
                if (since != 0 && (oldest == 0 || since < oldest)) {
                    oldest = since;
                    evicted = s;
                }
            }
            if (evicted && evicted->idleSince.exchange(0) == 0)
                evicted.reset(); // it has just received a request
        }
        if (int(sessions.size()) < cap || evicted) {
            // An answer's parts go out as written, not held back waiting for an ACK.
            beast::error_code ignored;
            socket.set_option(tcp::no_delay(true), ignored);
            session = std::make_shared<Session>(*this, std::move(socket));
            sessions.insert(session);
        }
    }
    if (evicted)
        evicted->stop();
    if (session)
        session->start();
    else
        socket.close();
}

void Server::Impl::stopAll()
{
    stopping = true;
    asio::post(io, [this] {
        beast::error_code ignored;
        acceptor.close(ignored);
        std::vector<std::shared_ptr<Session>> open;
        {
            std::lock_guard lock(sessionsLock);
            open.assign(sessions.begin(), sessions.end());
        }
        for (const auto &s : open)
            s->stop();
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
    m_impl->readers.join();
    m_impl->writers.join();
}

int Server::bind()
{
    beast::error_code ec;
    const auto address = asio::ip::make_address(m_options.host.toStdString(), ec);
    if (ec)
        return -1;
    const tcp::endpoint at(address, quint16(m_options.port));
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
    return m_port;
}

bool Server::run()
{
    if (m_stopRequested || m_port < 0)
        return true;
    m_impl->accept();
    std::vector<std::thread> extra;
    for (int i = 1; i < std::max(1, m_options.ioThreads); ++i)
        extra.emplace_back([this] { m_impl->io.run(); });
    if (m_stopRequested)
        m_impl->stopAll();
    m_impl->io.run(); // returns once the acceptor and every connection are closed
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
