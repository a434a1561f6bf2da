#include "server/dberror.h"

namespace vnd::server
{

DbError DbError::fromSqlError(const QSqlError &error)
{
    const QString native = error.nativeErrorCode();
    const QString text = error.text();
    const QString lower = text.toLower();
    // SQLite reports its primary code (5 busy, 6 locked, 19 constraint) and names the
    // constraint in the text; PostgreSQL gives the SQLSTATE.
    if (native == QLatin1String("5") || native == QLatin1String("6") ||
        native == QLatin1String("40001") || native == QLatin1String("40P01") ||
        native == QLatin1String("55P03") || lower.contains(QLatin1String("database is locked")))
        return {Kind::Busy, text};
    if (native == QLatin1String("23503") || lower.contains(QLatin1String("foreign key")))
        return {Kind::ForeignKey, text};
    if (native == QLatin1String("23505") || lower.contains(QLatin1String("unique constraint")))
        return {Kind::Unique, text};
    if (native == QLatin1String("23502") || lower.contains(QLatin1String("not null")))
        return {Kind::NotNull, text};
    if (native == QLatin1String("23514") || lower.contains(QLatin1String("check constraint")))
        return {Kind::Check, text};
    return {Kind::Other, text};
}

} // namespace vnd::server
