#include "host/net/httpchannel.h"

#include "host/net/clienttls.h"
#include "host/net/replyreceiver.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/ssl/error.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/buffer_body.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/http/write.hpp>
#include <boost/beast/ssl/ssl_stream.hpp>

#include <QUrl>

#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <poll.h>

#include <atomic>
#include <optional>
#include <vector>

namespace vnd::net
{

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace ssl = asio::ssl;
using tcp = asio::ip::tcp;

namespace
{

constexpr std::size_t kReadPart = 256 * 1024;

QString connectMessage(const QString &where)
{
    return QStringLiteral("Não foi possível conectar ao servidor de aplicação em %1. "
                          "Verifique se ele está em execução.")
        .arg(where);
}

QString lateMessage(const QString &where)
{
    return QStringLiteral("O servidor de aplicação em %1 não respondeu a tempo.").arg(where);
}

QString brokenMessage(const QString &where, bool sending)
{
    return QStringLiteral("A conexão com o servidor de aplicação em %1 foi interrompida "
                          "durante %2.")
        .arg(where, sending ? QStringLiteral("o envio") : QStringLiteral("a resposta"));
}

QString unknownOutcomeMessage(const QString &where)
{
    return QStringLiteral("A conexão com o servidor de aplicação em %1 foi interrompida antes "
                          "da resposta. A alteração pode ter sido gravada: confira antes de "
                          "repeti-la.")
        .arg(where);
}

bool isAddress(const std::string &host)
{
    beast::error_code ec;
    asio::ip::make_address(host, ec);
    return !ec;
}

} // namespace

ChannelTarget channelTarget(const QString &host, int port)
{
    ChannelTarget t;
    QString name = host.trimmed();
    for (const QLatin1String scheme : {QLatin1String("https://"), QLatin1String("http://")}) {
        if (name.startsWith(scheme, Qt::CaseInsensitive)) {
            t.tls = scheme.size() == 8;
            name = name.mid(scheme.size());
            break;
        }
    }
    while (name.endsWith(u'/'))
        name.chop(1);
    if (name.startsWith(u'[') && name.endsWith(u']'))
        name = name.mid(1, name.size() - 2);
    t.host = name.toStdString();
    t.port = std::to_string(port);
    t.where = QStringLiteral("%1:%2").arg(host.trimmed()).arg(port);
    return t;
}

struct HttpChannel::Impl {
    Impl(ChannelTarget t, ChannelTimeouts o) : target(std::move(t)), timeouts(o) {}

    bool connect(QString &error);
    void close();
    // Whether a connection kept from an earlier call was closed by the server meanwhile (its
    // idle time ran out): anything readable between answers means it is over.
    bool peerClosed();
    beast::tcp_stream &tcp() { return secure ? beast::get_lowest_layer(*secure) : *plain; }
    QString handshakeRefusal(const beast::error_code &ec);

    // Runs one asynchronous operation to its end on this thread; stop() may cut it.
    template <class Start> beast::error_code await(Start start)
    {
        beast::error_code result = asio::error::operation_aborted;
        start([&result](beast::error_code ec, auto &&...) { result = ec; });
        io.restart();
        io.run();
        return result;
    }
    template <class Op> beast::error_code onStream(Op op)
    {
        return await([&](auto handler) {
            if (secure)
                op(*secure, std::move(handler));
            else
                op(*plain, std::move(handler));
        });
    }

