#include "server/pricetablerepository.h"

#include "server/changeapplier.h"
#include "server/datasets.h"
#include "server/errors.h"
#include "server/sqlstatement.h"
#include "server/unitofwork.h"

namespace vnd::server
{

namespace
{

const TableSpec &tableSpec()
{
    static const TableSpec def{
        QStringLiteral("TABEPRECGER"),
        {tableCodeColumn(true), {QStringLiteral("NMTABEPREC"), Storage::Text, 20, false, true}}};
    return def;
}

const TableSpec &periodSpec()
{
    static const TableSpec def{QStringLiteral("TABEVEND"),
                               {tableCodeColumn(true),
                                {QStringLiteral("DTINIVGPREC"), Storage::Date, 0, true, true},
                                {QStringLiteral("DTFINVGPREC"), Storage::Date, 0, false, true},
                                {QStringLiteral("VRREAJUSTE"), Storage::Float, 0, false, false},
                                {QStringLiteral("DTREAJUSTE"), Storage::Date, 0, false, false},
                                {QStringLiteral("IDSITVGPREC"), Storage::Text, 1, false, false}}};
    return def;
}

QString iso(QDate d)
{
    return d.toString(Qt::ISODate);
}

const QString kPeriodColumns =
    QStringLiteral("CDTABEPREC, DTINIVGPREC, DTFINVGPREC, VRREAJUSTE, DTREAJUSTE, IDSITVGPREC");

} // namespace

PacketQuery PriceTableRepository::tables() const
{
    return packetQuery(m_database,
                       QStringLiteral("SELECT CDTABEPREC, NMTABEPREC FROM TABEPRECGER "
                                      "ORDER BY CDTABEPREC"),
                       {}, datasets::tabGeral());
}

PacketQuery PriceTableRepository::table(const QString &code) const
{
    return packetQuery(m_database,
                       QStringLiteral("SELECT CDTABEPREC, NMTABEPREC FROM TABEPRECGER "
                                      "WHERE CDTABEPREC = ?"),
                       {code}, datasets::tabGeral());
}

void PriceTableRepository::saveTables(const data::ChangeSet &changes) const
{
    UnitOfWork work(m_database);
    ChangeApplier applier(
        m_database, work.db(), tableSpec(), changes,
        {QStringLiteral("Tabela de preços já cadastrada."), QString(), QString()});
    applier.applyAll();
    work.commit();
}

PacketQuery PriceTableRepository::periods(const QString &code) const
{
    return packetQuery(m_database,
                       QStringLiteral("SELECT %1 FROM TABEVEND WHERE "
                                      "CDTABEPREC = ? ORDER BY DTINIVGPREC")
                           .arg(kPeriodColumns),
                       {code}, datasets::vigenciaTab());
}

PacketQuery PriceTableRepository::clashes(const QString &code, QDate start, QDate end) const
{
    return packetQuery(m_database,
                       QStringLiteral("SELECT %1 FROM TABEVEND WHERE CDTABEPREC = ? AND "
                                      "DTINIVGPREC <> ? AND DTINIVGPREC <= ? AND DTFINVGPREC >= ? "
                                      "ORDER BY DTINIVGPREC")
                           .arg(kPeriodColumns),
                       {code, iso(start), iso(end), iso(start)}, datasets::vigenciaTab());
}

PacketQuery PriceTableRepository::latestEnd(const QString &code) const
{
    return packetQuery(m_database,
                       QStringLiteral("SELECT MAX(DTFINVGPREC) FROM TABEVEND WHERE CDTABEPREC = ? "
                                      "HAVING COUNT(*) > 0"),
                       {code}, datasets::maxDtFinVg());
}

bool PriceTableRepository::periodExists(const QString &code, QDate start) const
{
    SqlStatement q(m_database.connection(),
                   QStringLiteral("SELECT 1 FROM TABEVEND WHERE CDTABEPREC = ? AND "
                                  "DTINIVGPREC = ?"));
    q.bind(code).bind(iso(start)).exec();
    return q.next();
}

void PriceTableRepository::savePeriods(const data::ChangeSet &changes) const
{
    UnitOfWork work(m_database);
    ChangeApplier applier(
        m_database, work.db(), periodSpec(), changes,
        {QStringLiteral("Já existe um período cadastrado para a tabela de preço com esta data "
                        "inicial."),
         QStringLiteral("Tabela de preços não cadastrada."), QString()});
    for (const MappedChange &m : applier.mapped()) {
        if (m.op == data::Change::Op::Delete)
            continue;
        const QVariant start = m.newValue(u"DTINIVGPREC"), end = m.newValue(u"DTFINVGPREC");
        if (!start.isNull() && !end.isNull() && start.toString() > end.toString())
            throw ServiceError::rule(
                QStringLiteral("Data final deve ser maior ou igual à inicial"));
    }
    applier.applyAll();
    // Overlaps are judged on the final state, so a change set may move several periods.
    SqlStatement overlap(work.db(),
                         QStringLiteral("SELECT 1 FROM TABEVEND WHERE CDTABEPREC = ? AND "
                                        "DTINIVGPREC <> ? AND DTINIVGPREC <= ? AND "
                                        "DTFINVGPREC >= ?"));
    for (const MappedChange &m : applier.mapped()) {
        if (m.op == data::Change::Op::Delete)
            continue;
        const QVariant start = m.newValue(u"DTINIVGPREC");
        overlap.bind(m.newValue(u"CDTABEPREC"))
            .bind(start)
            .bind(m.newValue(u"DTFINVGPREC"))
            .bind(start)
            .exec();
        if (overlap.next())
            throw ServiceError::rule(
                QStringLiteral("Já existe um período cadastrado para a tabela de preço no "
                               "intervalo informado. Favor informar outra data."));
    }
    work.commit();
}

} // namespace vnd::server
