// SetPrecDif: day expansion, replacement of a rule of the same identity, the refusals and
// the all-or-nothing general price checks; and SQL_Pesquisa_ProdutoPDV.

#include "server/sqlstatement.h"
#include "serverfixture.h"

#include "printers.h"

#include <algorithm>
#include <functional>

namespace vnd::server::test
{
namespace
{

// The 28 arguments in their order, with a valid rule for table 001's current period.
struct Rule {
    std::array<bool, 10> days{}; // Todos os Dias, Véspera, Feriado, Domingo ... Sábado
    bool lista = false, todos = true, intervalo = false;
    int desAcr = 0, valPer = 0;
    QString table = QStringLiteral("001");
    QString end, start;
    QString from = QStringLiteral("00:01"), to = QStringLiteral("23:59");
    QDate validFrom, validTo, period;
    double amount = 1.5;
    data::DataPacket products;
    QString consumer = QStringLiteral("T");
    int visualiza = 1;

    data::ValueArray args() const
    {
        data::ValueArray a(days.begin(), days.end());
        a.insert(a.end(),
                 {lista, todos, intervalo, desAcr, valPer, table, end, start, from, to, validFrom,
                  validTo, period, amount, QString(), products, consumer, visualiza});
        return a;
    }
};

class DiffPriceTest : public ServerFixture
{
protected:
    void SetUp() override
    {
        ServerFixture::SetUp();
        const data::DataPacket periods = packet(QStringLiteral("getVigenciaTab"), {"001"});
        start = currentPeriodStart(periods, today());
        for (const data::Row &r : periods.rows)
            if (r[1].toDate() == start)
                end = r[2].toDate();
        ASSERT_TRUE(end.isValid());
    }
    // Three 6.00 cans, by range.
    Rule cans() const
    {
        Rule r;
        r.todos = false;
        r.intervalo = true;
        r.start = QStringLiteral("1010010001");
        r.end = QStringLiteral("1010010003");
        r.days[3] = true; // Domingo
        r.validFrom = start;
        r.validTo = end;
        r.period = start;
        return r;
    }
    Answer send(const Rule &r) const { return call(QStringLiteral("SetPrecDif"), r.args()); }
    int rules(const QString &where = QStringLiteral("1 = 1")) const
    {
        return scalar(QStringLiteral("SELECT COUNT(*) FROM ITEMPRECODIA WHERE ") + where).toInt();
    }
    // The stored rule as texts, "-" for no value.
    QStringList rule(const char *product, const char *day) const
    {
        SqlStatement q(database().connection(),
                       QStringLiteral("SELECT IDPERVALORPR, IDDESCACREPR, HRINIPRECDIA,"
                                      " HRFINPRECDIA, VRPRECODIA, DTINIVALPREC, DTFINVALPREC,"
                                      " CDTIPOCONSPD, IDVISUACUPOM, IDTPMODGERAL, IDTPMODDLV,"
                                      " IDTPMODCMD, VRPRECODIADLV, CDPRPAITABPR"
                                      " FROM ITEMPRECODIA WHERE CDTABEPREC = '001' AND"
                                      " DTINIVGPREC = ? AND CDPRODUTO = ? AND NRDIASEMANPR = ?"));
        q.bind(start.toString(Qt::ISODate)).bind(QString::fromLatin1(product));
        q.bind(QString::fromLatin1(day)).exec();
        QStringList out;
        if (q.next())
            for (int i = 0; i < 14; ++i)
                out << (q.value(i).isNull() ? QStringLiteral("-") : q.value(i).toString());
        return out;
    }
    QDate start, end;
};

QString u(const char *s)
{
    return QString::fromUtf8(s);
}

} // namespace

TEST_F(DiffPriceTest, TickedDaysBecomeOneRulePerProductAndDayAndEveryDayOneRuleAlone)
{
    Rule r = cans();
    r.days[1] = r.days[2] = true; // Véspera, Feriado
    const Answer a = send(r);
    ASSERT_EQ(a.status, 200) << qPrintable(a.reply.errorMessage);
    EXPECT_EQ(a.reply.result.toVariant().toInt(), 9);
    for (const char *day : {"F", "V", "1"})
        EXPECT_EQ(
            rule("0000000002", day),
            (QStringList{"V", "D", "0001", "2359", "1.5", start.toString(Qt::ISODate),
                         end.toString(Qt::ISODate), "T", "N", "S", "N", "N", "-", "0000000002"}))
            << day;
    EXPECT_EQ(a.reply.refs.size(), 28u);
    EXPECT_EQ(a.reply.refs[18].toString(), "00:01");

    // "Todos os Dias" with Sábado still ticked underneath: one rule per product, day "T".
    r.days[0] = r.days[9] = true;
    ASSERT_EQ(send(r).reply.result.toVariant().toInt(), 3);
    EXPECT_EQ(rules(QStringLiteral("CDPRODUTO = '0000000003' AND NRDIASEMANPR IN ('T', '7')")), 1);
}

TEST_F(DiffPriceTest, ARuleOfTheSameIdentityIsReplacedAndAnotherIsAdded)
{
    Rule r = cans();
    ASSERT_EQ(send(r).status, 200);
    const int before = rules();

    r.amount = 20;
    r.valPer = 1;
    r.desAcr = 1;
    r.visualiza = 0;
    r.validTo = end.addDays(-1);
    const Answer a = send(r);
    ASSERT_EQ(a.status, 200) << qPrintable(a.reply.errorMessage);
    EXPECT_EQ(a.reply.result.toVariant().toInt(), 3);
    EXPECT_EQ(rules(), before);
    EXPECT_EQ(rule("0000000001", "1"),
              (QStringList{"P", "A", "0001", "2359", "20", start.toString(Qt::ISODate),
                           end.addDays(-1).toString(Qt::ISODate), "T", "S", "S", "N", "N", "-",
                           "0000000001"}));

    r.from = QStringLiteral("12:00");
    ASSERT_EQ(send(r).status, 200);
    EXPECT_EQ(rules(), before + 3);
}

TEST_F(DiffPriceTest, RefusalsGiveTheWindowsTextsAndStoreNothing)
{
    const int before = rules();
    struct Case {
        const char *what;
        std::function<void(Rule &)> change;
        QString message;
    } cases[] = {
        {"two modes", [](Rule &r) { r.todos = true; },
         u("Escolha uma seleção de produtos: Todos, Lista ou Intervalo.")},
        {"no day", [](Rule &r) { r.days = {}; }, u("Dia da Semana deve ser informado.")},
        {"value 0", [](Rule &r) { r.amount = 0; },
         u("Valor informado deve ser maior do que zero.")},
        {"percent 100", [](Rule &r) { r.valPer = 1, r.amount = 100; },
         u("O percentual de desconto deve estar entre 0 e 100.")},
        {"no start time", [](Rule &r) { r.from = QStringLiteral("  :  "); },
         u("Horário Inicial deve ser informado.")},
        {"24:00", [](Rule &r) { r.to = QStringLiteral("24:00"); },
         u("'24:00' não é uma Hora Válida.")},
        {"times reversed", [](Rule &r) { r.from = QStringLiteral("23:59"), r.to = "23:58"; },
         u("Horário Inicial deve ser menor ou igual ao Horário Final")},
        {"no period", [this](Rule &r) { r.period = start.addDays(1); },
         u("Tabela de preço ou vigência não cadastrada.")},
        {"validity after the period", [this](Rule &r) { r.validTo = end.addDays(1); },
         u("Data Final de Validade deve ser menor ou igual a Data Final de Vigência. ")},
        {"consumer type", [](Rule &r) { r.consumer = QStringLiteral("9"); },
         u("Tipo de consumidor não cadastrado!")},
        {"range without start", [](Rule &r) { r.start.clear(); },
         u("Produto Inicial deve ser informado.")},
        {"list without rows",
         [](Rule &r) {
             r.intervalo = false, r.lista = true;
             r.products = {{{QStringLiteral("CDPRODUTO"), data::FieldType::String, 10}}, {}};
         },
         u("Produto deve ser informado.")},
    };
    for (const Case &c : cases) {
        Rule r = cans();
        c.change(r);
        const Answer a = send(r);
        EXPECT_EQ(a.status, 422) << c.what;
        EXPECT_EQ(a.reply.errorMessage, c.message) << c.what;
    }
    EXPECT_EQ(rules(), before);
}

TEST_F(DiffPriceTest, AProductWhosePriceWouldFailRefusesTheWholeCall)
{
    // Twelve products: seven cans at 6.00, 8.50, 11.75 + 1.00, 15.00, 9.00 and 9.50.
    Rule r = cans();
    r.end = QStringLiteral("1020010002");
    r.days = {false, true, true, true, true, true, true, true, true, true};
    r.amount = 8.5;
    const int before = rules();
    Answer a = send(r);
    EXPECT_EQ(a.status, 422);
    EXPECT_EQ(a.reply.errorMessage,
              u("Preço deve ser maior que zero. Produtos: 8 (1.01.001.0001, 1.01.001.0002, "
                "1.01.001.0003, 1.01.001.0004, 1.01.001.0005, ...)."));

    r.desAcr = 1;
    r.amount = 9;
    a = send(r);
    EXPECT_EQ(a.reply.errorMessage,
              u("O valor do acréscimo não pode ser maior ou igual ao preço do produto. "
                "Produtos: 9 (1.01.001.0001, 1.01.001.0002, 1.01.001.0003, 1.01.001.0004, "
                "1.01.001.0005, ...)."));
    EXPECT_EQ(rules(), before);

    // 6.00 + 5.99 is below twice 6.00: every product passes, each on nine days.
    r.amount = 5.99;
    a = send(r);
    EXPECT_EQ(a.reply.result.toVariant().toInt(), 12 * 9);
}

TEST_F(DiffPriceTest, ListModeWritesThePickedProductsThatArePriced)
{
    Rule r = cans();
    r.intervalo = false;
    r.lista = true;
    r.products = {{{QStringLiteral("IDMARCADO"), data::FieldType::String, 1},
                   {QStringLiteral("CDPRODUTO"), data::FieldType::String, 10}},
                  {{QVariant(), "0000000012"},
                   {QVariant(), "0000000001"},
                   {QVariant(), "0000000012"},
                   {QVariant(), "0000000011"},
                   {QVariant(), "9999999999"}}};
    const Answer a = send(r);
    ASSERT_EQ(a.status, 200) << qPrintable(a.reply.errorMessage);
    EXPECT_EQ(a.reply.result.toVariant().toInt(), 2);
    EXPECT_EQ(rules(QStringLiteral("NRDIASEMANPR = '1' AND HRINIPRECDIA = '0001'")), 2);
}

TEST_F(DiffPriceTest, ProductSearchListsTheDeepestLevelWithItsSelect)
{
    const Answer a = call(QStringLiteral("SQL_Pesquisa_ProdutoPDV"), {"4"});
    ASSERT_EQ(a.status, 200);
    ASSERT_EQ(a.reply.result.kind(), data::Value::Kind::Array);
    const data::ValueArray &result = a.reply.result.array();
    ASSERT_EQ(result.size(), 2u);
    const data::DataPacket &p = result[0].packet();
    QStringList names;
    for (const data::FieldDef &f : p.fields)
        names << f.name;
    EXPECT_EQ(names, (QStringList{"CDPRODUTO", "CDARVPROD", "NMPRODUTO", "CDBARPRODUTO"}));
    const int level4 =
        scalar(QStringLiteral("SELECT COUNT(*) FROM PRODUTO WHERE CDNVPRODUTO = 4")).toInt();
    ASSERT_EQ(int(p.rows.size()), level4);
    EXPECT_EQ(p.rows.front()[1].toString(), "1010010001");
    EXPECT_TRUE(std::is_sorted(p.rows.begin(), p.rows.end(), [](const auto &x, const auto &y) {
        return x[1].toString() < y[1].toString();
    }));
    // The SELECT runs on the database as it stands and lists the same products.
    SqlStatement q(database().connection(), result[1].toString());
    q.exec();
    int rows = 0;
    while (q.next())
        ++rows;
    EXPECT_EQ(rows, level4);
    EXPECT_EQ(call(QStringLiteral("SQL_Pesquisa_ProdutoPDV"), {"x"}).status, 400);
}

} // namespace vnd::server::test
