#include "server/sqlstatement.h"

#include "server/bulkcapture.h"
#include "server/database.h"
#include "server/dberror.h"

#include <QSqlError>
#include <QSqlRecord>

namespace vnd::server
{

SqlStatement::SqlStatement(const QSqlDatabase &db, const QString &sql)
{
    if (pgconnOf(db)) {
        m_pg.emplace(db, sql);
        return;
    }
    m_kept = keptStatement(db, sql);
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
    if (m_pg)
        return;
    m_query->finish();
    if (m_kept)
        m_kept->inUse = false;
}

SqlStatement &SqlStatement::bind(const QVariant &value)
{
    if (m_pg)
        m_pg->bind(value);
    else
        m_query->bindValue(m_bound++, value);
    return *this;
}

SqlStatement &SqlStatement::exec()
{
    if (m_pg) {
        m_pg->exec();
        return *this;
    }
    const bool ok = m_query->exec();
    m_bound = 0;
    if (!ok)
        throw DbError::fromSqlError(m_query->lastError());
    countStatement();
    BulkCapture::settle();
    return *this;
}

bool SqlStatement::next()
{
    return m_pg ? m_pg->next() : m_query->next();
}

QVariant SqlStatement::value(int index) const
{
    return m_pg ? m_pg->value(index) : m_query->value(index);
}

int SqlStatement::rowsAffected() const
{
    return m_pg ? m_pg->rowsAffected() : m_query->numRowsAffected();
}

int SqlStatement::columnCount() const
{
    return m_pg ? m_pg->columnCount() : m_query->record().count();
}

QString SqlStatement::columnName(int index) const
{
    return m_pg ? m_pg->columnName(index) : m_query->record().fieldName(index);
}

} // namespace vnd::server
