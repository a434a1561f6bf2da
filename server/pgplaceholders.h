#pragma once
// Statements are written with "?" placeholders (QtSql's and SQLite's form); libpq takes
// PostgreSQL's numbered ones.

#include <QByteArray>
#include <QString>

namespace vnd::server
{

// The SQL as UTF-8 with each "?" turned into "$1", "$2"... in order; a "?" inside a quoted
// text, a quoted name or a comment stays as it is.
QByteArray numberedPlaceholders(const QString &sql);

} // namespace vnd::server
