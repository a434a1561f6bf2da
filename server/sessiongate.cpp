#include "server/sessiongate.h"

#include "server/dberror.h"
#include "server/errors.h"
#include "server/log.h"
#include "server/secrets.h"

#include <algorithm>
#include <optional>

namespace vnd::server
{

namespace
{

// Sessions trusted from memory at most; past it the memory starts afresh.
constexpr qsizetype kMaxTrusted = 100000;

// How long last uses that found the write lock busy wait before they try again.
constexpr std::chrono::milliseconds kRetryAfterBusy{500};

const QString kSessionCode = QStringLiteral("session");

ServiceError noSession()
{
    return {401, kSessionCode,
            QStringLiteral("Sessão não iniciada: entre com seu usuário e senha.")};
}

ServiceError endedSession()
{
    return {401, kSessionCode,
            QStringLiteral("Sua sessão terminou. Entre novamente com seu usuário e senha.")};
}

bool tokenCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
}

// The token of "Bearer <token>"; empty when the header holds none of ours.
QByteArray bearerToken(std::string_view header)
{
    constexpr std::string_view scheme = "bearer ";
    if (header.size() <= scheme.size())
        return {};
    for (size_t i = 0; i < scheme.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(header[i])) != scheme[i])
            return {};
    std::string_view token = header.substr(scheme.size());
    while (!token.empty() && token.front() == ' ')
        token.remove_prefix(1);
    while (!token.empty() && token.back() == ' ')
        token.remove_suffix(1);
    if (token.size() != 43)
        return {};
    for (char c : token)
        if (!tokenCharacter(c))
            return {};
    return QByteArray(token.data(), qsizetype(token.size()));
}

} // namespace

SessionGate::SessionGate(const Database &database, SessionPolicy policy)
    : m_database(database), m_policy(policy)
{
    m_writer = std::thread([this] { writeUses(); });
}

SessionGate::~SessionGate()
{
    {
        std::lock_guard lock(m_lock);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_writer.join();
}

Session SessionGate::admit(std::string_view authorization)
{
    if (authorization.empty())
        throw noSession();
    const QByteArray token = bearerToken(authorization);
    if (token.isEmpty())
        throw endedSession();
    const QByteArray hash = tokenHash(token);
    const qint64 now = std::chrono::duration_cast<std::chrono::seconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
    const Clock::time_point at = Clock::now();
    const auto trust = std::chrono::milliseconds(m_policy.trustMs);
    {
        std::lock_guard lock(m_lock);
        const auto it = m_trusted.find(hash);
        if (it != m_trusted.end() && now < it->end && at - it->checked < trust) {
            noteUse(*it, now);
            return it->session;
        }
    }
    const std::optional<Session> found = SessionStore(m_database).find(hash);
    std::lock_guard lock(m_lock);
    // A sign-out on this server while the session was being read wins.
    const bool signedOut = m_endedAt.contains(hash) && at - m_endedAt.value(hash) < 2 * trust;
    if (!found || signedOut || now >= sessionEnd(*found, m_policy)) {
        m_trusted.remove(hash);
        throw endedSession();
    }
    if (m_trusted.size() >= kMaxTrusted)
        m_trusted.clear();
    Trusted &t = m_trusted[hash];
    t = {*found, sessionEnd(*found, m_policy), at};
    noteUse(t, now);
    return t.session;
}

void SessionGate::forget(const QByteArray &hash)
{
    std::lock_guard lock(m_lock);
    m_trusted.remove(hash);
    m_uses.remove(hash);
    const Clock::time_point at = Clock::now();
    const auto trust = std::chrono::milliseconds(m_policy.trustMs);
    m_endedAt.removeIf([&](const auto &e) { return at - e.value() >= 2 * trust; });
    m_endedAt.insert(hash, at);
}

// Under m_lock.
void SessionGate::noteUse(Trusted &trusted, qint64 now)
{
    if (now - trusted.session.lastUse < m_policy.touchSeconds)
        return;
    trusted.session.lastUse = now;
    trusted.end = sessionEnd(trusted.session, m_policy);
    m_uses.insert(trusted.session.hash, now);
    m_wake.notify_one();
}

void SessionGate::writeUses()
{
    std::unique_lock lock(m_lock);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_uses.isEmpty(); });
        if (m_uses.isEmpty())
            return; // stopping, nothing left
        std::vector<std::pair<QByteArray, qint64>> uses;
        for (auto it = m_uses.cbegin(); it != m_uses.cend(); ++it)
            uses.emplace_back(it.key(), it.value());
        m_uses.clear();
        lock.unlock();
        std::optional<QString> failure;
        bool busy = false;
        try {
            SessionStore(m_database).touch(uses);
        } catch (const DbError &e) {
            failure = e.text();
            busy = e.kind() == DbError::Kind::Busy;
        } catch (const std::exception &e) {
            failure = QString::fromUtf8(e.what());
        }
        lock.lock();
        if (!failure)
            continue;
        if (busy && !m_stopping) {
            // A long bulk call holds the write lock: the uses wait for it to end, kept with
            // any newer ones, rather than lost with a line in the log for every such call.
            for (const auto &[hash, when] : uses)
                if (!m_endedAt.contains(hash)) {
                    qint64 &pending = m_uses[hash];
                    pending = std::max(pending, when);
                }
            m_wake.wait_for(lock, kRetryAfterBusy, [this] { return m_stopping; });
            continue;
        }
        // Only the idle time is at stake; the next use tries again.
        logLine(QStringLiteral("último uso de %1 sessão(ões) não registrado: %2")
                    .arg(uses.size())
                    .arg(*failure));
    }
}

} // namespace vnd::server
