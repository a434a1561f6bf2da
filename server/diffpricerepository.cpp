#include "server/diffpricerepository.h"

#include "pricing/dayhourcodes.h"
#include "pricing/dayhourprice.h"
#include "pricing/dayhourrules.h"
#include "pricing/diffpricemessages.h"
#include "pricing/diffpricerules.h"
#include "pricing/messagetable.h"
#include "pricing/picture.h"
#include "pricing/tabgeralmessages.h"
#include "server/dberror.h"
#include "server/errors.h"
#include "server/previewrecorder.h"
#include "server/sqlstatement.h"
#include "server/unitofwork.h"

#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <functional>

namespace vnd::server
{

using pricing::Decimal;
using Mode = PrecDifRequest::Mode;

namespace
{

// The products a rule may go to: those priced in the period by a row of their own.
const QString kPriced =
    QStringLiteral(" FROM ITEMPRECO I JOIN PRODUTO P ON P.CDPRODUTO = I.CDPRODUTO"
                   " WHERE I.CDTABEPREC = ? AND I.DTINIVGPREC = ? AND"
                   " I.CDPRPAITABPR = I.CDPRODUTO AND I.VRPRECITEM IS NOT NULL");

QString selectionWhere(Mode mode)
{
    switch (mode) {
    case Mode::Intervalo:
        return QStringLiteral(" AND P.CDARVPROD >= ? AND P.CDARVPROD <= ?");
    case Mode::Lista:
        return QStringLiteral(" AND I.CDPRODUTO = ?");
    case Mode::Todos:
        break;
    }
    return {};
}

// Runs the statement over the selection: once, or once per listed product (each listed
// once). bindHead binds
// the values that come before the selection's own.
void forEachSelection(SqlStatement &q, const PrecDifRequest &r,
                      const std::function<void()> &bindHead,
                      const std::function<void(SqlStatement &)> &onRun)
{
    const auto run = [&](const QString *code) {
        bindHead();
        q.bind(r.table).bind(r.periodStart.toString(Qt::ISODate));
        if (r.mode == Mode::Intervalo)
            q.bind(r.rangeStart).bind(r.rangeEnd);
        else if (code)
            q.bind(*code);
        q.exec();
        onRun(q);
    };
    if (r.mode != Mode::Lista)
        return run(nullptr);
    for (const QString &code : r.products)
        run(&code);
}

QDate periodEnd(const QSqlDatabase &db, const PrecDifRequest &r)
{
    SqlStatement q(db, QStringLiteral("SELECT DTFINVGPREC FROM TABEVEND WHERE CDTABEPREC = ? "
                                      "AND DTINIVGPREC = ?"));
    q.bind(r.table).bind(r.periodStart.toString(Qt::ISODate)).exec();
    if (!q.next())
        throw ServiceError::rule(QStringLiteral("Tabela de preço ou vigência não cadastrada."));
    return QDate::fromString(q.value(0).toString(), Qt::ISODate);
}

bool consumerTypeExists(const QSqlDatabase &db, const QString &code)
{
    SqlStatement q(db, QStringLiteral("SELECT 1 FROM TIPOCONS WHERE CDTIPOCONS = ?"));
    q.bind(code).exec();
    return q.next();
}

// Tree codes as the users see them, through the configured picture when there is one.
Picture productPicture(const QSqlDatabase &db)
{
    SqlStatement q(db, QStringLiteral("SELECT VALOR FROM CONFIGHOST WHERE CHAVE = "
                                      "'PICTURE_PRODUTO'"));
    q.exec();
    return q.next() ? Picture(q.value(0).toString().trimmed()) : Picture();
}

// The general modality's checks on every selected product, with the price the rule gives
// it; the first check any product fails refuses the call, naming how many fail it.
void checkPrices(const QSqlDatabase &db, const PrecDifRequest &r)
{
    const pricing::DayHourTerms terms{!r.percentage, r.increase};
    static const char *const kOrder[] = {"VALMAIOR", "PRECMAI", "ACREVAL"};
    QStringList faulty[std::size(kOrder)];

    SqlStatement q(db, QStringLiteral("SELECT P.CDARVPROD, I.VRPRECITEM, I.VRPRECITEMCL") +
                           kPriced + selectionWhere(r.mode));
    forEachSelection(
        q, r, [] {},
        [&](SqlStatement &s) {
            while (s.next()) {
                const Decimal base = Decimal::fromVariant(s.value(1)).value_or(Decimal()) +
                                     Decimal::fromVariant(s.value(2)).value_or(Decimal());
                const char *fault = "ACREVAL"; // a price beyond the decimal's range
                try {
                    fault = pricing::modalityFault(r.amount, priceFromValue(terms, r.amount, base),
                                                   base);
                } catch (const pricing::DecimalError &) {
                }
                for (size_t i = 0; fault && i < std::size(kOrder); ++i)
                    if (qstrcmp(fault, kOrder[i]) == 0)
                        faulty[i] << s.value(0).toString();
            }
        });

    for (size_t i = 0; i < std::size(kOrder); ++i) {
        QStringList &trees = faulty[i];
        if (trees.isEmpty())
            continue;
        std::sort(trees.begin(), trees.end());
        const Picture picture = productPicture(db);
        QStringList shown;
        for (const QString &t : trees.mid(0, 5))
            shown << (picture.GetTtNiveis() > 0 ? picture.format(t) : t);
        static const MessageTable texts(pricetable::tabGeralMessages());
        throw ServiceError::rule(QStringLiteral("%1 Produtos: %2 (%3%4).")
                                     .arg(texts.msg(QString::fromLatin1(kOrder[i])))
                                     .arg(trees.size())
                                     .arg(shown.join(QStringLiteral(", ")),
                                          trees.size() > 5 ? QStringLiteral(", ...") : QString()));
    }
}

// One rule per selected product for the day, over any rule of the same identity: the
// general modality on, delivery and comanda off.
const QString kInsert = QStringLiteral(
    "INSERT INTO ITEMPRECODIA (CDTABEPREC, DTINIVGPREC, CDPRPAITABPR, CDPRODUTO, NRDIASEMANPR,"
    " IDPERVALORPR, IDDESCACREPR, HRINIPRECDIA, HRFINPRECDIA, VRPRECODIA, DTINIVALPREC,"
    " DTFINVALPREC, CDTIPOCONSPD, IDVISUACUPOM, IDTPMODCMD, IDTPMODDLV, IDTPMODGERAL,"
    " VRPRECODIACMD, VRPRECODIADLV)"
    " SELECT I.CDTABEPREC, I.DTINIVGPREC, I.CDPRODUTO, I.CDPRODUTO, ?, ?, ?, ?, ?,"
    " CAST(? AS DOUBLE PRECISION), ?, ?, ?, ?, 'N', 'N', 'S', NULL, NULL");
const QString kReplace = QStringLiteral(
    " ON CONFLICT (CDTABEPREC, DTINIVGPREC, CDPRODUTO, CDPRPAITABPR, CDTIPOCONSPD,"
    " NRDIASEMANPR, HRINIPRECDIA, HRFINPRECDIA, DTINIVALPREC) DO UPDATE SET"
    " IDPERVALORPR = excluded.IDPERVALORPR, IDDESCACREPR = excluded.IDDESCACREPR,"
    " VRPRECODIA = excluded.VRPRECODIA, DTFINVALPREC = excluded.DTFINVALPREC,"
    " IDVISUACUPOM = excluded.IDVISUACUPOM, IDTPMODCMD = excluded.IDTPMODCMD,"
    " IDTPMODDLV = excluded.IDTPMODDLV, IDTPMODGERAL = excluded.IDTPMODGERAL,"
    " VRPRECODIACMD = excluded.VRPRECODIACMD, VRPRECODIADLV = excluded.VRPRECODIADLV");

// Answers the rows written, and those of each day in perDay.
qint64 writeRules(const QSqlDatabase &db, const PrecDifRequest &r, std::vector<qint64> &perDay)
{
    SqlStatement ins(db, kInsert + kPriced + selectionWhere(r.mode) + kReplace);
    const QString perValor = r.percentage ? QStringLiteral("P") : QStringLiteral("V");
    const QString descAcre = r.increase ? QStringLiteral("A") : QStringLiteral("D");
    const QString visualiza = r.visualiza ? QStringLiteral("S") : QStringLiteral("N");
    qint64 written = 0;
    for (const QString &day : r.days) {
        const auto head = [&] {
            ins.bind(day)
                .bind(perValor)
                .bind(descAcre)
                .bind(r.timeFrom)
                .bind(r.timeTo)
                .bind(r.amount.toDouble())
                .bind(r.validFrom.toString(Qt::ISODate))
                .bind(r.validTo.toString(Qt::ISODate))
                .bind(r.consumerType)
                .bind(visualiza);
        };
        qint64 onDay = 0;
        forEachSelection(ins, r, head, [&onDay](SqlStatement &s) { onDay += s.rowsAffected(); });
        perDay.push_back(onDay);
        written += onDay;
    }
    return written;
}

// --- Preview: what the rules replace and the first products before and after ---------------

// A stored code as the day/hour grid shows it.
QString codeShown(pricing::CodeTable table, const QString &code, const MessageTable &texts)
{
    for (const pricing::CodeEntry &e : table)
        if (code == QLatin1String(e.code))
            return texts.msg(QString::fromLatin1(e.messageKey));
    return code;
}

// The rule text a preview shows: "Desconto 10,00%, 00:01-23:59, até 31/12/2026".
QString ruleText(const QString &descAcre, const QString &perValor, const QVariant &value,
                 const QString &from, const QString &to, const QVariant &validTo)
{
    static const MessageTable texts(pricetable::tabGeralMessages());
    const std::optional<Decimal> v = Decimal::fromVariant(value);
    const QString amount = v ? v->toText(2, u',') : QString();
    const auto time = [](const QString &t) { return t.left(2) + u':' + t.mid(2, 2); };
    return QStringLiteral("%1 %2%3, %4-%5, até %6")
        .arg(codeShown(pricing::descAcreCodes(), descAcre, texts), amount,
             perValor == u"P" ? QStringLiteral("%") : QString(), time(from), time(to),
             validTo.toDate().toString(QStringLiteral("dd/MM/yyyy")));
}

// The rule's identity besides its table, period and product: consumer type, day, times and
// start of validity.
SqlStatement &bindIdentity(SqlStatement &q, const PrecDifRequest &r, const QString &day)
{
    return q.bind(r.consumerType)
        .bind(day)
        .bind(r.timeFrom)
        .bind(r.timeTo)
        .bind(r.validFrom.toString(Qt::ISODate));
}

// Rules of the request's identity on the day, of any product. Counted before and after the
// write, the difference is what it inserted: it writes nothing else of that identity.
qint64 rulesOnDay(const QSqlDatabase &db, const PrecDifRequest &r, const QString &day)
{
    SqlStatement q(
        db, QStringLiteral("SELECT COUNT(*) FROM ITEMPRECODIA R WHERE R.CDTABEPREC = ? AND"
                           " R.DTINIVGPREC = ? AND R.CDPRPAITABPR = R.CDPRODUTO AND"
                           " R.CDTIPOCONSPD = ? AND R.NRDIASEMANPR = ? AND R.HRINIPRECDIA = ? AND"
                           " R.HRFINPRECDIA = ? AND R.DTINIVALPREC = ?"));
    q.bind(r.table).bind(r.periodStart.toString(Qt::ISODate));
    bindIdentity(q, r, day).exec();
    return q.next() ? q.value(0).toLongLong() : 0;
}

struct Sampled {
    QString tree, code, name;
    QStringList before; // the rule of each day, "" for none
};

// The first selected products by tree code. Taken level by level along the products' level
// index, so each read stops at the first rows instead of sorting the whole selection.
std::vector<Sampled> firstSelected(const QSqlDatabase &db, const PrecDifRequest &r)
{
    std::vector<Sampled> out;
    SqlStatement levels(db, QStringLiteral("SELECT DISTINCT CDNVPRODUTO FROM PRODUTO"));
    levels.exec();
    QVariantList found;
    while (levels.next())
        found << levels.value(0);
    SqlStatement q(
        db, QStringLiteral("SELECT P.CDARVPROD, I.CDPRODUTO, P.NMPRODUTO FROM PRODUTO P CROSS"
                           " JOIN ITEMPRECO I WHERE P.CDNVPRODUTO = ? AND I.CDTABEPREC = ? AND"
                           " I.DTINIVGPREC = ? AND I.CDPRODUTO = P.CDPRODUTO AND"
                           " I.CDPRPAITABPR = P.CDPRODUTO AND I.VRPRECITEM IS NOT NULL") +
                selectionWhere(r.mode) + QStringLiteral(" ORDER BY P.CDARVPROD LIMIT ") +
                QString::number(PreviewRecorder::kSampleRows));
    for (const QVariant &level : found)
        forEachSelection(
            q, r, [&] { q.bind(level); },
            [&out](SqlStatement &s) {
                while (s.next())
                    out.push_back(
                        {s.value(0).toString(), s.value(1).toString(), s.value(2).toString(), {}});
            });
    std::sort(out.begin(), out.end(),
              [](const Sampled &a, const Sampled &b) { return a.tree < b.tree; });
    if (out.size() > size_t(PreviewRecorder::kSampleRows))
        out.resize(size_t(PreviewRecorder::kSampleRows));
    return out;
}

QString ruleOf(const QSqlDatabase &db, const PrecDifRequest &r, const QString &product,
               const QString &day)
{
    SqlStatement q(db, QStringLiteral("SELECT IDDESCACREPR, IDPERVALORPR, VRPRECODIA, DTFINVALPREC"
                                      " FROM ITEMPRECODIA WHERE CDTABEPREC = ? AND"
                                      " DTINIVGPREC = ? AND CDPRODUTO = ? AND CDPRPAITABPR = ? AND"
                                      " CDTIPOCONSPD = ? AND NRDIASEMANPR = ? AND"
                                      " HRINIPRECDIA = ? AND HRFINPRECDIA = ? AND"
                                      " DTINIVALPREC = ?"));
    q.bind(r.table).bind(r.periodStart.toString(Qt::ISODate)).bind(product).bind(product);
    bindIdentity(q, r, day).exec();
    if (!q.next())
        return {};
    return ruleText(q.value(0).toString(), q.value(1).toString(), q.value(2), r.timeFrom, r.timeTo,
                    q.value(3));
}

struct RulesBefore {
    std::vector<qint64> onDay; // of the identity, per day
    std::vector<Sampled> sampled;
};

RulesBefore rulesBefore(const QSqlDatabase &db, const PrecDifRequest &r)
{
    RulesBefore out;
    out.sampled = firstSelected(db, r);
    for (const QString &day : r.days) {
        out.onDay.push_back(rulesOnDay(db, r, day));
        for (Sampled &s : out.sampled)
            s.before << ruleOf(db, r, s.code, day);
    }
    return out;
}

// Each day writes one rule per selected priced product, so its count is the products'.
void describeRules(PreviewRecorder &preview, const QSqlDatabase &db, const PrecDifRequest &r,
                   const RulesBefore &before, const std::vector<qint64> &written)
{
    static const MessageTable texts(pricetable::tabGeralMessages());
    preview.count(QStringLiteral("Produtos"), written.empty() ? 0 : written.front());
    for (size_t i = 0; i < written.size(); ++i) {
        const QString day = codeShown(pricing::diaSemanaCodes(), r.days[int(i)], texts);
        const qint64 inserted = rulesOnDay(db, r, r.days[int(i)]) - before.onDay[i];
        const qint64 replaced = written[i] - inserted;
        preview.count(QStringLiteral("Preços diferenciados incluídos"), inserted);
        preview.count(QStringLiteral("Preços diferenciados substituídos"), replaced);
        preview.count(QStringLiteral("%1 - incluídos").arg(day), inserted);
        preview.count(QStringLiteral("%1 - substituídos").arg(day), replaced);
    }
    for (size_t i = 0; i < written.size(); ++i) {
        const QString day = codeShown(pricing::diaSemanaCodes(), r.days[int(i)], texts);
        for (const Sampled &s : before.sampled) {
            const QString was = s.before.value(int(i));
            preview.sample(s.tree, s.name, QStringLiteral("Preço diferenciado - %1").arg(day),
                           was.isEmpty() ? QStringLiteral("(nova)") : was,
                           ruleOf(db, r, s.code, r.days[int(i)]));
        }
    }
}

const char *const kProductsOfLevel = "SELECT CDPRODUTO, CDARVPROD, NMPRODUTO, CDBARPRODUTO "
                                     "FROM PRODUTO WHERE CDNVPRODUTO = %1 ORDER BY CDARVPROD";

} // namespace

qint64 DiffPriceRepository::registerRules(const PrecDifRequest &r) const
{
    UnitOfWork work(m_database);
    // Writers take turns (the unit of work), so the prices checked are the prices the rules
    // are written against.
    const QSqlDatabase db = work.db();
    if (const char *fault =
            diffprice::validityFault(r.validFrom, r.validTo, r.periodStart, periodEnd(db, r)))
        throw ServiceError::rule(diffprice::diffPriceMessage(fault));
    if (r.consumerType != QLatin1String("T") && !consumerTypeExists(db, r.consumerType))
        throw ServiceError::rule(diffprice::diffPriceMessage("Cons_n_Cad"));
    checkPrices(db, r);
    PreviewRecorder *preview = PreviewRecorder::active();
    const RulesBefore before = preview ? rulesBefore(db, r) : RulesBefore{};
    std::vector<qint64> perDay;
    const qint64 written = writeRules(db, r, perDay);
    if (preview)
        describeRules(*preview, db, r, before, perDay);
    work.commit();
    return written;
}

PacketQuery DiffPriceRepository::productsOfLevel(int level) const
{
    return packetQuery(m_database, QString::fromLatin1(kProductsOfLevel).arg(QLatin1Char('?')),
                       {level},
                       {{QStringLiteral("CDPRODUTO"), data::FieldType::String, 10},
                        {QStringLiteral("CDARVPROD"), data::FieldType::String, 20},
                        {QStringLiteral("NMPRODUTO"), data::FieldType::String, 50},
                        {QStringLiteral("CDBARPRODUTO"), data::FieldType::String, 30}});
}

QString DiffPriceRepository::productsOfLevelSql(int level)
{
    return QString::fromLatin1(kProductsOfLevel).arg(level);
}

} // namespace vnd::server
