#pragma once
// One prepared statement with positional values; every failure becomes a DbError. The
// statement is kept prepared on this thread's connection for the next call with the same SQL.
// Reads are forward-only and finished on destruction, so no open statement keeps holding a
// WAL snapshot.

#include "server/database.h"

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
    bool next() { return m_query->next(); }
    QVariant value(int index) const { return m_query->value(index); }
    int rowsAffected() const { return m_query->numRowsAffected(); }
    QSqlQuery &query() { return *m_query; }

private:
    ConnectionUse m_use;
    KeptStatement *m_kept = nullptr;
    std::optional<QSqlQuery> m_own; // when the kept one is busy
    QSqlQuery *m_query = nullptr;
    int m_bound = 0;
};

} // namespace vnd::server
