#include "server/historyprune.h"

#include "server/callcontext.h"
#include "server/changecontext.h"
#include "server/historyrepository.h"
#include "server/passwordprompt.h"
#include "server/secrets.h"
#include "server/userstore.h"

namespace vnd::server
{

int runPrune(const Database &database, QDate before, const QString &admin,
             const std::function<void(const QString &)> &say)
{
    QString error;
    const std::optional<QString> password = readPassword(error);
    if (!password) {
        say(error);
        return 1;
    }
    const std::optional<User> user = UserStore(database).find(normalisedLogin(admin));
    // One answer for every refusal, as at the sign-in.
    if (!user || !user->active || user->role != data::Role::Administrador ||
        !passwordMatches(user->passwordHash, *password)) {
        say(QStringLiteral("usuário, senha ou perfil inválidos: a remoção exige um "
                           "Administrador ativo"));
        return 1;
    }
    Session session;
    session.login = user->login;
    session.name = user->name;
    session.role = user->role;
    const CallScope scope(
        CallContext{QString::fromUtf16(kPruneMethod), QStringLiteral("linha de comando"), session});
    const qint64 removed = HistoryRepository(database).prune(before);
    say(QStringLiteral("histórico de alterações: %1 linha(s) anteriores a %2 removida(s)")
            .arg(removed)
            .arg(before.toString(QStringLiteral("dd/MM/yyyy"))));
    return 0;
}

} // namespace vnd::server
