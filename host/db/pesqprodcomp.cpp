#include "host/db/pesqprodcomp.h"

#include "host/db/hostdatabase.h"
#include "host/services/errors.h"

#include <QSqlDatabase>
#include <QSqlError>

namespace vnd::db
{

std::unique_ptr<TdtmPesqProdComp> dtmPesqProdComp;

TdtmPesqProdComp::TdtmPesqProdComp()
    : m_name(QStringLiteral("dtmPesqProdComp-%1").arg(quintptr(this)))
{
}

TdtmPesqProdComp::~TdtmPesqProdComp()
{
    close();
    if (QSqlDatabase::contains(m_name))
        QSqlDatabase::removeDatabase(m_name);
}

void TdtmPesqProdComp::open()
{
    if (connected())
        return;
    QSqlDatabase db = QSqlDatabase::contains(m_name)
                          ? QSqlDatabase::database(m_name, false)
                          : QSqlDatabase::cloneDatabase(hostDatabase(), m_name);
    if (!db.open())
        throw Error(QStringLiteral("Não foi possível abrir o banco de dados: %1")
                        .arg(db.lastError().text()));
}

void TdtmPesqProdComp::close()
{
    if (QSqlDatabase::contains(m_name))
        QSqlDatabase::database(m_name, false).close();
}

bool TdtmPesqProdComp::connected() const
{
    return QSqlDatabase::contains(m_name) && QSqlDatabase::database(m_name, false).isOpen();
}

} // namespace vnd::db
