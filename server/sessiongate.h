#pragma once
// The gate every call but the sign-in passes: the bearer token must name a live session in
// the database. A session found there is trusted from memory for a short while, and its last
// use is written in the background at most once a minute, so a call costs no database work
// of its own most of the time and never a write.

#include "server/sessionstore.h"

#include <QByteArray>
#include <QHash>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string_view>
#include <thread>

namespace vnd::server
{

class SessionGate
{
public:
    SessionGate(const Database &database, SessionPolicy policy);
    // Writes the last uses still pending.
    ~SessionGate();
    SessionGate(const SessionGate &) = delete;
    SessionGate &operator=(const SessionGate &) = delete;

    // The live session the Authorization header ("Bearer <token>") names. Throws
    // ServiceError 401 without one, or when it has ended.
    Session admit(std::string_view authorization);
    // A session signed out on this server: no longer trusted from memory.
    void forget(const QByteArray &hash);

    const SessionPolicy &policy() const { return m_policy; }

private:
    using Clock = std::chrono::steady_clock;
    struct Trusted {
        Session session;
        qint64 end = 0;            // seconds since the epoch
        Clock::time_point checked; // in the database
    };

    void noteUse(Trusted &trusted, qint64 now);
    void writeUses();

    const Database &m_database;
    const SessionPolicy m_policy;
    std::mutex m_lock;
    QHash<QByteArray, Trusted> m_trusted;
    QHash<QByteArray, qint64> m_uses;               // last uses still to be written
    QHash<QByteArray, Clock::time_point> m_endedAt; // signed out here, lately
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::thread m_writer;
};

} // namespace vnd::server
