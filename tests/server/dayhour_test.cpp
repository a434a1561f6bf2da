// Day/hour rules: computed prices, duplicates by identity, saving.

#include "serverfixture.h"

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
        m_start = currentPeriodStart(packet(QStringLiteral("getVigenciaTab"), {"001"}), today());
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

    QDate m_start;
    data::DataPacket m_rules;
};

// Each modality's price comes from the item's prices saved now, exact to the cent where
// binary arithmetic falls one short (24.90 - 20 % = 19.92, not 19.91).
TEST_F(DayHourTest, PricesAreExactDecimalsOfTheItemsCurrentPrices)
{
    ASSERT_FALSE(m_rules.rows.empty());
    const Row rule = m_rules.rows[0];
    const QString product = rule[field("CDPRODUTO")].toString();
    auto items = packet(QStringLiteral("getItemPreco"), {"001", m_start, "4", product, ""});
    ASSERT_EQ(items.rows.size(), 1u);
    const auto setItemPrices = [&](const QVariantList &prices) {
        const Row before = items.rows[0];
        Row after = before;
        int i = 0;
        for (const char *f : {"VRPRECITEM", "VRPRECITEMDLV", "VRPRECITEMCMD", "VRPRECITEMCL"})
            after[items.indexOf(QString::fromLatin1(f))] = prices[i++];
        data::ChangeSet cs = changeSetFor(items);
        cs.changes.push_back(modify(before, after));
        ASSERT_EQ(call(QStringLiteral("SetItemPreco"), {cs, ""}).status, 200);
        items.rows[0] = after;
    };
    setItemPrices({24.90, 19.90, 4.35, 0.0});

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
    setItemPrices({1.00, 1.00, 1.00, 0.0});
    Row typed = edited;
    typed[field("VRPRECODIA")] = 93.0;
    ASSERT_EQ(save(modify(edited, typed)).status, 200);
    EXPECT_EQ(pricesNow(), (std::vector<double>{0.07, 0.80, 0.80}));
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

} // namespace
} // namespace vnd::server::test
