#include "server/sessionstore.h"

#include "server/secrets.h"
#include "server/sqlstatement.h"
#include "server/unitofwork.h"

#include <algorithm>

namespace vnd::server
{

qint64 sessionEnd(const Session &session, const SessionPolicy &policy)
{
    return std::min(session.created + policy.maxAgeSeconds, session.lastUse + policy.idleSeconds);
}

QByteArray SessionStore::open(const QString &login, const QString &address, qint64 now,
                              const SessionPolicy &policy)
{
    const QByteArray token = newToken();
    UnitOfWork work(m_database);
    SqlStatement(work.db(),
                 QStringLiteral("DELETE FROM SESSAO WHERE DTCRIACAO <= ? OR DTULTIMOUSO <= ?"))
        .bind(now - policy.maxAgeSeconds)
        .bind(now - policy.idleSeconds)
        .exec();
    SqlStatement(work.db(), QStringLiteral("INSERT INTO SESSAO (CDHASHSESSAO, CDUSUARIO, "
                                           "DTCRIACAO, DTULTIMOUSO, DSENDERECO) "
                                           "VALUES (?, ?, ?, ?, ?)"))
        .bind(QString::fromLatin1(tokenHash(token)))
        .bind(login)
        .bind(now)
        .bind(now)
        .bind(address.left(100))
        .exec();
    work.commit();
    return token;
}

std::optional<Session> SessionStore::find(const QByteArray &hash) const
{
    SqlStatement q(m_database.connection(),
                   QStringLiteral("SELECT S.CDUSUARIO, U.NMUSUARIO, U.IDPAPEL, S.DTCRIACAO, "
                                  "S.DTULTIMOUSO FROM SESSAO S JOIN USUARIO U ON U.CDUSUARIO = "
                                  "S.CDUSUARIO WHERE S.CDHASHSESSAO = ? AND U.IDATIVO = 'S'"));
    q.bind(QString::fromLatin1(hash)).exec();
    if (!q.next())
        return std::nullopt;
    const std::optional<data::Role> role = data::roleNamed(q.value(2).toString());
    if (!role)
        return std::nullopt;
    return Session{hash,  q.value(0).toString(),   q.value(1).toString(),
                   *role, q.value(3).toLongLong(), q.value(4).toLongLong()};
}

void SessionStore::end(const QByteArray &hash)
{
    UnitOfWork work(m_database);
    SqlStatement(work.db(), QStringLiteral("DELETE FROM SESSAO WHERE CDHASHSESSAO = ?"))
        .bind(QString::fromLatin1(hash))
        .exec();
    work.commit();
}

void SessionStore::touch(const std::vector<std::pair<QByteArray, qint64>> &uses)
{
    if (uses.empty())
        return;
    UnitOfWork work(m_database);
    for (const auto &[hash, when] : uses)
        SqlStatement(work.db(), QStringLiteral("UPDATE SESSAO SET DTULTIMOUSO = ? "
                                               "WHERE CDHASHSESSAO = ? AND DTULTIMOUSO < ?"))
            .bind(when)
            .bind(QString::fromLatin1(hash))
            .bind(when)
            .exec();
    work.commit();
}

} // namespace vnd::server
