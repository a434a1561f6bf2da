#include "server/signin.h"

#include "server/errors.h"
#include "server/log.h"
#include "server/secrets.h"
#include "server/sqlstatement.h"
#include "server/unitofwork.h"
#include "server/userstore.h"

#include <QDateTime>

namespace vnd::server
{

namespace
{

ServiceError wrongCredentials()
{
    return {401, QStringLiteral("credentials"), QStringLiteral("Usuário ou senha inválidos.")};
}

ServiceError mustWait(const SignInWait &wait)
{
    if (wait.locked)
        return {429, QStringLiteral("locked"),
                QStringLiteral("Entrada bloqueada por excesso de tentativas sem sucesso. Tente "
                               "novamente em %1 minuto(s).")
                    .arg((wait.seconds + 59) / 60)};
    return {429, QStringLiteral("throttled"),
            QStringLiteral("Muitas tentativas de entrada sem sucesso. Aguarde %1 segundo(s) e "
                           "tente novamente.")
                .arg(wait.seconds)};
}

} // namespace

SignIn::Failures SignIn::failures(const QString &key) const
{
    SqlStatement q(m_database.connection(),
                   QStringLiteral("SELECT QTFALHAS, DTULTIMAFALHA FROM FALHAENTRADA "
                                  "WHERE CDLOGIN = ?"));
    q.bind(key).exec();
    if (!q.next())
        return {};
    return {q.value(0).toInt(), q.value(1).toLongLong()};
}

int SignIn::recordFailure(const QString &key, qint64 now)
{
    UnitOfWork work(m_database);
    // Logins nobody has tried for a while are forgotten, so made-up ones cannot pile up.
    SqlStatement(work.db(), QStringLiteral("DELETE FROM FALHAENTRADA WHERE DTULTIMAFALHA <= ?"))
        .bind(now - m_throttle.lockSeconds)
        .exec();
    const Failures before = failures(key);
    const int count = failuresAfterOneMore(before.count, before.last, now, m_throttle);
    if (before.count > 0)
        SqlStatement(work.db(), QStringLiteral("UPDATE FALHAENTRADA SET QTFALHAS = ?, "
                                               "DTULTIMAFALHA = ? WHERE CDLOGIN = ?"))
            .bind(count)
            .bind(now)
            .bind(key)
            .exec();
    else
        SqlStatement(work.db(), QStringLiteral("INSERT INTO FALHAENTRADA (CDLOGIN, QTFALHAS, "
                                               "DTULTIMAFALHA) VALUES (?, ?, ?)"))
            .bind(key)
            .bind(count)
            .bind(now)
            .exec();
    work.commit();
    return count;
}

void SignIn::clearFailures(const QString &key)
{
    UnitOfWork work(m_database);
    SqlStatement(work.db(), QStringLiteral("DELETE FROM FALHAENTRADA WHERE CDLOGIN = ?"))
        .bind(key)
        .exec();
    work.commit();
}

QByteArray SignIn::signIn(const QString &login, const QString &password, const QString &address)
{
    const QString key = normalisedLogin(login).left(kMaxLoginLength);
    const QString shown = QStringLiteral("\"%1\" de %2").arg(key, address);
    if (key.isEmpty() || password.isEmpty())
        throw wrongCredentials();
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const Failures before = failures(key);
    const SignInWait wait = signInWait(before.count, before.last, now, m_throttle);
    if (wait.seconds > 0) {
        logLine(QStringLiteral("entrada recusada sem conferir a senha: usuário %1, %2 falha(s) "
                               "seguida(s), %3")
                    .arg(shown)
                    .arg(before.count)
                    .arg(wait.locked ? QStringLiteral("bloqueado")
                                     : QStringLiteral("aguardando %1 s").arg(wait.seconds)));
        throw mustWait(wait);
    }

    // Unknown and disabled logins cost a password check too: the time does not tell them apart.
    UserStore users(m_database);
    const std::optional<User> user = key == normalisedLogin(login) ? users.find(key) : std::nullopt;
    bool ok = false;
    if (user && user->active)
        ok = passwordMatches(user->passwordHash, password);
    else
        spendPasswordCheck(password);

    if (!ok) {
        const int count = recordFailure(key, now);
        const SignInWait next = signInWait(count, now, now, m_throttle);
        logLine(
            QStringLiteral("entrada recusada: usuário %1, %2 falha(s) seguida(s)%3")
                .arg(shown)
                .arg(count)
                .arg(next.locked
                         ? QStringLiteral(", bloqueado por %1 min").arg(m_throttle.lockSeconds / 60)
                         : QString()));
        throw wrongCredentials();
    }
    if (before.count > 0)
        clearFailures(key);
    if (passwordNeedsRehash(user->passwordHash))
        users.setPasswordHash(user->login, hashPassword(password));
    const QByteArray token = SessionStore(m_database).open(user->login, address, now, m_policy);
    logLine(QStringLiteral("entrada: usuário %1").arg(shown));
    return token;
}

} // namespace vnd::server
