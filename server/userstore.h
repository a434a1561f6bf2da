#pragma once
// The users of the back office: login, name, role, whether active, and the Argon2id string of
// the password. Logins are kept in lower case and matched so.

#include "server/database.h"
#include "server/packetquery.h"
#include "wire/roles.h"

#include <QString>

#include <optional>

namespace vnd::server
{

struct User {
    QString login;
    QString name;
    data::Role role = data::Role::Consulta;
    bool active = true;
    QString passwordHash;
};

// Longest login and name the table holds; shortest password taken.
constexpr int kMaxLoginLength = 40;
constexpr int kMaxNameLength = 60;
constexpr int kMinPasswordLength = 8;

// The login as stored: trimmed, in lower case.
QString normalisedLogin(const QString &login);
// Why the login cannot be a user's (Portuguese); empty when it can.
QString loginProblem(const QString &login);
// Why the password cannot be taken (Portuguese); empty when it can.
QString passwordProblem(const QString &password);

class UserStore
{
public:
    explicit UserStore(const Database &database) : m_database(database) {}

    std::optional<User> find(const QString &login) const;
    // Throws std::runtime_error when the login is taken or not valid, DbError on failure.
    void add(const User &user);
    // False when there is no such user.
    bool setPasswordHash(const QString &login, const QString &hash);
    // Disabling also ends every session of the user. False when there is no such user.
    bool setActive(const QString &login, bool active);
    // Ends every session of the user, on every server.
    void endSessions(const QString &login);
    // Every user without the password: CDUSUARIO, NMUSUARIO, IDPAPEL, IDATIVO.
    PacketQuery list() const;

private:
    const Database &m_database;
};

} // namespace vnd::server
