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
    dispatcher.add(QString::fromUtf16(data::kSignInMethod), 2, [signIn](const Arguments &a) {
        const QByteArray token = signIn->signIn(a.text(0), a.text(1), currentCall().address);
        return okReply(QString::fromLatin1(token), {nullptr, nullptr});
    });
    dispatcher.add(QString::fromUtf16(data::kSignOutMethod), 0,
                   [&database, gate](const Arguments &) {
                       const Session &session = sessionOfCall();
                       if (gate)
                           gate->forget(session.hash);
                       SessionStore(database).end(session.hash);
                       return okReply(true, {});
                   });
    dispatcher.add(QString::fromUtf16(data::kSessionMethod), 0, [](const Arguments &) {
        const Session &session = sessionOfCall();
        return okReply(ValueArray{session.login, session.name, data::roleKey(session.role)}, {});
    });
    auto users = std::make_shared<UserStore>(database);
    dispatcher.add(QStringLiteral("getUsuarios"), 0,
                   [users](const Arguments &) { return okReply(users->list(), {}); });
}

} // namespace vnd::server
