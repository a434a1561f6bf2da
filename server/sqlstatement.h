#pragma once
// One prepared statement with positional values; every failure becomes a DbError. The
// statement is kept prepared on this thread's connection for the next call with the same SQL.
// Reads are forward-only and finished on destruction, so no open statement keeps holding a
// WAL snapshot. On PostgreSQL it runs straight through libpq (see PgStatement): QtSql's driver
// would send every run as an EXECUTE with its values written into the text.

#include "server/database.h"
#include "server/pgreads.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <optional>

namespace vnd::server
{

class SqlStatement
{
public:
    SqlStatement(const QSqlDatabase &db, const QString &sql);
    ~SqlStatement();
    SqlStatement(const SqlStatement &) = delete;
    SqlStatement &operator=(const SqlStatement &) = delete;

    SqlStatement &bind(const QVariant &value);
    // Runs with the values bound so far, then forgets them for the next run.
    SqlStatement &exec();
    bool next();
    QVariant value(int index) const;
    int rowsAffected() const;
    // The current row's columns.
    int columnCount() const;
    QString columnName(int index) const;

private:
    ConnectionUse m_use;
    std::optional<PgStatement> m_pg;
    KeptStatement *m_kept = nullptr;
    std::optional<QSqlQuery> m_own; // when the kept one is busy
    QSqlQuery *m_query = nullptr;
    int m_bound = 0;
};

} // namespace vnd::server
