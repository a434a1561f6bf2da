#pragma once
// The signed-in user of this process, shared by every connection to the application server:
// the token each call carries and who it belongs to. The token lives here and nowhere else;
// the connection reads it for each request (see TNetConnection).

#include "wire/roles.h"
#include "wire/value.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <mutex>
#include <optional>

namespace vnd::net
{

class ClientSession : public QObject
{
    Q_OBJECT
public:
    // The one of this process.
    static ClientSession &instance();

    bool signedIn() const;
    QString login() const;
    QString name() const;
    // nullopt when nobody is signed in.
    std::optional<data::Role> role() const;
    // Whether the signed-in user's role may call the method.
    bool may(QStringView method) const;
    // "Bearer <token>", empty when nobody is signed in; safe from any thread.
    QByteArray authorization() const;

    // Signs in on the server at host:port and, on success, ends the session this one replaces.
    // The failed reply (its Portuguese message) otherwise, the session left as it was.
    data::Reply signIn(const QString &host, int port, const QString &login,
                       const QString &password);
    // Takes a token had elsewhere (a test, a script) and asks the server whose it is.
    data::Reply adopt(const QString &host, int port, const QByteArray &token);
    // Ends the session on the server (best effort) and here.
    void signOut(const QString &host, int port);
    // Forgets the session here only.
    void clear();

    // Asked on the user-interface thread when a call finds its session ended; true when the
    // user signed in again, and the call is then repeated once.
    std::function<bool()> renew;
    // Asks renew, never from within itself (the sign-in's own calls do not renew).
    bool renewEnded();

signals:
    void changed();

private:
    ClientSession() = default;
    // With the token set, asks who it is; on success the session is this one.
    data::Reply take(const QString &host, int port, const QByteArray &token);

    mutable std::mutex m_lock;
    QByteArray m_token;
    QString m_login;
    QString m_name;
    std::optional<data::Role> m_role;
    bool m_renewing = false;
};

// Whether the reply says the call's session is missing or ended (the server's 401).
bool sessionEnded(const data::Reply &reply);

} // namespace vnd::net
