#pragma once
// One client connection: reads a request's head, refuses what it must before reading any
// body, reads the body (counting its values), runs the call on a database worker and writes
// the answer; then the next request (pipelined ones in order) or, after any refusal, closes.
// A streamed answer is read whole by its worker into an AnswerSpool and sent from there at
// the client's pace, so no worker ever waits for a client. The same over plain TCP and TLS.

#include "server/requestbody.h"
#include "server/requesthandler.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/buffers_suffix.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/ssl/ssl_stream.hpp>

#include <QElapsedTimer>

#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

namespace vnd::server
{

struct ServerState;
class AnswerSpool;

// What the listener knows of a connection, whatever its stream.
class Connection : public std::enable_shared_from_this<Connection>
{
public:
    virtual ~Connection() = default;

    virtual void start() = 0;
    // From another thread: an idle connection closes now; one under way finishes.
    virtual void stop() = 0;
    // From another thread: closes now, whatever is under way (a stop's grace is over).
    virtual void cut() = 0;

    // When it last started waiting for a request; 0 while one is under way or once it was
    // chosen to give way. Read by the accepting thread without the connection's strand.
    std::atomic<qint64> idleSince{0};
};

using PlainStream = boost::beast::tcp_stream;
using TlsStream = boost::beast::ssl_stream<boost::beast::tcp_stream>;

template <class Stream> class HttpConnection final : public Connection
{
public:
    // The stream's own arguments: the socket, and for TLS the process's context.
    template <class... StreamArgs>
    explicit HttpConnection(ServerState &server, StreamArgs &&...args)
        : m_server(server), m_stream(std::forward<StreamArgs>(args)...)
    {
    }

    void start() override;
    void stop() override;
    void cut() override;

private:
    static constexpr bool kTls = std::is_same_v<Stream, TlsStream>;

    std::shared_ptr<HttpConnection> self()
    {
        return std::static_pointer_cast<HttpConnection>(shared_from_this());
    }
    boost::beast::tcp_stream &tcp() { return boost::beast::get_lowest_layer(m_stream); }

    using Parser = boost::beast::http::request_parser<RequestBody>;
    using OutBuffers = boost::beast::buffers_suffix<std::array<boost::asio::const_buffer, 3>>;

    void readHead();
    void onHead(boost::beast::error_code ec);
    void readBody();
    void onBody(boost::beast::error_code ec);
    void call(const std::string &type);
    void produce(HttpAnswer a);

    void beginStream(std::shared_ptr<AnswerSpool> spool, HttpAnswer a);
    void awaitWhole();
    void pump();
    void failBeforeHead();
    void writeOut(QByteArray data, bool last);
    void writeSome();
    void endStream(bool sent);
    // Calls `step` on the strand when the spool wakes it, if the connection still exists.
    std::function<void()> wakeTo(void (HttpConnection::*step)());
    std::string head(qint64 length) const;

    // The client's address for the log; with the one a proxy says it forwarded, when it does.
    QString address();
    void refuse(int status, const QString &code, const QString &message, const std::string &type,
                const char *allow = nullptr);
    void respond(HttpAnswer a, bool keepAlive);
    void log(const HttpAnswer &a) const;
    void finish(bool keepAlive);
    void close();
    void release(); // the socket closed and the connection forgotten

    ServerState &m_server;
    Stream m_stream;
    boost::beast::flat_buffer m_buffer{16 * 1024};
    std::optional<Parser> m_parser;
    QString m_method;
    QString m_peer; // the socket's, read once
    QElapsedTimer m_timer;
    bool m_first = true;
    bool m_busy = false;
    bool m_closed = false;
    bool m_secured = false;          // the TLS handshake is done: the close is announced
    bool m_http10 = false;           // the request is HTTP/1.0: no chunks in its answer
    bool m_headRequest = false;      // HEAD: the answer has no body
    std::atomic<bool> m_gone{false}; // closed: a read still queued for it is not run

    // The answer being streamed.
    std::shared_ptr<AnswerSpool> m_spool;
    HttpAnswer m_answer; // its status, type and log outcome
    bool m_keepAlive = false;
    bool m_chunked = false;
    bool m_logged = false;
    bool m_last = false;     // the bytes being written end the answer
    bool m_headSent = false; // the status is on its way: a failure can only cut the answer
    std::string m_prefix;    // the head (first time) and a chunk's size line
    QByteArray m_data;
    OutBuffers m_out;
};

extern template class HttpConnection<PlainStream>;
extern template class HttpConnection<TlsStream>;

} // namespace vnd::server
