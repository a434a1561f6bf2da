#include "server/dayhourrepository.h"

#include "server/changeapplier.h"
#include "server/datasets.h"
#include "server/dayhourprice.h"
#include "server/sqlstatement.h"
#include "server/unitofwork.h"

namespace vnd::server
{

namespace
{

const TableSpec &ruleSpec()
{
    auto text = [](const char *n, int size, bool key) {
        return Column{QString::fromLatin1(n), Storage::Text, size, key, key};
    };
    auto real = [](const char *n) {
        return Column{QString::fromLatin1(n), Storage::Float, 0, false, false};
    };
    auto date = [](const char *n, bool key) {
        return Column{QString::fromLatin1(n), Storage::Date, 0, key, key};
    };
    static const TableSpec def{
        QStringLiteral("ITEMPRECODIA"),
        {text("CDTABEPREC", 3, true), date("DTINIVGPREC", true), text("CDPRPAITABPR", 10, true),
         text("CDPRODUTO", 10, true), text("NRDIASEMANPR", 1, true), text("IDPERVALORPR", 1, false),
         text("IDDESCACREPR", 1, false), text("HRINIPRECDIA", 4, true),
         text("HRFINPRECDIA", 4, true), real("VRPRECODIA"), date("DTINIVALPREC", true),
         date("DTFINVALPREC", false), text("CDTIPOCONSPD", 2, true), text("IDVISUACUPOM", 1, false),
         text("IDTPMODCMD", 1, false), text("IDTPMODDLV", 1, false), text("IDTPMODGERAL", 1, false),
         real("VRPRECODIACMD"), real("VRPRECODIADLV")}};
    return def;
}

const QString kSelect = QStringLiteral(
    "SELECT D.CDTABEPREC, D.DTINIVGPREC, D.CDPRPAITABPR, D.CDPRODUTO, D.NRDIASEMANPR,"
    " D.IDPERVALORPR, D.IDDESCACREPR, D.HRINIPRECDIA, D.HRFINPRECDIA, D.VRPRECODIA,"
    " D.DTINIVALPREC, D.DTFINVALPREC, D.CDTIPOCONSPD, D.IDVISUACUPOM, T.NMTIPOCONS,"
    " D.IDTPMODCMD, D.IDTPMODDLV, D.IDTPMODGERAL, D.VRPRECODIACMD, D.VRPRECODIADLV,"
    " I.VRPRECITEM, I.VRPRECITEMCMD, I.VRPRECITEMDLV, I.VRPRECITEMCL "
    "FROM ITEMPRECODIA D JOIN ITEMPRECO I ON I.CDTABEPREC = D.CDTABEPREC AND"
    " I.DTINIVGPREC = D.DTINIVGPREC AND I.CDPRODUTO = D.CDPRODUTO AND"
    " I.CDPRPAITABPR = D.CDPRPAITABPR "
    "LEFT JOIN TIPOCONS T ON T.CDTIPOCONS = D.CDTIPOCONSPD ");

data::DataPacket readRules(SqlStatement &q)
{
    data::DataPacket packet;
    packet.fields = datasets::precoHora();
    auto text = [&q](int i) { return q.value(i).isNull() ? QVariant() : q.value(i).toString(); };
    auto real = [&q](int i) { return q.value(i).isNull() ? QVariant() : q.value(i).toDouble(); };
    auto dateTime = [&q](int i) {
        return q.value(i).isNull()
                   ? QVariant()
                   : QVariant(QDateTime(QDate::fromString(q.value(i).toString(), Qt::ISODate),
                                        QTime(0, 0)));
    };
    while (q.next()) {
        const DayHourTerms terms{q.value(5).toString(), q.value(6).toString()};
        const QVariant client = q.value(23);
        QVariant typeName = text(14);
        if (q.value(12).toString() == QLatin1String("T"))
            typeName = QStringLiteral("Todos");
        packet.rows.push_back(data::Row{text(0),
                                        dateTime(1),
                                        text(2),
                                        text(3),
                                        text(4),
                                        text(5),
                                        text(6),
                                        text(7),
                                        text(8),
                                        real(9),
                                        dateTime(10),
                                        dateTime(11),
                                        text(12),
                                        text(13),
                                        typeName,
                                        dayHourPrice(terms, q.value(9), q.value(20), client),
                                        dayHourPrice(terms, q.value(18), q.value(21), client),
                                        dayHourPrice(terms, q.value(19), q.value(22), client),
                                        text(15),
                                        text(16),
                                        text(17),
                                        real(18),
                                        real(19)});
    }
    return packet;
}

} // namespace

data::DataPacket DayHourRepository::rules(const QString &table, QDate start) const
{
    SqlStatement q(m_database.connection(),
                   kSelect + QStringLiteral("WHERE D.CDTABEPREC = ? AND D.DTINIVGPREC = ? "
                                            "ORDER BY D.CDPRODUTO, D.CDPRPAITABPR, "
                                            "D.NRDIASEMANPR, D.HRINIPRECDIA, D.DTINIVALPREC"));
    q.bind(table).bind(start.toString(Qt::ISODate)).exec();
    return readRules(q);
}

data::DataPacket DayHourRepository::sameIdentity(const DayHourIdentity &id) const
{
    SqlStatement q(
        m_database.connection(),
        kSelect + QStringLiteral("WHERE D.CDTABEPREC = ? AND D.DTINIVGPREC = ? AND "
                                 "D.CDPRODUTO = ? AND D.CDPRPAITABPR = ? AND D.CDTIPOCONSPD = ? "
                                 "AND D.NRDIASEMANPR = ? AND D.HRINIPRECDIA = ? AND "
                                 "D.HRFINPRECDIA = ? AND D.DTINIVALPREC = ?"));
    q.bind(id.table)
        .bind(id.start.toString(Qt::ISODate))
        .bind(id.product)
        .bind(id.parent)
        .bind(id.consumerType)
        .bind(id.day)
        .bind(id.fromTime)
        .bind(id.toTime)
        .bind(id.validFrom.toString(Qt::ISODate))
        .exec();
    return readRules(q);
}

void DayHourRepository::saveRules(const data::ChangeSet &changes) const
{
    UnitOfWork work(m_database);
    ChangeApplier applier(
        m_database, work.db(), ruleSpec(), changes,
        {QStringLiteral("Preço diferenciado já cadastrado para os dados informados."),
         QStringLiteral("Preço do produto não está cadastrado."), QString()});
    applier.applyAll();
    work.commit();
}

} // namespace vnd::server
