#include "server/useradmin.h"

#include "server/passwordprompt.h"
#include "server/secrets.h"
#include "server/userstore.h"

#include <stdexcept>

namespace vnd::server
{

namespace
{

// A password that passes the rules, or nullopt once the reason was told.
std::optional<QString> newPassword(const std::function<void(const QString &)> &say)
{
    QString error;
    const std::optional<QString> password = readNewPassword(error);
    if (!password) {
        say(error);
        return std::nullopt;
    }
    const QString problem = passwordProblem(*password);
    if (!problem.isEmpty()) {
        say(problem);
        return std::nullopt;
    }
    return password;
}

} // namespace

int runUserCommand(const Database &database, const UserCommand &command,
                   const std::function<void(const QString &)> &say)
{
    UserStore users(database);
    const QString login = normalisedLogin(command.login);
    using Kind = UserCommand::Kind;
    if (command.kind == Kind::Add) {
        const std::optional<data::Role> role = data::roleNamed(command.role);
        if (!role) {
            say(QStringLiteral("papel desconhecido: %1 (use Consulta, Preços, Gerente ou "
                               "Administrador)")
                    .arg(command.role));
            return 2;
        }
        const QString problem = loginProblem(login);
        if (!problem.isEmpty()) {
            say(problem);
            return 2;
        }
        if (users.find(login)) {
            say(QStringLiteral("o usuário %1 já existe").arg(login));
            return 1;
        }
        const std::optional<QString> password = newPassword(say);
        if (!password)
            return 1;
        try {
            users.add({login, command.name, *role, true, hashPassword(*password)});
        } catch (const std::runtime_error &e) {
            say(QString::fromUtf8(e.what()));
            return 1;
        }
        say(QStringLiteral("usuário %1 criado com o papel %2")
                .arg(login, data::roleCaption(*role)));
        return 0;
    }
    if (!users.find(login)) {
        say(QStringLiteral("usuário %1 não encontrado").arg(login));
        return 1;
    }
    switch (command.kind) {
    case Kind::SetPassword: {
        const std::optional<QString> password = newPassword(say);
        if (!password)
            return 1;
        users.setPasswordHash(login, hashPassword(*password));
        // Whoever knew the old password is out as well.
        users.endSessions(login);
        say(QStringLiteral("senha do usuário %1 alterada; as sessões dele foram encerradas")
                .arg(login));
        return 0;
    }
    case Kind::Disable:
        users.setActive(login, false);
        say(QStringLiteral("usuário %1 desativado; as sessões dele foram encerradas").arg(login));
        return 0;
    case Kind::Enable:
        users.setActive(login, true);
        say(QStringLiteral("usuário %1 ativado").arg(login));
        return 0;
    default:
        return 2;
    }
}

} // namespace vnd::server
