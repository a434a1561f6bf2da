#pragma once
// One kept-alive HTTP/1.1 connection to the application server, plain or TLS, used
// synchronously: each socket operation runs to its end on the calling thread with a deadline
// of its own. An answer's body goes to a ReplyReceiver as it arrives.

#include <QByteArray>
#include <QString>

#include <chrono>
#include <memory>
#include <string>

namespace vnd::net
{

class ReplyReceiver;

// Where a connection goes: "https://name", "http://name" or a bare name (plain), and a port.
struct ChannelTarget {
    std::string host; // without the scheme
    std::string port;
    bool tls = false;
    QString where; // as the user reads it in messages
};
ChannelTarget channelTarget(const QString &host, int port);

struct ChannelTimeouts {
    std::chrono::seconds connect{5};
    std::chrono::seconds read{300}; // per read: a large packet takes a while to be built
    std::chrono::seconds write{60};
};

class HttpChannel
{
public:
    HttpChannel(ChannelTarget target, ChannelTimeouts timeouts);
    ~HttpChannel();
    HttpChannel(const HttpChannel &) = delete;
    HttpChannel &operator=(const HttpChannel &) = delete;

    // One POST; true when the whole answer went to the receiver. Otherwise the receiver wanted
    // no more, or the transport failed and `error` says how (Portuguese). `status` is the
    // answer's HTTP status once its head came. A request that went out whole on a kept
    // connection and got no answer is sent again on a new one only when `resendable` (a read):
    // the server may have done a write before the connection broke.
    bool post(const std::string &path, const char *contentType, const QByteArray &body,
              const QByteArray &authorization, bool resendable, ReplyReceiver &receiver,
              int &status, QString &error);

    // From any thread: cuts the exchange under way; the channel serves no more.
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace vnd::net
