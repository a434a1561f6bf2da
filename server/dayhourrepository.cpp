#include "server/dayhourrepository.h"

#include "pricing/dayhourcodes.h"
#include "pricing/dayhourmessages.h"
#include "server/changeapplier.h"
#include "server/datasets.h"
#include "server/dayhourchecks.h"
#include "server/dayhourprice.h"
#include "server/errors.h"
#include "server/log.h"
#include "server/sqlstatement.h"
#include "server/unitofwork.h"

namespace vnd::server
{

namespace
{

// Codes, times and validity start are left to the rule checks, which refuse them (empty ones
// too) with the window's own texts.
const TableSpec &ruleSpec()
{
    auto text = [](const char *n, int size, bool key, CodeForm code = CodeForm::None) {
        return Column{QString::fromLatin1(n), Storage::Text, size, key, key, code};
    };
    auto checked = [](const char *n, bool key) {
        return Column{QString::fromLatin1(n), Storage::Text, 0, key, false};
    };
    auto real = [](const char *n) {
        return Column{QString::fromLatin1(n), Storage::Float, 0, false, false};
    };
    auto date = [](const char *n, bool key, bool required) {
        return Column{QString::fromLatin1(n), Storage::Date, 0, key, required};
    };
    static const TableSpec def{
        QStringLiteral("ITEMPRECODIA"),
        {tableCodeColumn(true), date("DTINIVGPREC", true, true), text("CDPRPAITABPR", 10, true),
         text("CDPRODUTO", 10, true), checked("NRDIASEMANPR", true), checked("IDPERVALORPR", false),
         checked("IDDESCACREPR", false), checked("HRINIPRECDIA", true),
         checked("HRFINPRECDIA", true), real("VRPRECODIA"), date("DTINIVALPREC", true, false),
         date("DTFINVALPREC", false, false),
         Column{QStringLiteral("CDTIPOCONSPD"), Storage::Text, 2, true, false,
                CodeForm::DigitsOrAll},
         checked("IDVISUACUPOM", false), checked("IDTPMODCMD", false), checked("IDTPMODDLV", false),
         checked("IDTPMODGERAL", false), real("VRPRECODIACMD"), real("VRPRECODIADLV")}};
    return def;
}

// The rule and its item's prices; the scan of --init adds what the checks read.
const QString kColumns = QStringLiteral(
    "SELECT D.CDTABEPREC, D.DTINIVGPREC, D.CDPRPAITABPR, D.CDPRODUTO, D.NRDIASEMANPR,"
    " D.IDPERVALORPR, D.IDDESCACREPR, D.HRINIPRECDIA, D.HRFINPRECDIA, D.VRPRECODIA,"
    " D.DTINIVALPREC, D.DTFINVALPREC, D.CDTIPOCONSPD, D.IDVISUACUPOM, T.NMTIPOCONS,"
    " D.IDTPMODCMD, D.IDTPMODDLV, D.IDTPMODGERAL, D.VRPRECODIACMD, D.VRPRECODIADLV,"
    " I.VRPRECITEM, I.VRPRECITEMCMD, I.VRPRECITEMDLV, I.VRPRECITEMCL ");
const QString kItemJoin = QStringLiteral(
    "ITEMPRECO I ON I.CDTABEPREC = D.CDTABEPREC AND I.DTINIVGPREC = D.DTINIVGPREC AND"
    " I.CDPRODUTO = D.CDPRODUTO AND I.CDPRPAITABPR = D.CDPRPAITABPR ");
const QString kTypeJoin = QStringLiteral("LEFT JOIN TIPOCONS T ON T.CDTIPOCONS = D.CDTIPOCONSPD ");
const QString kSelect =
    kColumns + QStringLiteral("FROM ITEMPRECODIA D JOIN ") + kItemJoin + kTypeJoin;

// The rule of a row read through kColumns.
template <class Row> StoredRule storedRuleOf(const Row &q)
{
    auto text = [&q](int i) { return q.value(i).toString(); };
    auto real = [&q](int i) { return storedReal(q.value(i)); };
    return {text(0),  text(1),  text(3),  text(2),  text(4),  text(5),  text(6),
            text(7),  text(8),  text(10), text(11), text(12), text(13), text(17),
            text(16), text(15), real(9),  real(19), real(18)};
}

// The fields of a rule's row that are not a stored column as it is: the consumer type's name
// ("Todos" for all) and the resulting prices.
QVariant computedCell(const RowValues &q, int field)
{
    if (field == 14) {
        if (q.value(12).toString() == QLatin1String(pricing::kTodosTipoCons))
            return pricing::dayHourMessage(u"Todos");
        return q.value(14).isNull() ? QVariant() : q.value(14).toString();
    }
    // Rule value and item price per modality: general, table service, delivery.
    static constexpr std::pair<int, int> kPrices[] = {{9, 20}, {18, 21}, {19, 22}};
    const auto [value, price] = kPrices[field - 15];
    const DayHourTerms terms{q.value(5).toString(), q.value(6).toString()};
    return dayHourPrice(terms, q.value(value), q.value(price), q.value(23));
}

// A value that cannot be represented travels as no value; the log names the rule so that it
// can be mended.
void logUnrepresentable(const RowValues &q)
{
    // Packet field, and the stored value it comes from.
    static constexpr std::pair<int, int> kValues[] = {{9, 9},   {15, 9},  {16, 18},
                                                      {17, 19}, {21, 18}, {22, 19}};
    QStringList fields;
    for (const auto &[field, source] : kValues) {
        const QVariant cell =
            field >= 15 && field <= 17 ? computedCell(q, field) : storedReal(q.value(source));
        if (cell.isNull() && !q.value(source).isNull())
            fields << datasets::precoHora()[field].name;
    }
    if (!fields.isEmpty())
        logLine(QStringLiteral("ITEMPRECODIA %1: valor não representável em %2; enviado sem valor")
                    .arg(describe(storedRuleOf(q)), fields.join(QStringLiteral(", "))));
}

PacketQuery rulesQuery(const Database &database, QString sql, QVariantList values)
{
    constexpr int c = PacketQuery::kComputed;
    PacketQuery q;
    q.database = &database;
    q.sql = std::move(sql);
    q.values = std::move(values);
    q.fields = datasets::precoHora();
    q.columns = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, c, c, c, c, 15, 16, 17, 18, 19};
    q.computed = computedCell;
    q.inspect = logUnrepresentable;
    return q;
}

StoredRule storedRuleOf(const MappedChange &m)
{
    auto text = [&m](const char16_t *c) { return m.newValue(c).toString(); };
    auto real = [&m](const char16_t *c) { return m.newValue(c); };
    return {
        text(u"CDTABEPREC"),   text(u"DTINIVGPREC"),   text(u"CDPRODUTO"),    text(u"CDPRPAITABPR"),
        text(u"NRDIASEMANPR"), text(u"IDPERVALORPR"),  text(u"IDDESCACREPR"), text(u"HRINIPRECDIA"),
        text(u"HRFINPRECDIA"), text(u"DTINIVALPREC"),  text(u"DTFINVALPREC"), text(u"CDTIPOCONSPD"),
        text(u"IDVISUACUPOM"), text(u"IDTPMODGERAL"),  text(u"IDTPMODDLV"),   text(u"IDTPMODCMD"),
        real(u"VRPRECODIA"),   real(u"VRPRECODIADLV"), real(u"VRPRECODIACMD")};
}

// The item price row the rule belongs to (and so its period), and its consumer type.
RuleContext contextOf(const QSqlDatabase &db, const StoredRule &rule)
{
    SqlStatement q(db, QStringLiteral("SELECT I.VRPRECITEM, I.VRPRECITEMCMD, I.VRPRECITEMDLV,"
                                      " I.VRPRECITEMCL, V.DTFINVGPREC,"
                                      " (SELECT COUNT(*) FROM TIPOCONS WHERE CDTIPOCONS = ?) "
                                      "FROM ITEMPRECO I JOIN TABEVEND V ON"
                                      " V.CDTABEPREC = I.CDTABEPREC AND"
                                      " V.DTINIVGPREC = I.DTINIVGPREC "
                                      "WHERE I.CDTABEPREC = ? AND I.DTINIVGPREC = ? AND"
                                      " I.CDPRODUTO = ? AND I.CDPRPAITABPR = ?"));
    q.bind(rule.consumerType)
        .bind(rule.table)
        .bind(rule.start)
        .bind(rule.product)
        .bind(rule.parent)
        .exec();
    if (!q.next())
        return {};
    return {true,
            q.value(0),
            q.value(1),
            q.value(2),
            q.value(3),
            q.value(4).toString(),
            q.value(5).toInt() > 0};
}

// The window sets the shown flag to "N" when it is empty; a client that leaves it so gets the
// same.
data::ChangeSet withShownFlagCompleted(data::ChangeSet changes)
{
    const int shown = changes.indexOf(QStringLiteral("IDVISUACUPOM"));
    if (shown < 0)
        return changes;
    for (data::Change &c : changes.changes) {
        if (c.op == data::Change::Op::Delete || shown >= c.newRow.size())
            continue;
        const QVariant &v = c.newRow[shown];
        if (v.isNull() || v.toString().trimmed().isEmpty())
            c.newRow[shown] = QStringLiteral("N");
    }
    return changes;
}

} // namespace

