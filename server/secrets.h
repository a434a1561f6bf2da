#pragma once
// Passwords and session tokens (libsodium). A password is kept only as its Argon2id string,
// which holds the salt and the cost, so the cost can be raised later; a token only as its
// hash. Neither a password nor a token is ever logged or stored.

#include <QByteArray>
#include <QString>

namespace vnd::server
{

// The Argon2id string of the password (libsodium's interactive cost). Throws
// std::runtime_error when the memory it needs cannot be had.
QString hashPassword(const QString &password);
// Whether the password matches the stored string. A malformed string matches nothing.
bool passwordMatches(const QString &stored, const QString &password);
// Whether the stored string was made with another cost than hashPassword uses now.
bool passwordNeedsRehash(const QString &stored);
// Takes as long as a check of a real password does: a login that does not exist must not
// answer sooner than one that does.
void spendPasswordCheck(const QString &password);

// A new session token: 256 random bits as 43 URL-safe Base64 characters.
QByteArray newToken();
// What is stored of a token: its 256-bit BLAKE2b hash, as 64 hexadecimal characters.
QByteArray tokenHash(const QByteArray &token);

} // namespace vnd::server
