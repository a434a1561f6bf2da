// Day/hour rules: computed prices, duplicates by identity, saving.

#include "serverfixture.h"

#include <QRegularExpression>

namespace vnd::server::test
{
namespace
{

using data::Row;
using data::ValueArray;

class DayHourTest : public ServerFixture
{
protected:
    void SetUp() override
    {
        ServerFixture::SetUp();
        const auto periods = packet(QStringLiteral("getVigenciaTab"), {"001"});
        m_start = currentPeriodStart(periods, today());
        for (const Row &p : periods.rows)
            if (p[1].toDate() == m_start)
                m_end = p[2].toDate();
        m_rules = packet(QStringLiteral("GetPrecoHora"), {"001", m_start});
    }
    int field(const char *name) const { return m_rules.indexOf(QString::fromLatin1(name)); }
    ValueArray identity(const Row &r) const
    {
        ValueArray v;
        for (const char *f :
             {"CDTABEPREC", "DTINIVGPREC", "CDPRODUTO", "CDPRPAITABPR", "CDTIPOCONSPD",
              "NRDIASEMANPR", "HRINIPRECDIA", "HRFINPRECDIA", "DTINIVALPREC"})
            v.push_back(data::Value::fromVariant(r[field(f)]));
        return v;
    }
    Answer save(const data::Change &change) const
    {
        data::ChangeSet cs = changeSetFor(m_rules);
        cs.changes.push_back(change);
        return call(QStringLiteral("SetPrecoHora"), {cs});
    }
    // Consumer, delivery, comanda and client prices of the product in the current period.
    void setItemPrices(const QString &product, const QVariantList &prices) const
    {
        const auto items =
            packet(QStringLiteral("getItemPreco"), {"001", m_start, "4", product, ""});
        ASSERT_EQ(items.rows.size(), 1u);
        Row after = items.rows[0];
        int i = 0;
        for (const char *f : {"VRPRECITEM", "VRPRECITEMDLV", "VRPRECITEMCMD", "VRPRECITEMCL"})
            after[items.indexOf(QString::fromLatin1(f))] = prices[i++];
        data::ChangeSet cs = changeSetFor(items);
        cs.changes.push_back(modify(items.rows[0], after));
        ASSERT_EQ(call(QStringLiteral("SetItemPreco"), {cs, ""}).status, 200);
    }
    Row withValues(Row row, const std::vector<std::pair<const char *, QVariant>> &values) const
    {
        for (const auto &[name, value] : values)
            row[field(name)] = value;
        return row;
    }
    static QVariant at(QDate d) { return QDateTime(d, QTime(0, 0)); }

