#include "host/net/clientsession.h"

#include "host/net/netconnection.h"

#include <QScopeGuard>

namespace vnd::net
{

namespace
{

// A connection for the session's own calls: they carry the given token, and an ended session
// is their answer, not a reason to ask the user again.
struct SessionConnection {
    SessionConnection(const QString &host, int port, const QByteArray &token)
    {
        conn.Host = host;
        conn.Port = port;
        conn.RenewSession = false;
        conn.encoding = data::Encoding::Json;
        conn.bearer = token;
    }
    ~SessionConnection() { conn.close(); }
    TNetConnection conn;
};

} // namespace

bool sessionEnded(const data::Reply &reply)
{
    return !reply.ok && reply.errorCode == QLatin1String("session");
}

ClientSession &ClientSession::instance()
{
    static ClientSession session;
    return session;
}

bool ClientSession::signedIn() const
{
    std::lock_guard lock(m_lock);
    return !m_token.isEmpty();
}

QString ClientSession::login() const
{
    std::lock_guard lock(m_lock);
    return m_login;
}

QString ClientSession::name() const
{
    std::lock_guard lock(m_lock);
    return m_name;
}

std::optional<data::Role> ClientSession::role() const
{
    std::lock_guard lock(m_lock);
    return m_role;
}

bool ClientSession::may(QStringView method) const
{
    const std::optional<data::Role> r = role();
    return r && data::roleMay(*r, method);
}

QByteArray ClientSession::authorization() const
{
    std::lock_guard lock(m_lock);
    return m_token.isEmpty() ? QByteArray() : QByteArrayLiteral("Bearer ") + m_token;
}

data::Reply ClientSession::signIn(const QString &host, int port, const QString &login,
                                  const QString &password)
{
    data::Reply reply;
    {
        SessionConnection c(host, port, {});
        reply = c.conn.call(QString::fromUtf16(data::kSignInMethod), {login, password});
    }
    if (!reply.ok)
        return reply;
    if (reply.result.kind() != data::Value::Kind::String) {
        reply.ok = false;
        reply.errorCode = QStringLiteral("bad_reply");
        reply.errorMessage =
            QStringLiteral("Resposta inválida do servidor de aplicação ao entrar.");
        return reply;
    }
    return take(host, port, reply.result.toString().toLatin1());
}

data::Reply ClientSession::adopt(const QString &host, int port, const QByteArray &token)
{
    return take(host, port, token);
}

data::Reply ClientSession::take(const QString &host, int port, const QByteArray &token)
{
    SessionConnection c(host, port, token);
    data::Reply reply = c.conn.call(QString::fromUtf16(data::kSessionMethod));
    if (!reply.ok)
        return reply;
    const bool shaped =
        reply.result.kind() == data::Value::Kind::Array && reply.result.array().size() == 3;
    const std::optional<data::Role> role =
        shaped ? data::roleNamed(reply.result.array()[2].toString()) : std::nullopt;
    if (!role) {
        reply.ok = false;
        reply.errorCode = QStringLiteral("bad_reply");
        reply.errorMessage =
            QStringLiteral("Resposta inválida do servidor de aplicação sobre a sessão.");
        return reply;
    }
    QByteArray replaced;
    {
        std::lock_guard lock(m_lock);
        replaced = std::exchange(m_token, token);
        m_login = reply.result.array()[0].toString();
        m_name = reply.result.array()[1].toString();
        m_role = role;
    }
    emit changed();
    if (!replaced.isEmpty() && replaced != token) {
        c.conn.bearer = replaced;
        c.conn.call(QString::fromUtf16(data::kSignOutMethod));
    }
    return reply;
}

void ClientSession::signOut(const QString &host, int port)
{
    QByteArray token;
    {
        std::lock_guard lock(m_lock);
        token = m_token;
    }
    if (!token.isEmpty()) {
        SessionConnection c(host, port, token);
        c.conn.call(QString::fromUtf16(data::kSignOutMethod));
    }
    clear();
}

void ClientSession::clear()
{
    {
        std::lock_guard lock(m_lock);
        m_token.clear();
        m_login.clear();
        m_name.clear();
        m_role.reset();
    }
    emit changed();
}

bool ClientSession::renewEnded()
{
    if (!renew || m_renewing)
        return false;
    m_renewing = true;
    const auto done = qScopeGuard([this] { m_renewing = false; });
    return renew();
}

} // namespace vnd::net
