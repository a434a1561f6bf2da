#include "server/diffpricerepository.h"

#include "pricing/dayhourprice.h"
#include "pricing/dayhourrules.h"
#include "pricing/diffpricemessages.h"
#include "pricing/diffpricerules.h"
#include "pricing/messagetable.h"
#include "pricing/picture.h"
#include "pricing/tabgeralmessages.h"
#include "server/dberror.h"
#include "server/errors.h"
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

qint64 writeRules(const QSqlDatabase &db, const PrecDifRequest &r)
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
        forEachSelection(ins, r, head,
                         [&written](SqlStatement &s) { written += s.rowsAffected(); });
    }
    return written;
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
    const qint64 written = writeRules(db, r);
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