    QDate m_start, m_end;
    data::DataPacket m_rules;
};

// Each modality's price comes from the item's prices saved now, exact to the cent where
// binary arithmetic falls one short (24.90 - 20 % = 19.92, not 19.91).
TEST_F(DayHourTest, PricesAreExactDecimalsOfTheItemsCurrentPrices)
{
    ASSERT_FALSE(m_rules.rows.empty());
    const Row rule = m_rules.rows[0];
    const QString product = rule[field("CDPRODUTO")].toString();
    setItemPrices(product, {24.90, 19.90, 4.35, 0.0});

    Row edited = rule;
    edited[field("IDPERVALORPR")] = QStringLiteral("P");
    edited[field("IDDESCACREPR")] = QStringLiteral("D");
    for (const char *f : {"VRPRECODIA", "VRPRECODIADLV", "VRPRECODIACMD"})
        edited[field(f)] = 20.0;
    ASSERT_EQ(save(modify(rule, edited)).status, 200);
    const auto pricesNow = [&] {
        const auto rules = packet(QStringLiteral("GetPrecoHora"), {"001", m_start});
        std::vector<double> prices;
        for (const Row &r : rules.rows)
            if (identity(r) == identity(rule))
                for (const char *f : {"PRECO", "PRECODLV", "PRECOCMD"})
                    prices.push_back(r[field(f)].toDouble());
        return prices;
    };
    EXPECT_EQ(pricesNow(), (std::vector<double>{19.92, 15.92, 3.48}));

    // A value typed as a price in the window (0.07 on 1.00 gives 93 %) comes back as 0.07.
    setItemPrices(product, {1.00, 1.00, 1.00, 0.0});
    Row typed = edited;
    typed[field("VRPRECODIA")] = 93.0;
    ASSERT_EQ(save(modify(edited, typed)).status, 200);
    EXPECT_EQ(pricesNow(), (std::vector<double>{0.07, 0.80, 0.80}));
}

// Every price below the item price limit can be computed with, the client price added to it.
TEST_F(DayHourTest, PricesUpToTheItemLimitAreComputedWith)
{
    ASSERT_FALSE(m_rules.rows.empty());
    const Row rule = m_rules.rows[0];
    setItemPrices(rule[field("CDPRODUTO")].toString(),
                  {999999999999998.0, 950000000000000.0, 0.5, 999999999999998.0});
    const Row edited = withValues(rule, {{"IDPERVALORPR", "P"},
                                         {"IDDESCACREPR", "D"},
                                         {"VRPRECODIA", 10.0},
                                         {"VRPRECODIADLV", 10.0},
                                         {"VRPRECODIACMD", 10.0}});
    ASSERT_EQ(save(modify(rule, edited)).status, 200);
    std::vector<double> prices;
    for (const Row &r : packet(QStringLiteral("GetPrecoHora"), {"001", m_start}).rows)
        if (identity(r) == identity(rule))
            for (const char *f : {"PRECO", "PRECODLV", "PRECOCMD"})
                prices.push_back(r[field(f)].toDouble());
    // 10 % off 1,999,999,999,999,996 is 1,799,999,999,999,996.40, and so on.
    EXPECT_EQ(prices,
              (std::vector<double>{1799999999999996.40, 1754999999999998.20, 899999999999998.65}));
}

TEST_F(DayHourTest, DuplicatesShareAllNineIdentityValues)
{
    const Row rule = m_rules.rows[0];
    const ValueArray same = identity(rule);
    EXPECT_EQ(packet(QStringLiteral("getVdModalidade"), same).rows.size(), 1u);
    // Changing any one of the nine values makes it another rule.
    const data::Value other[] = {
        "002",  m_start.addDays(-1), "0000000999", "0000000999", "05", "9", "0001",
        "0002", m_start.addDays(3)};
    for (size_t i = 0; i < 9; ++i) {
        ValueArray args = same;
        args[i] = other[i];
        EXPECT_TRUE(packet(QStringLiteral("getVdModalidade"), args).rows.empty()) << i;
    }
}

TEST_F(DayHourTest, SavingRulesKeepsThemUniqueAndTiedToAPrice)
{
    const Row rule = m_rules.rows[0];
    Row copy = rule;
    copy[field("NRDIASEMANPR")] = QStringLiteral("F");
    copy[field("HRINIPRECDIA")] = QStringLiteral("0800");
    ASSERT_EQ(save(insert(copy)).status, 200);
    const Answer again = save(insert(copy));
    EXPECT_EQ(again.status, 409);
    EXPECT_EQ(again.reply.errorMessage,
              QStringLiteral("Preço diferenciado já cadastrado para os dados informados."));

    Row orphan = rule;
    orphan[field("CDPRODUTO")] = QStringLiteral("0000000011"); // never priced (every 11th)
    orphan[field("CDPRPAITABPR")] = QStringLiteral("0000000011");
    const Answer noPrice = save(insert(orphan));
    EXPECT_EQ(noPrice.status, 422);
    EXPECT_EQ(noPrice.reply.errorMessage, QStringLiteral("Preço do produto não está cadastrado."));

    Row edited = rule;
    edited[field("VRPRECODIA")] = 7.0;
    ASSERT_EQ(save(modify(rule, edited)).status, 200);
    EXPECT_EQ(save(modify(rule, edited)).status, 409); // stale: the value changed
    EXPECT_EQ(save(remove(rule)).status, 409);
    ASSERT_EQ(save(remove(edited)).status, 200);
    EXPECT_TRUE(packet(QStringLiteral("getVdModalidade"), identity(rule)).rows.empty());
}

// Whatever a client sends, a rule the window would refuse is refused with the window's text and
// nothing is stored.
TEST_F(DayHourTest, HostileRulesAreRefusedWithTheWindowsText)
{
    const Row stored = m_rules.rows[0];
    setItemPrices(stored[field("CDPRODUTO")].toString(), {10.00, QVariant(), 12.00, 0.0});
    // A fixed discount of 2.00 on 10.00, every day of the period, for all consumer types.
    const Row good = withValues(stored, {{"NRDIASEMANPR", "F"},
                                         {"IDPERVALORPR", "V"},
                                         {"IDDESCACREPR", "D"},
                                         {"HRINIPRECDIA", "0800"},
                                         {"HRFINPRECDIA", "1000"},
                                         {"VRPRECODIA", 2.0},
                                         {"DTINIVALPREC", at(m_start)},
                                         {"DTFINVALPREC", at(m_end)},
                                         {"CDTIPOCONSPD", "T"},
                                         {"IDVISUACUPOM", "N"},
                                         {"IDTPMODGERAL", "S"},
                                         {"IDTPMODDLV", "N"},
                                         {"IDTPMODCMD", "N"}});
    const struct {
        std::vector<std::pair<const char *, QVariant>> values;
        const char *message;
    } cases[] = {
        {{{"NRDIASEMANPR", "9"}}, "Dia deve ser informado."},
        {{{"NRDIASEMANPR", ""}}, "Dia deve ser informado."},
        {{{"IDPERVALORPR", "Q"}}, "Percentual/Valor deve ser informado."},
        {{{"IDDESCACREPR", "X"}}, "Desconto/Acréscimo deve ser informado."},
        {{{"HRINIPRECDIA", "2460"}}, "'24:60'Hora inválida."},
        {{{"HRINIPRECDIA", ""}}, "':'Hora inválida."},
        {{{"HRFINPRECDIA", "zz00"}}, "'zz:00'Hora inválida."},
        {{{"HRINIPRECDIA", "1300"}, {"HRFINPRECDIA", "1200"}},
         "Hora Inicial deve ser menor que a Hora Final."},
        // 09:30 is after 08:00, though a blank sorts before "0".
        {{{"HRINIPRECDIA", " 930"}, {"HRFINPRECDIA", "0800"}},
         "Hora Inicial deve ser menor que a Hora Final."},
        {{{"VRPRECODIA", -50.0}}, "Valor deve ser maior que zero."},
        {{{"VRPRECODIA", 10.0}}, "Preço deve ser maior que zero."},
        {{{"IDDESCACREPR", "A"}, {"VRPRECODIA", 10.0}},
         "O valor do acréscimo não pode ser maior ou igual ao preço do produto."},
        {{{"IDPERVALORPR", "P"}, {"IDDESCACREPR", "A"}, {"VRPRECODIA", 1.7e308}},
         "O valor do acréscimo não pode ser maior ou igual ao preço do produto."},
        {{{"IDTPMODDLV", "S"}, {"VRPRECODIADLV", 1.0}},
         "Para informar preço diferenciado para o delivery, o preco de delivery do produto "
         "também deve ser informado."},
        {{{"IDTPMODCMD", "S"}, {"VRPRECODIACMD", 0.0}}, "Valor deve ser maior que zero."},
        {{{"IDTPMODGERAL", "N"}, {"VRPRECODIA", 0.0}}, "Valor deve ser maior que zero."},
        {{{"IDTPMODGERAL", "X"}}, "Valor inválido para o campo IDTPMODGERAL."},
        {{{"DTINIVALPREC", QVariant()}}, "Data inicial deve ser informada."},
        {{{"DTINIVALPREC", at(m_start.addDays(-1))}},
         "Data inicial de validade deve ser maior ou igual à data inicial de vigência da tabela "
         "de preços."},
        {{{"DTFINVALPREC", QVariant()}}, "Data final de validade deve ser informado."},
        {{{"DTINIVALPREC", at(QDate(2030, 1, 1))}, {"DTFINVALPREC", at(QDate(2020, 1, 1))}},
         "Data final de validade deve ser maior que a data inicial de validade."},
        {{{"DTFINVALPREC", at(m_end.addDays(1))}},
         "Data final de validade deve ser menor ou igual que a data final de vigência."},
        {{{"CDTIPOCONSPD", "99"}}, "Tipo de consumidor não cadastrado."},
    };
    for (const auto &c : cases) {
        const Row bad = withValues(good, c.values);
        const Answer a = save(insert(bad));
        EXPECT_EQ(a.status, 422) << c.message;
        EXPECT_EQ(a.reply.errorMessage.toStdString(), c.message);
    }
    EXPECT_EQ(save(modify(stored, withValues(stored, {{"VRPRECODIA", -1.0}}))).status, 422);
    EXPECT_EQ(packet(QStringLiteral("GetPrecoHora"), {"001", m_start}).rows.size(),
              m_rules.rows.size());

    // The good rule goes in, its consumer type padded as the window pads it.
    ASSERT_EQ(save(insert(withValues(good, {{"CDTIPOCONSPD", " 1"}}))).status, 200);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM ITEMPRECODIA WHERE CDTIPOCONSPD = '01' "
                                    "AND NRDIASEMANPR = 'F'"))
                  .toInt(),
              1);
}

