#pragma once
// Connection to the application server: calls its remote data module's methods by name.
// Transport failures never throw: they come back as a failed Reply with a Portuguese
// message, so callers treat them exactly like a refusal by the server (CheckResultServ).
// Every call carries the signed-in session's token (ClientSession); a call whose session has
// ended asks the user to sign in again and, when they do, is repeated once, so nothing the
// user was doing is lost.

#include "wire/value.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace vnd::net
{

class HttpChannel;

class TNetConnection : public QObject
{
    Q_OBJECT
public:
    explicit TNetConnection(QObject *parent = nullptr);
    ~TNetConnection() override;

    // A name or address; "https://name" for TLS (the certificate verified, see clienttls.h).
    QString Host = QStringLiteral("127.0.0.1");
    int Port = 42700;
    QString ServerName = QStringLiteral("vnd42700.rdmTabGeral");
    // When true, a failed call throws vnd::Error instead of returning the failed reply.
    bool ThrowException = false;
    data::Encoding encoding = data::Encoding::Cbor;
    std::chrono::seconds connectTimeout{5};
    // Per read: a 100,000-row packet takes a while to be built on the server.
    std::chrono::seconds readTimeout{300};
    std::chrono::seconds writeTimeout{60};

    // Whether an ended session is renewed (see ClientSession::renew) and the call repeated.
    bool RenewSession = true;
    // A token sent instead of the signed-in session's: the session's own calls.
    QByteArray bearer;

    // Runs before every connect; the place where host and port are set.
    std::function<void(TNetConnection &)> BeforeConnect;

    void setConnected(bool on);
    void open() { setConnected(true); }
    void close() { setConnected(false); }
    bool connected() const;

    // Late-bound call by method name. Connects first when needed.
    data::Reply call(const QString &method, const data::ValueArray &args = {});

    // How a call waits for its answer. The waiter gets the exchange with the server and
    // returns once it has run; it may run it on a thread of its own and keep the caller's
    // thread busy meanwhile (the host's windows stay painted). Without one the exchange runs
    // on the caller's thread. Calls on one connection take turns whatever the waiter does.
    using CallWaiter = std::function<void(const std::function<void()> &exchange)>;
    static void setCallWaiter(CallWaiter waiter);

    // A call answered on a connection of its own while the caller goes on, for a second
    // large answer wanted together with another. wait() gives what call() would have given
    // (and throws as it would); the answer is awaited on destruction too.
    class Pending
    {
    public:
        ~Pending();
        data::Reply wait();

    private:
        friend class TNetConnection;
        Pending() = default;
        std::thread m_thread;
        data::Reply m_reply;
        bool m_throw = false;
        // The call once more when its session ended and the user signed in again.
        std::function<std::optional<data::Reply>(const data::Reply &)> m_again;
    };
    std::unique_ptr<Pending> start(const QString &method, const data::ValueArray &args = {});

signals:
    void connectedChanged(bool connected);
    // Before every call: lets the host log or trace what the windows ask of the server.
    void methodCalled(const QString &method, const data::ValueArray &args);

private:
    std::unique_ptr<HttpChannel> makeChannel() const;
    // The Authorization header's value for the next request; empty without a session.
    QByteArray authorization() const;
    // Whether the reply's session ended and the user has signed in again since the call was
    // sent with the given Authorization (asked now, unless someone else asked meanwhile).
    bool renewed(const data::Reply &reply, const QByteArray &sent) const;

    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace vnd::net
