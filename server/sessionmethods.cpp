#include "server/sessionmethods.h"

#include "server/arguments.h"
#include "server/callcontext.h"
#include "server/errors.h"
#include "server/sessiongate.h"
#include "server/signin.h"
#include "server/userstore.h"

namespace vnd::server
{

using data::ValueArray;

namespace
{

const Session &sessionOfCall()
{
    const std::optional<Session> &session = currentCall().session;
    if (!session)
        throw ServiceError(401, QStringLiteral("session"),
                           QStringLiteral("Sessão não iniciada: entre com seu usuário e senha."));
    return *session;
}

} // namespace

void addSessionMethods(Dispatcher &dispatcher, const Database &database, SessionGate *gate,
                       const SessionPolicy &policy)
{
    auto signIn = std::make_shared<SignIn>(database, policy);
    const QString signInName = QString::fromUtf16(data::kSignInMethod);
    dispatcher.add(signInName, [signIn, signInName](const ValueArray &args) {
        Arguments a(signInName, args, 2);
        const QByteArray token = signIn->signIn(a.text(0), a.text(1), currentCall().address);
        return okReply(QString::fromLatin1(token), {nullptr, nullptr});
    });
    const QString signOutName = QString::fromUtf16(data::kSignOutMethod);
    dispatcher.add(signOutName, [&database, gate, signOutName](const ValueArray &args) {
        Arguments a(signOutName, args, 0);
        const Session &session = sessionOfCall();
        if (gate)
            gate->forget(session.hash);
        SessionStore(database).end(session.hash);
        return okReply(true, {});
    });
    const QString sessionName = QString::fromUtf16(data::kSessionMethod);
    dispatcher.add(sessionName, [sessionName](const ValueArray &args) {
        Arguments a(sessionName, args, 0);
        const Session &session = sessionOfCall();
        return okReply(ValueArray{session.login, session.name, data::roleKey(session.role)}, {});
    });
    auto users = std::make_shared<UserStore>(database);
    dispatcher.add(QStringLiteral("getUsuarios"), [users](const ValueArray &args) {
        Arguments a(QStringLiteral("getUsuarios"), args, 0);
        return okReply(users->list(), {});
    });
}

} // namespace vnd::server