// A rule stored before the server checked rules (1.7e308 % on 999, or a value no number
// holds) neither breaks its period's reads nor stays out of reach of the window.
TEST_F(DayHourTest, APoisonedPeriodStillLoads)
{
    const Row rule = m_rules.rows[0];
    const QString product = rule[field("CDPRODUTO")].toString();
    const QString parent = rule[field("CDPRPAITABPR")].toString();
    setItemPrices(product, {999.0, QVariant(), QVariant(), 0.0});
    for (const char *poison : {"'V', 1.7e308", "'F', 9e999"})
        scalar(QStringLiteral("INSERT INTO ITEMPRECODIA (CDTABEPREC, DTINIVGPREC, CDPRODUTO, "
                              "CDPRPAITABPR, NRDIASEMANPR, VRPRECODIA, IDPERVALORPR, "
                              "IDDESCACREPR, HRINIPRECDIA, HRFINPRECDIA, DTINIVALPREC, "
                              "DTFINVALPREC, CDTIPOCONSPD, IDVISUACUPOM, IDTPMODGERAL, "
                              "IDTPMODDLV, IDTPMODCMD) VALUES ('001', ?, ?, ?, %1, 'P', 'A', "
                              "'0800', '1000', ?, ?, 'T', 'N', 'S', 'N', 'N')")
                   .arg(QLatin1String(poison)),
               {m_start.toString(Qt::ISODate), product, parent, m_start.toString(Qt::ISODate),
                m_end.toString(Qt::ISODate)});

    const auto rules = packet(QStringLiteral("GetPrecoHora"), {"001", m_start});
    std::vector<Row> poisoned;
    for (const Row &r : rules.rows)
        if (r[field("CDPRODUTO")] == product && r[field("HRINIPRECDIA")] == "0800")
            poisoned.push_back(r);
    ASSERT_EQ(poisoned.size(), 2u);
    for (const Row &r : poisoned) {
        EXPECT_TRUE(r[field("PRECO")].isNull());
        const auto same = packet(QStringLiteral("getVdModalidade"), identity(r));
        EXPECT_EQ(same.rows.size(), 1u);
    }
    const QStringList lines = log();
    EXPECT_EQ(lines.filter(QStringLiteral("não representável")).size(), 4)
        << lines.join(u'\n').toStdString();
    const QRegularExpression loaded(QStringLiteral("^GetPrecoHora \\d+ ms ok$"));
    EXPECT_EQ(lines.filter(loaded).size(), 2); // on setting up, and now

    // The window can delete the rule it loaded.
    const Row &huge = poisoned[0][field("NRDIASEMANPR")] == "V" ? poisoned[0] : poisoned[1];
    EXPECT_EQ(save(remove(huge)).status, 200);
}

} // namespace
} // namespace vnd::server::test
