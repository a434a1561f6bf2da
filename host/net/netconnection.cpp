#include "host/net/netconnection.h"

#include "host/net/clientsession.h"
#include "host/net/httpchannel.h"
#include "host/net/replyreceiver.h"

#include "host/services/errors.h"
#include "wire/codec.h"
#include "wire/failure.h"
#include "wire/roles.h"

#include <QPointer>

#include <optional>

namespace vnd::net
{

using data::failure;
using data::Reply;

struct TNetConnection::Impl {
    std::unique_ptr<HttpChannel> channel;
    // The channel serves one exchange at a time, whichever thread runs it.
    std::mutex exchanging;
};

namespace
{

TNetConnection::CallWaiter &callWaiter()
{
    static TNetConnection::CallWaiter waiter;
    return waiter;
}

// Runs the exchange (or the wait for one) as the installed waiter does, or right here.
void waited(const std::function<void()> &run)
{
    if (const TNetConnection::CallWaiter waiter = callWaiter())
        waiter(run);
    else
        run();
}

Reply clientFailure(const QString &method, const std::exception &e)
{
    return failure(
        QStringLiteral("client"),
        QStringLiteral("Falha ao chamar o método %1: %2").arg(method, QString::fromUtf8(e.what())));
}

// One request and its answer on the given channel; never throws for the transport.
Reply exchange(HttpChannel &channel, const std::string &path, const QByteArray &body,
               data::Encoding encoding, const QByteArray &authorization, const QString &method,
               const QString &where)
{
    Reply reply;
    ReplyReceiver receiver;
    int status = 0;
    QString broken;
    // Reads are what the least role may call; any other method may write.
    const bool resendable = data::leastRoleFor(method) == data::Role::Consulta;
    const bool complete = channel.post(path, data::contentType(encoding), body, authorization,
                                       resendable, receiver, status, broken);
    QString invalid;
    switch (receiver.finish(complete, reply, invalid)) {
    case ReplyReceiver::Outcome::Broken:
        reply = failure(QStringLiteral("connection"), broken);
        break;
    case ReplyReceiver::Outcome::Invalid:
        reply = failure(QStringLiteral("bad_reply"),
                        QStringLiteral("Resposta inválida do servidor de aplicação "
                                       "(%1, HTTP %2) ao método %3.")
                            .arg(where)
                            .arg(status)
                            .arg(method));
        break;
    case ReplyReceiver::Outcome::Decoded:
        if (!reply.ok && reply.errorMessage.isEmpty())
            reply.errorMessage =
                QStringLiteral("O servidor de aplicação recusou o método %1 (HTTP %2).")
                    .arg(method)
                    .arg(status);
        break;
    }
    return reply;
}

} // namespace

TNetConnection::TNetConnection(QObject *parent) : QObject(parent), d(std::make_unique<Impl>()) {}

TNetConnection::~TNetConnection() = default;

std::unique_ptr<HttpChannel> TNetConnection::makeChannel() const
{
    return std::make_unique<HttpChannel>(
        channelTarget(Host, Port), ChannelTimeouts{connectTimeout, readTimeout, writeTimeout});
}

void TNetConnection::setCallWaiter(CallWaiter waiter)
{
    callWaiter() = std::move(waiter);
}

QByteArray TNetConnection::authorization() const
{
    return bearer.isEmpty() ? ClientSession::instance().authorization()
                            : QByteArrayLiteral("Bearer ") + bearer;
}

bool TNetConnection::renewed(const Reply &reply, const QByteArray &sent) const
{
    if (!RenewSession || !bearer.isEmpty() || !sessionEnded(reply))
        return false;
    // Two calls under way when the session ended: the user is asked once.
    const QByteArray now = authorization();
    if (!now.isEmpty() && now != sent)
        return true;
    return ClientSession::instance().renewEnded();
}

bool TNetConnection::connected() const
{
    return d->channel != nullptr;
}

void TNetConnection::setConnected(bool on)
{
    if (on == connected())
        return;
    if (!on) {
        // An exchange under way on another thread is cut short, and is let go of the
        // channel before it goes.
        d->channel->stop();
        const std::lock_guard<std::mutex> turn(d->exchanging);
        d->channel.reset();
        emit connectedChanged(false);
        return;
    }
    if (BeforeConnect)
        BeforeConnect(*this);
    d->channel = makeChannel();
    emit connectedChanged(true);
}

Reply TNetConnection::call(const QString &method, const data::ValueArray &args)
{
    emit methodCalled(method, args);
    Reply reply;
    try {
        if (!connected())
            setConnected(true);
        // Only now: the before-connect hook may just have chosen another host or port.
        const QString where = channelTarget(Host, Port).where;
        const QByteArray body = data::encodeRequest(args, encoding);
        const std::string path = ("/" + ServerName + "/" + method).toStdString();
        QByteArray auth;
        const auto send = [&] {
            HttpChannel &channel = *d->channel;
            auth = authorization();
            const auto run = [&] {
                try {
                    const std::lock_guard<std::mutex> turn(d->exchanging);
                    reply = exchange(channel, path, body, encoding, auth, method, where);
                } catch (const std::exception &e) {
                    reply = clientFailure(method, e);
                }
            };
            waited(run);
        };
        send();
        // On this thread, with the answer in: the user signs in again and the call is repeated.
        if (renewed(reply, auth) && connected())
            send();
    } catch (const std::exception &e) {
        reply = clientFailure(method, e);
    }
    if (!reply.ok && ThrowException)
        throw Error(reply.errorMessage);
    return reply;
}

std::unique_ptr<TNetConnection::Pending> TNetConnection::start(const QString &method,
                                                               const data::ValueArray &args)
{
    emit methodCalled(method, args);
    std::unique_ptr<Pending> pending(new Pending);
    pending->m_throw = ThrowException;
    try {
        if (!connected())
            setConnected(true); // the before-connect hook chooses the server for both
        const QString where = channelTarget(Host, Port).where;
        const QByteArray body = data::encodeRequest(args, encoding);
        const std::string path = ("/" + ServerName + "/" + method).toStdString();
        const QByteArray auth = authorization();
        pending->m_thread = std::thread([p = pending.get(), channel = makeChannel(), path, body,
                                         enc = encoding, auth, method, where] {
            try {
                p->m_reply = exchange(*channel, path, body, enc, auth, method, where);
            } catch (const std::exception &e) {
                p->m_reply = clientFailure(method, e);
            }
        });
        pending->m_again = [self = QPointer<TNetConnection>(this), path, body, enc = encoding, auth,
                            method, where](const Reply &first) -> std::optional<Reply> {
            if (!self || !self->renewed(first, auth))
                return std::nullopt;
            Reply again;
            const auto run = [&] {
                try {
                    again = exchange(*self->makeChannel(), path, body, enc, self->authorization(),
                                     method, where);
                } catch (const std::exception &e) {
                    again = clientFailure(method, e);
                }
            };
            waited(run);
            return again;
        };
    } catch (const std::exception &e) {
        pending->m_reply = clientFailure(method, e);
    }
    return pending;
}

TNetConnection::Pending::~Pending()
{
    if (m_thread.joinable())
        m_thread.join();
}

Reply TNetConnection::Pending::wait()
{
    if (m_thread.joinable()) {
        // Waited for like any call: the windows stay painted meanwhile.
        const auto join = [this] { m_thread.join(); };
        waited(join);
    }
    if (m_again) {
        if (std::optional<Reply> again = m_again(m_reply))
            m_reply = std::move(*again);
        m_again = nullptr;
    }
    if (!m_reply.ok && m_throw)
        throw Error(m_reply.errorMessage);
    return m_reply;
}

} // namespace vnd::net
