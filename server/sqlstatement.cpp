#include "server/sqlstatement.h"

#include "server/dberror.h"

#include <QSqlError>

namespace vnd::server
{

SqlStatement::SqlStatement(const QSqlDatabase &db, const QString &sql) : m_query(db)
{
    m_query.setForwardOnly(true);
    if (!m_query.prepare(sql))
        throw DbError::fromSqlError(m_query.lastError());
}

SqlStatement::~SqlStatement()
{
    m_query.finish();
}

SqlStatement &SqlStatement::bind(const QVariant &value)
{
    m_query.bindValue(m_bound++, value);
    return *this;
}

SqlStatement &SqlStatement::exec()
{
    const bool ok = m_query.exec();
    m_bound = 0;
    if (!ok)
        throw DbError::fromSqlError(m_query.lastError());
    return *this;
}

} // namespace vnd::server
