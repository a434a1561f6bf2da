#include "server/branchrepository.h"

#include "server/changeapplier.h"
#include "server/datasets.h"
#include "server/sqlstatement.h"
#include "server/unitofwork.h"

namespace vnd::server
{

namespace
{

const TableSpec &linkSpec()
{
    static const TableSpec def{
        QStringLiteral("TABEPRECFILI"),
        {{QStringLiteral("CDFILIAL"), Storage::Text, 4, true, true, CodeForm::Digits},
         tableCodeColumn(false)}};
    return def;
}

const QString kSelect = QStringLiteral("SELECT L.CDTABEPREC, F.NMFILIAL, L.CDFILIAL "
                                       "FROM TABEPRECFILI L JOIN FILIAL F ON F.CDFILIAL = "
                                       "L.CDFILIAL WHERE L.CDTABEPREC = ?");

} // namespace

PacketQuery BranchRepository::branchesOf(const QString &table) const
{
    return packetQuery(m_database, kSelect + QStringLiteral(" ORDER BY L.CDFILIAL"), {table},
                       datasets::filTab());
}

PacketQuery BranchRepository::link(const QString &table, const QString &branch) const
{
    return packetQuery(m_database, kSelect + QStringLiteral(" AND L.CDFILIAL = ?"), {table, branch},
                       datasets::filTab());
}

data::DataPacket BranchRepository::otherTable(const QString &branch, const QString &table,
                                              QDate today) const
{
    const QSqlDatabase db = m_database.connection();
    QString other;
    {
        SqlStatement q(db, QStringLiteral("SELECT CDTABEPREC FROM TABEPRECFILI WHERE "
                                          "CDFILIAL = ? AND CDTABEPREC <> ?"));
        q.bind(branch).bind(table).exec();
        if (!q.next())
            return {datasets::vdFilTab(), {}};
        other = q.value(0).toString();
    }
    const QString day = today.toString(Qt::ISODate);
    SqlStatement q(
        db, QStringLiteral("SELECT COALESCE("
                           " (SELECT MAX(DTINIVGPREC) FROM TABEVEND WHERE CDTABEPREC = ? AND "
                           "  DTINIVGPREC <= ? AND DTFINVGPREC >= ?),"
                           " (SELECT MAX(DTINIVGPREC) FROM TABEVEND WHERE CDTABEPREC = ?))"));
    q.bind(other).bind(day).bind(day).bind(other).exec();
    QVariant start;
    if (q.next() && !q.value(0).isNull())
        start = QDate::fromString(q.value(0).toString(), Qt::ISODate);
    return {datasets::vdFilTab(), {data::Row{other, start}}};
}

void BranchRepository::saveLinks(const data::ChangeSet &changes) const
{
    UnitOfWork work(m_database);
    ChangeApplier applier(m_database, work.db(), linkSpec(), changes,
                          {QStringLiteral("Filial já cadastrada para uma tabela de preço."),
                           QStringLiteral("Filial ou tabela de preços não cadastrada."),
                           QString()});
    applier.applyAll();
    work.commit();
}

} // namespace vnd::server
