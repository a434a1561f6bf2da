#pragma once
// Signing in: the password checked against the user's Argon2id string, failed attempts
// counted per login in the database (so every server sees them), slowed and then locked,
// and logged with the client's address. The answer is the same whether the login exists,
// is disabled or had the wrong password.

#include "server/database.h"
#include "server/sessionstore.h"
#include "server/signinthrottle.h"

#include <QByteArray>
#include <QString>

namespace vnd::server
{

class SignIn
{
public:
    SignIn(const Database &database, SessionPolicy policy, SignInThrottle throttle = {})
        : m_database(database), m_policy(policy), m_throttle(throttle)
    {
    }

    // The new session's token. Throws ServiceError: 401 for a wrong login or password, 429
    // while the login must wait or is locked.
    QByteArray signIn(const QString &login, const QString &password, const QString &address);

private:
    struct Failures {
        int count = 0;
        qint64 last = 0;
    };
    Failures failures(const QString &key) const;
    // Counts one more failure; the failures in a row now.
    int recordFailure(const QString &key, qint64 now);
    void clearFailures(const QString &key);

    const Database &m_database;
    SessionPolicy m_policy;
    SignInThrottle m_throttle;
};

} // namespace vnd::server