PacketQuery DayHourRepository::rules(const QString &table, QDate start) const
{
    return rulesQuery(m_database,
                      kSelect + QStringLiteral("WHERE D.CDTABEPREC = ? AND D.DTINIVGPREC = ? "
                                               "ORDER BY D.CDPRODUTO, D.CDPRPAITABPR, "
                                               "D.NRDIASEMANPR, D.HRINIPRECDIA, D.DTINIVALPREC"),
                      {table, start.toString(Qt::ISODate)});
}

PacketQuery DayHourRepository::sameIdentity(const DayHourIdentity &id) const
{
    return rulesQuery(
        m_database,
        kSelect + QStringLiteral("WHERE D.CDTABEPREC = ? AND D.DTINIVGPREC = ? AND "
                                 "D.CDPRODUTO = ? AND D.CDPRPAITABPR = ? AND D.CDTIPOCONSPD = ? "
                                 "AND D.NRDIASEMANPR = ? AND D.HRINIPRECDIA = ? AND "
                                 "D.HRFINPRECDIA = ? AND D.DTINIVALPREC = ?"),
        {id.table, id.start.toString(Qt::ISODate), id.product, id.parent, id.consumerType, id.day,
         id.fromTime, id.toTime, id.validFrom.toString(Qt::ISODate)});
}

