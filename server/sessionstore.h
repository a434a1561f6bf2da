#pragma once
// Sessions in the database, so that every server on it accepts them: the token's hash, the
// user, when it began and when it was last used. A session ends when signed out, when its
// user is disabled, after an idle time and after a maximum age.

#include "server/database.h"
#include "wire/roles.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace vnd::server
{

struct SessionPolicy {
    int idleSeconds = 30 * 60;
    int maxAgeSeconds = 12 * 60 * 60;
    // Last use is written at most this often: a call costs no write.
    int touchSeconds = 60;
    // A session checked in the database is taken on trust this long by the server that
    // checked it, so a signed-out token lasts at most this long on the other servers.
    int trustMs = 2000;
};

struct Session {
    QByteArray hash; // of the token
    QString login;
    QString name;
    data::Role role = data::Role::Consulta;
    qint64 created = 0; // seconds since the epoch
    qint64 lastUse = 0;
};

// When the session ends by itself: idle since its last use, or at its maximum age.
qint64 sessionEnd(const Session &session, const SessionPolicy &policy);

class SessionStore
{
public:
    explicit SessionStore(const Database &database) : m_database(database) {}

    // A new session for the user; the token, which exists nowhere else. Sessions past their
    // end, anyone's, are dropped on the way.
    QByteArray open(const QString &login, const QString &address, qint64 now,
                    const SessionPolicy &policy);
    // The session of an active user with this token hash, ended or not.
    std::optional<Session> find(const QByteArray &hash) const;
    void end(const QByteArray &hash);
    // Writes each session's last use (hash, time); never moves one back.
    void touch(const std::vector<std::pair<QByteArray, qint64>> &uses);

private:
    const Database &m_database;
};

} // namespace vnd::server
