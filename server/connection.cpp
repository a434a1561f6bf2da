#include "server/connection.h"

#include "server/answerspool.h"
#include "server/log.h"
#include "server/serverstate.h"
#include "wire/roles.h"

#include <boost/asio/dispatch.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/ssl/error.hpp>
#include <boost/asio/ssl/stream_base.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/buffers_range.hpp>
#include <boost/beast/core/string.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/http/write.hpp>

#include <QLocale>

#include <sstream>

namespace vnd::server
{

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace
{

constexpr std::string_view kModule = "/vnd42700.rdmtabgeral/";

// The method named by the target, matched without regard to case; empty when the target is
// not one of ours. An absolute-form target ("http://host:port/path") names its path.
QString methodOf(std::string_view target)
{
    for (std::string_view scheme : {"http://", "https://"}) {
        if (target.size() > scheme.size() &&
            beast::iequals(target.substr(0, scheme.size()), scheme)) {
            const size_t path = target.find('/', scheme.size());
            target = path == std::string_view::npos ? std::string_view("/") : target.substr(path);
            break;
        }
    }
    if (target.size() <= kModule.size() || target.size() > kModule.size() + 100 ||
        !beast::iequals(target.substr(0, kModule.size()), kModule))
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

// An HTTP/1.0 client keeps its connection only when the answer says so.
template <class Message> void keepAlive(Message &m, bool keep, bool http10)
{
    m.keep_alive(keep);
    if (keep && http10)
        m.set(http::field::connection, "keep-alive");
}

const QString kTooLarge = QStringLiteral("Requisição excede o tamanho máximo permitido.");

} // namespace

template <class Stream> void HttpConnection<Stream>::start()
{
    if constexpr (kTls) {
        asio::dispatch(m_stream.get_executor(), [self = self()] {
            self->tcp().expires_after(
                std::chrono::seconds(self->m_server.options.readTimeoutSeconds));
            self->m_stream.async_handshake(
                asio::ssl::stream_base::server, [self](beast::error_code ec) {
                    if (!ec) {
                        self->m_secured = true;
                        self->readHead();
                        return;
                    }
                    // A plain HTTP client, or one that refused the certificate: the operator hears
                    // of it.
                    // One that only connected and left (a health probe) is not worth one.
                    if (ec != beast::error::timeout && ec != asio::error::operation_aborted &&
                        ec != asio::ssl::error::stream_truncated && ec != asio::error::eof)
                        logLine(QStringLiteral("TLS recusado com %1: %2")
                                    .arg(self->address(),
                                         QString::fromStdString(ec.message()).left(200)));
                    self->close();
                });
        });
    } else {
        asio::dispatch(m_stream.get_executor(), [self = self()] { self->readHead(); });
    }
}

template <class Stream> void HttpConnection<Stream>::stop()
{
    asio::post(m_stream.get_executor(), [self = self()] {
        if (!self->m_busy)
            self->close();
    });
}

template <class Stream> void HttpConnection<Stream>::cut()
{
    asio::post(m_stream.get_executor(), [self = self()] {
        if (self->m_closed)
            self->tcp().close(); // a TLS close under way ends at once
        else
            self->close();
    });
}

template <class Stream> void HttpConnection<Stream>::readHead()
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
    tcp().expires_after(std::chrono::seconds(m_first ? m_server.options.readTimeoutSeconds
                                                     : m_server.options.keepAliveSeconds));
    m_first = false;
    http::async_read_header(m_stream, m_buffer, *m_parser,
                            [self = self()](beast::error_code ec, size_t) { self->onHead(ec); });
}

template <class Stream> void HttpConnection<Stream>::onHead(beast::error_code ec)
{
    idleSince = 0;
    if (ec) {
        if (ec == http::error::body_limit)
            refuse(413, QStringLiteral("too_large"), kTooLarge, {});
        else if (ec == http::error::header_limit)
            refuse(431, QStringLiteral("bad_request"),
                   QStringLiteral("Cabeçalho da requisição grande demais."), {});
        // A TLS client may hang up without saying so, as a plain one does.
        else if (ec != http::error::end_of_stream && ec != beast::error::timeout &&
                 ec != asio::error::operation_aborted && ec != asio::error::eof &&
                 ec != asio::ssl::error::stream_truncated)
            refuse(400, QStringLiteral("bad_request"), QStringLiteral("Requisição inválida."), {});
        else
            close();
        return;
    }
    m_busy = true;
    m_timer.start();
    const auto &req = m_parser->get();
    m_http10 = req.version() < 11;
    m_headRequest = req.method() == http::verb::head;
    const std::string type(req[http::field::content_type]);
    m_method = methodOf(req.target());
    if (m_method.isEmpty() ||
        (req.method() != http::verb::post && !m_server.dispatcher.has(m_method))) {
        refuse(404, QStringLiteral("not_found"), QStringLiteral("Método não encontrado."), type);
        return;
    }
    if (req.method() != http::verb::post) {
        refuse(405, QStringLiteral("method_not_allowed"),
               QStringLiteral("Use POST para chamar os métodos do servidor."), type, "POST");
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
        refuse(413, QStringLiteral("too_large"), kTooLarge, type);
        return;
    }
    data::Encoding enc;
    if (encodingOf(type, enc))
        m_parser->get().body().counter.emplace(enc, m_server.options.maxBodyValues);
    // The client waits for a word before sending the body; one refused above never sends it.
    if (!m_http10 && beast::iequals(req[http::field::expect], "100-continue")) {
        static constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";
        tcp().expires_after(std::chrono::seconds(m_server.options.stallSeconds));
        asio::async_write(m_stream, asio::buffer(kContinue.data(), kContinue.size()),
                          [self = self()](beast::error_code ec, size_t) {
                              if (ec)
                                  self->close();
                              else
                                  self->readBody();
                          });
        return;
    }
    readBody();
}

// Part by part, each with its own deadline: a slow upload that keeps coming is read whole.
template <class Stream> void HttpConnection<Stream>::readBody()
{
    if (m_parser->is_done()) {
        onBody({});
        return;
    }
    tcp().expires_after(std::chrono::seconds(m_server.options.readTimeoutSeconds));
    http::async_read_some(m_stream, m_buffer, *m_parser,
                          [self = self()](beast::error_code ec, size_t) {
                              if (ec)
                                  self->onBody(ec);
                              else
                                  self->readBody();
                          });
}

template <class Stream> void HttpConnection<Stream>::onBody(beast::error_code ec)
{
    const std::string type(m_parser->get()[http::field::content_type]);
    if (ec == http::error::body_limit) {
        refuse(413, QStringLiteral("too_large"), kTooLarge, type);
        return;
    }
    if (ec == RequestBody::tooManyValues()) {
        refuse(413, QStringLiteral("too_large"),
               QStringLiteral("Requisição com valores demais: o máximo é %1.")
                   .arg(QLocale(QLocale::Portuguese, QLocale::Brazil)
                            .toString(m_server.options.maxBodyValues)),
               type);
        return;
    }
    if (ec) {
        // A Content-Length Beast cannot read ("12abc") lands here as well.
        refuse(400, QStringLiteral("bad_request"), QStringLiteral("Requisição inválida."), type);
        return;
    }
    call(type);
}

template <class Stream> void HttpConnection<Stream>::call(const std::string &type)
{
    // Database work never runs on an I/O thread; a full queue is answered at once.
    const bool read = readsOnly(m_method);
    std::atomic<int> &queued = read ? m_server.queuedReads : m_server.queuedWrites;
    if (queued.fetch_add(1) >= m_server.options.maxQueuedCalls) {
        queued.fetch_sub(1);
        respond(failureAnswer(503, QStringLiteral("busy"),
                              QStringLiteral("Servidor ocupado; tente novamente em instantes."),
                              type),
                false);
        return;
    }
    auto body = std::make_shared<QByteArray>(std::move(m_parser->get().body().bytes));
    auto caller = std::make_shared<Caller>(
        Caller{std::string(m_parser->get()[http::field::authorization]), address()});
    // Keeps the I/O loop running while the call is away on a worker.
    auto guard = asio::make_work_guard(m_server.io);
    auto &pool = read                                           ? m_server.readers
                 : m_method == QStringView(data::kSignInMethod) ? m_server.signIns
                                                                : m_server.writers;
    const auto arrived = std::chrono::steady_clock::now(); // a write's wait counts from here
    asio::post(pool, [self = self(), body, caller, type, guard, &queued, read, arrived] {
        // A read for a client that has gone is not worth a worker; a write still runs.
        if (read && self->m_gone) {
            queued.fetch_sub(1);
            return;
        }
        HttpAnswer a = handleCall(self->m_server.dispatcher, self->m_server.gate, *caller,
                                  self->m_method, type, *body, arrived);
        body->clear();
        if (a.stream && self->m_server.spill.full()) {
            a = failureAnswer(
                503, QStringLiteral("busy"),
                QStringLiteral("Servidor ocupado com respostas grandes; tente novamente em "
                               "instantes."),
                type);
            a.detail = QStringLiteral("respostas à espera de clientes lentos ocupam %1 MB no disco")
                           .arg(self->m_server.spill.diskInUse() >> 20);
        }
        if (a.stream) {
            self->produce(std::move(a));
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

// On the worker that read the answer's first part: reads the rest into the spool at the
// database's pace, while the connection sends it at the client's, and gives the statement
// back (on this thread, whose it is) as soon as the rows are read.
template <class Stream> void HttpConnection<Stream>::produce(HttpAnswer a)
{
    std::unique_ptr<PacketStream> stream = std::move(a.stream);
    QByteArray first = std::move(a.body);
    auto spool = std::make_shared<AnswerSpool>(m_server.spill);
    asio::post(m_stream.get_executor(), [self = self(), spool, a = std::move(a)]() mutable {
        self->beginStream(spool, std::move(a));
    });
    try {
        if (!spool->append(std::move(first)))
            return;
        for (bool complete = false; !complete;) {
            QByteArray part;
            part.reserve(kAnswerPartBytes + 16 * 1024); // a part ends past the size by one row
            complete = stream->fill(part, kAnswerPartBytes);
            if (!spool->append(std::move(part)))
                break; // the client has gone
        }
        spool->finish();
    } catch (const std::exception &e) {
        spool->fail(QString::fromUtf8(e.what()));
    }
}

template <class Stream>
void HttpConnection<Stream>::beginStream(std::shared_ptr<AnswerSpool> spool, HttpAnswer a)
{
    if (m_closed) {
        spool->cancel();
        return;
    }
    m_spool = std::move(spool);
    m_answer = std::move(a);
    m_keepAlive = !m_server.stopping && m_parser->get().keep_alive();
    m_logged = false;
    m_last = false;
    m_headSent = false;
    m_chunked = !m_http10;
    if (m_chunked) {
        m_prefix = head(-1);
        pump();
    } else {
        awaitWhole();
    }
}

// HTTP/1.0 cannot read chunks: the answer goes with its length once the worker has read it.
template <class Stream> void HttpConnection<Stream>::awaitWhole()
{
    if (m_closed)
        return;
    switch (m_spool->ended(wakeTo(&HttpConnection::awaitWhole))) {
    case AnswerSpool::State::Waiting:
        return;
    case AnswerSpool::State::Failed:
        failBeforeHead();
        return;
    default:
        log(m_answer);
        m_logged = true;
        m_prefix = head(m_spool->total());
        pump();
    }
}

template <class Stream> void HttpConnection<Stream>::pump()
{
    if (m_closed)
        return;
    QByteArray data;
    switch (m_spool->take(data, kAnswerPartBytes, wakeTo(&HttpConnection::pump))) {
    case AnswerSpool::State::Waiting:
        return;
    case AnswerSpool::State::Data:
        writeOut(std::move(data), false);
        return;
    case AnswerSpool::State::Done:
        // Logged before the last bytes go out, so that a client that has them finds the line.
        if (!m_logged)
            log(m_answer);
        m_logged = true;
        writeOut({}, true);
        return;
    case AnswerSpool::State::Failed:
        if (!m_headSent) {
            failBeforeHead();
            return;
        }
        // The status went out already: the client sees a cut answer, never a short one.
        m_answer.outcome = QStringLiteral("200 interrompida");
        m_answer.detail = m_spool->failure();
        log(m_answer);
        close();
        return;
    }
}

// Nothing went out yet: an ordinary failure answer.
template <class Stream> void HttpConnection<Stream>::failBeforeHead()
{
    HttpAnswer failed =
        failureAnswer(500, QStringLiteral("internal"), QStringLiteral("Erro interno do servidor."),
                      m_answer.contentType);
    failed.detail = m_spool->failure();
    m_spool.reset();
    respond(std::move(failed), false);
}

template <class Stream> void HttpConnection<Stream>::writeOut(QByteArray data, bool last)
{
    m_headSent = true;
    m_data = std::move(data);
    m_last = last;
    if (m_chunked && !m_data.isEmpty())
        m_prefix += QByteArray::number(m_data.size(), 16).toStdString() + "\r\n";
    if (m_chunked && last)
        m_prefix += "0\r\n\r\n";
    const std::string_view tail = m_chunked && !m_data.isEmpty() ? "\r\n" : "";
    m_out = OutBuffers({asio::const_buffer(m_prefix.data(), m_prefix.size()),
                        asio::const_buffer(m_data.constData(), size_t(m_data.size())),
                        asio::const_buffer(tail.data(), tail.size())});
    writeSome();
}

// A piece at a time, each with its own deadline: a client is cut when it takes nothing for
// the stall time, however long the whole answer takes.
template <class Stream> void HttpConnection<Stream>::writeSome()
{
    if (beast::buffer_bytes(m_out) == 0) {
        m_prefix.clear();
        m_data.clear();
        if (m_last)
            endStream(true);
        else
            pump();
        return;
    }
    tcp().expires_after(std::chrono::seconds(m_server.options.stallSeconds));
    m_stream.async_write_some(m_out, [self = self()](beast::error_code ec, size_t n) {
        if (ec) {
            self->endStream(false);
            return;
        }
        self->m_out.consume(n);
        self->writeSome();
    });
}

template <class Stream> void HttpConnection<Stream>::endStream(bool sent)
{
    m_spool.reset();
    if (!sent) {
        m_answer.outcome = QStringLiteral("200 interrompida");
        m_answer.detail = QStringLiteral("a resposta não chegou ao cliente");
        log(m_answer);
    }
    finish(sent && m_keepAlive);
}

template <class Stream>
std::function<void()> HttpConnection<Stream>::wakeTo(void (HttpConnection::*step)())
{
    return [weak = weak_from_this(), step] {
        if (auto self = std::static_pointer_cast<HttpConnection>(weak.lock()))
            asio::post(self->m_stream.get_executor(), [self, step] { (self.get()->*step)(); });
    };
}

// The head of a streamed answer: chunked, or with its length (-1: chunked).
template <class Stream> std::string HttpConnection<Stream>::head(qint64 length) const
{
    http::response<http::empty_body> res{http::status(m_answer.status), 11};
    res.set(http::field::server, "vnd42700-server");
    res.set(http::field::content_type, m_answer.contentType);
    if (length < 0)
        res.chunked(true);
    else
        res.content_length(std::uint64_t(length));
    keepAlive(res, m_keepAlive, m_http10);
    std::ostringstream out;
    out << res.base();
    return out.str();
}

template <class Stream> QString HttpConnection<Stream>::address()
{
    if (m_peer.isEmpty()) {
        beast::error_code ec;
        const auto peer = tcp().socket().remote_endpoint(ec);
        m_peer = ec ? QStringLiteral("?") : QString::fromStdString(peer.address().to_string());
    }
    QString text = m_peer;
    if (!m_parser)
        return text; // no request yet: a TLS handshake
    const auto forwarded = m_parser->get().find("X-Forwarded-For");
    if (forwarded != m_parser->get().end())
        text += QStringLiteral(" (por %1)")
                    .arg(QString::fromUtf8(
                        forwarded->value().data(),
                        qsizetype(std::min<size_t>(forwarded->value().size(), 100))));
    return text;
}

// Before reading any body: the unread bytes may never be taken for another request, so the
// connection closes after the answer.
template <class Stream>
void HttpConnection<Stream>::refuse(int status, const QString &code, const QString &message,
                                    const std::string &type, const char *allow)
{
    if (!m_timer.isValid())
        m_timer.start();
    if (m_method.isEmpty())
        m_method = QStringLiteral("-");
    HttpAnswer a = failureAnswer(status, code, message, type);
    a.allow = allow;
    respond(std::move(a), false);
}

template <class Stream> void HttpConnection<Stream>::respond(HttpAnswer a, bool keep)
{
    keep = keep && !m_server.stopping && m_parser && m_parser->get().keep_alive();
    auto res = std::make_shared<http::response<http::string_body>>(http::status(a.status), 11);
    res->set(http::field::server, "vnd42700-server");
    res->set(http::field::content_type, a.contentType);
    if (a.retryLater)
        res->set(http::field::retry_after, "2");
    if (a.allow)
        res->set(http::field::allow, a.allow);
    res->body().assign(a.body.constData(), size_t(a.body.size()));
    keepAlive(*res, keep, m_http10);
    res->prepare_payload();
    if (m_headRequest)
        res->body().clear(); // the length stays: it is what a POST would have received
    log(a);
    tcp().expires_after(std::chrono::seconds(m_server.options.stallSeconds));
    http::async_write(m_stream, *res, [self = self(), res, keep](beast::error_code ec, size_t) {
        self->finish(!ec && keep);
    });
}

template <class Stream> void HttpConnection<Stream>::log(const HttpAnswer &a) const
{
    if (m_server.options.logRequests)
        logAnswer(m_method, m_timer.isValid() ? m_timer.elapsed() : 0, a);
}

// The answer went out (or could not): the next request, or the close.
template <class Stream> void HttpConnection<Stream>::finish(bool keep)
{
    m_busy = false;
    m_timer.invalidate();
    m_method.clear();
    if (keep)
        readHead();
    else
        close();
}

template <class Stream> void HttpConnection<Stream>::close()
{
    if (m_closed)
        return;
    m_closed = true;
    m_gone = true;
    if (m_spool) {
        m_spool->cancel();
        m_spool.reset();
    }
    if constexpr (kTls) {
        // The client is told the end is meant, not a cut; a stop does not wait for it.
        if (m_secured && !m_server.stopping) {
            m_secured = false;
            tcp().expires_after(std::chrono::seconds(1));
            m_stream.async_shutdown([self = self()](beast::error_code) { self->release(); });
            return;
        }
    }
    release();
}

template <class Stream> void HttpConnection<Stream>::release()
{
    beast::error_code ignored;
    tcp().socket().shutdown(tcp::socket::shutdown_send, ignored);
    tcp().close();
    bool last = false;
    {
        std::lock_guard lock(m_server.connectionsLock);
        m_server.connections.erase(shared_from_this());
        last = m_server.connections.empty();
    }
    if (last && m_server.stopping && m_server.lastClosed)
        m_server.lastClosed();
}

template class HttpConnection<PlainStream>;
template class HttpConnection<TlsStream>;

} // namespace vnd::server