void DayHourRepository::saveRules(const data::ChangeSet &sent) const
{
    const data::ChangeSet changes = withShownFlagCompleted(sent);
    UnitOfWork work(m_database);
    const QSqlDatabase db = work.db();
    ChangeApplier applier(
        m_database, db, ruleSpec(), changes,
        {pricing::dayHourMessage(u"PRECDIF_JA"), pricing::dayHourMessage(u"PRECNCAD"), QString()});
    for (const MappedChange &m : applier.mapped()) {
        if (m.op == data::Change::Op::Delete)
            continue;
        const StoredRule rule = storedRuleOf(m);
        const QString fault =
            dayHourRuleFault(rule, contextOf(db, rule), m.op == data::Change::Op::Insert);
        if (!fault.isEmpty())
            throw ServiceError::rule(fault);
    }
    applier.applyAll();
    work.commit();
}

QStringList DayHourRepository::faultyRules() const
{
    SqlStatement q(m_database.connection(),
                   kColumns +
                       QStringLiteral(", V.DTFINVGPREC, I.CDPRODUTO IS NOT NULL, "
                                      "T.CDTIPOCONS IS NOT NULL "
                                      "FROM ITEMPRECODIA D LEFT JOIN ") +
                       kItemJoin +
                       QStringLiteral("LEFT JOIN TABEVEND V ON V.CDTABEPREC = D.CDTABEPREC AND "
                                      "V.DTINIVGPREC = D.DTINIVGPREC ") +
                       kTypeJoin +
                       QStringLiteral("ORDER BY D.CDTABEPREC, D.DTINIVGPREC, D.CDPRODUTO"));
    q.exec();
    QStringList out;
    while (q.next()) {
        const StoredRule rule = storedRuleOf(q);
        const RuleContext context{q.value(25).toBool(), q.value(20), q.value(21),
                                  q.value(22),          q.value(23), q.value(24).toString(),
                                  q.value(26).toBool()};
        const QString fault = dayHourRuleFault(rule, context, false);
        if (!fault.isEmpty())
            out << QStringLiteral("ITEMPRECODIA %1: %2").arg(describe(rule), fault);
    }
    return out;
}

} // namespace vnd::server