    ChannelTarget target;
    ChannelTimeouts timeouts;
    asio::io_context io{1};
    std::shared_ptr<ssl::context> tls; // kept while a stream uses it
    std::optional<beast::tcp_stream> plain;
    std::optional<beast::ssl_stream<beast::tcp_stream>> secure;
    beast::flat_buffer buffer;
    std::vector<char> part;
    std::atomic<bool> stopped{false};
    bool open = false;
};

bool HttpChannel::Impl::connect(QString &error)
{
    buffer.clear();
    tcp::resolver resolver(io);
    beast::error_code ec;
    const auto endpoints = resolver.resolve(target.host, target.port, ec);
    if (ec) {
        error = connectMessage(target.where);
        return false;
    }
    if (target.tls) {
        tls = clientTls();
        secure.emplace(io, *tls);
        SSL *native = secure->native_handle();
        // The certificate must name the address the user gave, host name or IP.
        X509_VERIFY_PARAM *param = SSL_get0_param(native);
        if (isAddress(target.host)) {
            X509_VERIFY_PARAM_set1_ip_asc(param, target.host.c_str());
        } else {
            SSL_set_tlsext_host_name(native, target.host.c_str());
            SSL_set1_host(native, target.host.c_str());
        }
    } else {
        plain.emplace(io);
    }
    tcp().expires_after(timeouts.connect);
    ec = await([&](auto handler) {
        tcp().async_connect(endpoints,
                            [handler](beast::error_code e, const tcp::endpoint &) { handler(e); });
    });
    if (ec) {
        error =
            ec == beast::error::timeout ? lateMessage(target.where) : connectMessage(target.where);
        close();
        return false;
    }
    beast::error_code ignored;
    // Small request bodies would otherwise wait on Nagle (about 40 ms a call).
    tcp().socket().set_option(tcp::no_delay(true), ignored);
    if (secure) {
        tcp().expires_after(timeouts.connect);
        ec = await([&](auto handler) {
            secure->async_handshake(ssl::stream_base::client, std::move(handler));
        });
        if (ec) {
            error = ec == beast::error::timeout ? lateMessage(target.where) : handshakeRefusal(ec);
            close();
            return false;
        }
    }
    open = true;
    return true;
}

QString HttpChannel::Impl::handshakeRefusal(const beast::error_code &ec)
{
    const long verified = SSL_get_verify_result(secure->native_handle());
    if (verified != X509_V_OK)
        return QStringLiteral("O certificado do servidor de aplicação em %1 %2. A conexão foi "
                              "recusada.")
            .arg(target.where, certificateRefusal(verified));
    if (ec.category() == asio::error::get_ssl_category())
        return QStringLiteral("O servidor de aplicação em %1 não respondeu em TLS (%2); confira "
                              "se o endereço deve começar com https://.")
            .arg(target.where, QString::fromStdString(ec.message()));
    return connectMessage(target.where);
}

void HttpChannel::Impl::close()
{
    if (plain || secure) {
        beast::error_code ignored;
        tcp().socket().shutdown(tcp::socket::shutdown_both, ignored);
        tcp().close();
    }
    secure.reset();
    plain.reset();
    tls.reset();
    open = false;
}

bool HttpChannel::Impl::peerClosed()
{
    pollfd p{tcp().socket().native_handle(), POLLIN, 0};
    return ::poll(&p, 1, 0) != 0;
}

HttpChannel::HttpChannel(ChannelTarget target, ChannelTimeouts timeouts)
    : d(std::make_unique<Impl>(std::move(target), timeouts))
{
}

HttpChannel::~HttpChannel()
{
    d->close();
}

void HttpChannel::stop()
{
    d->stopped = true;
    // Runs on the exchanging thread, inside its wait.
    asio::post(d->io, [impl = d.get()] { impl->close(); });
}

bool HttpChannel::post(const std::string &path, const char *contentType, const QByteArray &body,
                       const QByteArray &authorization, bool resendable, ReplyReceiver &receiver,
                       int &status, QString &error)
{
    http::request<http::string_body> req{http::verb::post, path, 11};
    req.set(http::field::host, d->target.host);
    req.set(http::field::content_type, contentType);
    if (!authorization.isEmpty())
        req.set(http::field::authorization,
                std::string_view(authorization.constData(), size_t(authorization.size())));
    req.body().assign(body.constData(), size_t(body.size()));
    req.keep_alive(true);
    req.prepare_payload();

    // A kept connection the server has just closed fails before any answer: once more on a
    // new one. Whether the server read the request cannot be told once it went out whole, so
    // a write is then not repeated: it may have been done.
    std::optional<http::response_parser<http::buffer_body>> parser;
    for (int attempt = 0;; ++attempt) {
        if (d->stopped) {
            error = brokenMessage(d->target.where, true);
            return false;
        }
        if (d->open && d->peerClosed())
            d->close();
        const bool reused = d->open;
        if (!d->open && !d->connect(error))
            return false;
        d->tcp().expires_after(d->timeouts.write);
        beast::error_code ec = d->onStream([&](auto &stream, auto handler) {
            http::async_write(stream, req, std::move(handler));
        });
        parser.emplace();
        parser->body_limit(boost::none); // a period's prices run to tens of megabytes
        parser->header_limit(64 * 1024);
        const bool sent = !ec;
        if (sent) {
            d->tcp().expires_after(d->timeouts.read);
            ec = d->onStream([&](auto &stream, auto handler) {
                http::async_read_header(stream, d->buffer, *parser, std::move(handler));
            });
        }
        if (!ec)
            break;
        d->close();
        const bool stale = ec == http::error::end_of_stream || ec == asio::error::eof ||
                           ec == asio::error::connection_reset || ec == asio::error::broken_pipe ||
                           ec == ssl::error::stream_truncated;
        if (reused && stale && attempt == 0 && !d->stopped && (resendable || !sent))
            continue;
        if (ec == beast::error::timeout)
            error = lateMessage(d->target.where);
        else if (sent && !resendable)
            error = unknownOutcomeMessage(d->target.where);
        else
            error = brokenMessage(d->target.where, false);
        return false;
    }

    const auto &head = parser->get();
    status = head.result_int();
    const auto length = parser->content_length();
    receiver.begin(std::string(head[http::field::content_type]),
                   length ? static_cast<long long>(*length) : -1);
    d->part.resize(kReadPart);
    beast::error_code ec;
    bool wanted = true;
    while (!parser->is_done()) {
        auto &b = parser->get().body();
        b.data = d->part.data();
        b.size = d->part.size();
        d->tcp().expires_after(d->timeouts.read);
        ec = d->onStream([&](auto &stream, auto handler) {
            http::async_read_some(stream, d->buffer, *parser, std::move(handler));
        });
        if (ec == http::error::need_buffer)
            ec = {};
        const std::size_t n = d->part.size() - parser->get().body().size;
        if (n > 0 && !receiver.take(d->part.data(), n)) {
            wanted = false;
            break;
        }
        if (ec)
            break;
    }
    const bool complete = wanted && !ec && parser->is_done();
    if (!complete || !parser->keep_alive())
        d->close();
    if (ec)
        error = ec == beast::error::timeout ? lateMessage(d->target.where)
                                            : brokenMessage(d->target.where, false);
    return complete;
}

} // namespace vnd::net
