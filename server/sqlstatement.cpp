#include "server/sqlstatement.h"

#include "server/database.h"
#include "server/dberror.h"

#include <QSqlError>

namespace vnd::server
{

SqlStatement::SqlStatement(const QSqlDatabase &db, const QString &sql)
    : m_kept(keptStatement(db, sql))
{
    if (m_kept && m_kept->prepared) {
        m_query = &m_kept->query;
    } else {
        m_query = m_kept ? &m_kept->query : &m_own.emplace(db);
        m_query->setForwardOnly(true);
        if (!m_query->prepare(sql))
            throw DbError::fromSqlError(m_query->lastError());
        if (m_kept)
            m_kept->prepared = true;
    }
    if (m_kept)
        m_kept->inUse = true;
}

SqlStatement::~SqlStatement()
{
    m_query->finish();
    if (m_kept)
        m_kept->inUse = false;
}

SqlStatement &SqlStatement::bind(const QVariant &value)
{
    m_query->bindValue(m_bound++, value);
    return *this;
}

SqlStatement &SqlStatement::exec()
{
    const bool ok = m_query->exec();
    m_bound = 0;
    if (!ok)
        throw DbError::fromSqlError(m_query->lastError());
    countStatement();
    return *this;
}

} // namespace vnd::server
