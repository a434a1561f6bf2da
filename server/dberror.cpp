#include "server/dberror.h"

namespace vnd::server
{

DbError DbError::fromSqlError(const QSqlError &error)
{
    const QString native = error.nativeErrorCode();
    const QString text = error.text();
    const QString lower = text.toLower();
    // SQLite reports its result code (5 busy, 6 locked, 8 read-only, 10 I/O error, 13 full,
    // 14 cannot open, 19 constraint), perhaps extended (the primary code in the low byte), and
    // names the constraint in the text; PostgreSQL gives the SQLSTATE.
    // SQLSTATEs have five characters; SQLite's codes, extended ones included, fewer.
    bool numeric = false;
    const int sqlite = native.size() < 5 ? native.toInt(&numeric) & 0xff : -1;
    auto is = [&](std::initializer_list<const char *> states) {
        for (const char *s : states)
            if (native == QLatin1String(s))
                return true;
        return false;
    };
    if ((numeric && (sqlite == 5 || sqlite == 6)) || is({"40001", "40P01", "55P03"}) ||
        lower.contains(QLatin1String("database is locked")))
        return {Kind::Busy, text};
    // The connection is gone, the server shutting down or starting, or the file moved away
    // (SQLITE_READONLY_DBMOVED, 1032): a new connection may succeed in a moment.
    if (native.startsWith(QLatin1String("08")) || is({"57P01", "57P02", "57P03", "53300"}) ||
        (numeric && (sqlite == 10 || sqlite == 14 || native == QLatin1String("1032"))) ||
        lower.contains(QLatin1String("server closed the connection")) ||
        lower.contains(QLatin1String("no connection to the server")) ||
        lower.contains(QLatin1String("could not connect")) ||
        lower.contains(QLatin1String("connection to server")))
        return {Kind::Unavailable, text};
    if ((numeric && sqlite == 8) || is({"25006"}) || lower.contains(QLatin1String("readonly")))
        return {Kind::ReadOnly, text};
    if ((numeric && sqlite == 13) || is({"53100"}) ||
        lower.contains(QLatin1String("database or disk is full")))
        return {Kind::Full, text};
    if (native == QLatin1String("23503") || lower.contains(QLatin1String("foreign key")))
        return {Kind::ForeignKey, text};
    if (native == QLatin1String("23505") || lower.contains(QLatin1String("unique constraint")))
        return {Kind::Unique, text};
    if (native == QLatin1String("23502") || lower.contains(QLatin1String("not null")))
        return {Kind::NotNull, text};
    if (native == QLatin1String("23514") || lower.contains(QLatin1String("check constraint")) ||
        (numeric && sqlite == 19))
        return {Kind::Check, text};
    return {Kind::Other, text};
}

ServiceError DbError::toServiceError() const
{
    switch (m_kind) {
    case Kind::Busy:
        return ServiceError::busy(m_text);
    case Kind::Unavailable:
        return ServiceError::unavailable(m_text);
    case Kind::ReadOnly:
        return {500, QStringLiteral("readonly"),
                QStringLiteral("O banco de dados está somente para leitura."), m_text};
    case Kind::Full:
        return {500, QStringLiteral("disk_full"),
                QStringLiteral("Não há espaço em disco para gravar."), m_text};
    case Kind::ForeignKey:
    case Kind::Unique:
    case Kind::NotNull:
    case Kind::Check:
        return {422, QStringLiteral("rule"),
                QStringLiteral("Dados recusados pelo banco de dados: a operação não foi "
                               "gravada."),
                m_text};
    case Kind::Other:
        break;
    }
    return {500, QStringLiteral("database"),
            QStringLiteral("Erro no banco de dados: a operação não foi concluída."), m_text};
}

} // namespace vnd::server
