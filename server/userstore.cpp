#include "server/userstore.h"

#include "server/sqlstatement.h"
#include "server/textcheck.h"
#include "server/unitofwork.h"

#include <stdexcept>

namespace vnd::server
{

using data::FieldDef;
using data::FieldType;

QString normalisedLogin(const QString &login)
{
    return login.trimmed().toLower();
}

QString loginProblem(const QString &login)
{
    if (login.isEmpty())
        return QStringLiteral("Informe o usuário.");
    if (login.size() > kMaxLoginLength)
        return QStringLiteral("O usuário deve ter no máximo %1 caracteres.").arg(kMaxLoginLength);
    for (const QChar c : login)
        if (c.isSpace() || hasControlCharacter(QStringView(&c, 1)))
            return QStringLiteral("O usuário não pode ter espaços nem caracteres de controle.");
    return {};
}

QString passwordProblem(const QString &password)
{
    if (password.size() < kMinPasswordLength)
        return QStringLiteral("A senha deve ter ao menos %1 caracteres.").arg(kMinPasswordLength);
    if (hasControlCharacter(password))
        return QStringLiteral("A senha não pode ter caracteres de controle.");
    return {};
}

std::optional<User> UserStore::find(const QString &login) const
{
    SqlStatement q(m_database.connection(),
                   QStringLiteral("SELECT CDUSUARIO, NMUSUARIO, IDPAPEL, IDATIVO, DSSENHA "
                                  "FROM USUARIO WHERE CDUSUARIO = ?"));
    q.bind(normalisedLogin(login)).exec();
    if (!q.next())
        return std::nullopt;
    User u;
    u.login = q.value(0).toString();
    u.name = q.value(1).toString();
    // The table's CHECK allows only the known keys.
    u.role = data::roleNamed(q.value(2).toString()).value_or(data::Role::Consulta);
    u.active = q.value(3).toString() == QLatin1String("S");
    u.passwordHash = q.value(4).toString();
    return u;
}

void UserStore::add(const User &user)
{
    const QString login = normalisedLogin(user.login);
    const QString problem = loginProblem(login);
    if (!problem.isEmpty())
        throw std::runtime_error(problem.toStdString());
    if (user.name.size() > kMaxNameLength || hasControlCharacter(user.name))
        throw std::runtime_error(
            QStringLiteral("O nome deve ter no máximo %1 caracteres, sem caracteres de controle.")
                .arg(kMaxNameLength)
                .toStdString());
    UnitOfWork work(m_database);
    SqlStatement exists(work.db(), QStringLiteral("SELECT 1 FROM USUARIO WHERE CDUSUARIO = ?"));
    if (exists.bind(login).exec().next())
        throw std::runtime_error(
            QStringLiteral("O usuário %1 já existe.").arg(login).toStdString());
    SqlStatement(work.db(), QStringLiteral("INSERT INTO USUARIO (CDUSUARIO, NMUSUARIO, IDPAPEL, "
                                           "IDATIVO, DSSENHA) VALUES (?, ?, ?, ?, ?)"))
        .bind(login)
        .bind(user.name.isEmpty() ? login : user.name)
        .bind(data::roleKey(user.role))
        .bind(user.active ? QStringLiteral("S") : QStringLiteral("N"))
        .bind(user.passwordHash)
        .exec();
    work.commit();
}

bool UserStore::setPasswordHash(const QString &login, const QString &hash)
{
    UnitOfWork work(m_database);
    SqlStatement q(work.db(), QStringLiteral("UPDATE USUARIO SET DSSENHA = ? WHERE CDUSUARIO = ?"));
    const bool found = q.bind(hash).bind(normalisedLogin(login)).exec().rowsAffected() > 0;
    work.commit();
    return found;
}

bool UserStore::setActive(const QString &login, bool active)
{
    UnitOfWork work(m_database);
    SqlStatement q(work.db(), QStringLiteral("UPDATE USUARIO SET IDATIVO = ? WHERE CDUSUARIO = ?"));
    const bool found = q.bind(active ? QStringLiteral("S") : QStringLiteral("N"))
                           .bind(normalisedLogin(login))
                           .exec()
                           .rowsAffected() > 0;
    if (!active)
        endSessions(login); // joins this unit of work
    work.commit();
    return found;
}

void UserStore::endSessions(const QString &login)
{
    UnitOfWork work(m_database);
    SqlStatement(work.db(), QStringLiteral("DELETE FROM SESSAO WHERE CDUSUARIO = ?"))
        .bind(normalisedLogin(login))
        .exec();
    work.commit();
}

PacketQuery UserStore::list() const
{
    return packetQuery(m_database,
                       QStringLiteral("SELECT CDUSUARIO, NMUSUARIO, IDPAPEL, IDATIVO FROM USUARIO "
                                      "ORDER BY CDUSUARIO"),
                       {},
                       {FieldDef{QStringLiteral("CDUSUARIO"), FieldType::String, kMaxLoginLength},
                        FieldDef{QStringLiteral("NMUSUARIO"), FieldType::String, kMaxNameLength},
                        FieldDef{QStringLiteral("IDPAPEL"), FieldType::String, 15},
                        FieldDef{QStringLiteral("IDATIVO"), FieldType::String, 1}});
}

} // namespace vnd::server
