// Every method of the typed facade, through the module's connection, against the real
// server: arguments reach it in their order, results are the datasets the windows load,
// change sets round-trip and by-reference texts come back.

#include "netfixture.h"

#include <functional>

namespace vnd::net::test
{
namespace
{

using data::ChangeSet;
using data::DataPacket;
using data::Reply;
using data::Row;
using data::Value;
using data::ValueArray;
using server::test::currentPeriodStart;
using server::test::insert;
using server::test::modify;

class FacadeTest : public NetFixture
{
protected:
    void SetUp() override
    {
        NetFixture::SetUp();
        m_start =
            currentPeriodStart(packetOf(m_rdm.getVigenciaTab(QStringLiteral("001"))), today());
        ASSERT_TRUE(m_start.isValid());
        QString product, mark = QStringLiteral("T");
        m_items = packetOf(
            m_rdm.getItemPreco(QStringLiteral("001"), m_start, QStringLiteral("4"), product, mark));
        ASSERT_FALSE(m_items.rows.empty());
    }
    QVariant item(const Row &r, const char *name) const
    {
        return r[m_items.indexOf(QString::fromLatin1(name))];
    }
    Row itemNamed(const QString &name) const
    {
        for (const Row &r : m_items.rows)
            if (item(r, "NMPRODUTO").toString() == name)
                return r;
        return {};
    }
    Row pricedItem() const
    {
        for (const Row &r : m_items.rows)
            if (!item(r, "VRPRECITEM").isNull() && item(r, "NRCOMPPROD").toDouble() == 0)
                return r;
        return {};
    }
    template <typename... Fields> static ChangeSet delta(const DataPacket &shape, Fields... changes)
    {
        ChangeSet cs;
        cs.fields = shape.fields;
        (cs.changes.push_back(changes), ...);
        return cs;
    }

    QDate m_start;
    DataPacket m_items;
};

TEST_F(FacadeTest, ReadMethodsSendTheirArgumentsInOrderAndYieldTheirDatasets)
{
    const QString combo =
        item(itemNamed(QStringLiteral("COMBO X-BURGUER")), "CDPRODUTO").toString();
    ASSERT_FALSE(combo.isEmpty());
    const DataPacket rules = packetOf(m_rdm.GetPrecoHora(QStringLiteral("001"), m_start));
    ASSERT_FALSE(rules.rows.empty());
    const Row rule = rules.rows[0];
    auto ruleValue = [&](const char *f) { return rule[rules.indexOf(QString::fromLatin1(f))]; };
    const QString product = ruleValue("CDPRODUTO").toString();

    // Each case: the facade call, the same call as the server expects it on the wire, the
    // rows the demo data gives (-1: at least one), and the dataset's leading fields.
    const struct {
        const char *name;
        std::function<Reply()> viaFacade;
        QString method;
        ValueArray wire;
        int rows;
        QStringList fields;
    } cases[] = {
        {"getTabGeral",
         [&] { return m_rdm.getTabGeral(); },
         "getTabGeral",
         {},
         3,
         {"CDTABEPREC", "NMTABEPREC"}},
        {"getVdTabGeral",
         [&] { return m_rdm.getVdTabGeral("002"); },
         "getVdTabGeral",
         {"002"},
         1,
         {}},
        {"getVdTabGeral, unknown table",
         [&] { return m_rdm.getVdTabGeral("999"); },
         "getVdTabGeral",
         {"999"},
         0,
         {}},
        {"getVigenciaTab",
         [&] { return m_rdm.getVigenciaTab("001"); },
         "getVigenciaTab",
         {"001"},
         3,
         {"CDTABEPREC", "DTINIVGPREC", "DTFINVGPREC", "VRREAJUSTE", "DTREAJUSTE", "IDSITVGPREC"}},
        {"getVdPeriodo",
         [&] { return m_rdm.getVdPeriodo("001", today().addDays(-30), today().addDays(31)); },
         "getVdPeriodo",
         {"001", today().addDays(-30), today().addDays(31)},
         1,
         {}},
        {"GetMaxDtFinVg",
         [&] { return m_rdm.GetMaxDtFinVg("001"); },
         "GetMaxDtFinVg",
         {"001"},
         1,
         {"DTFINVGPREC"}},
        {"getFilTab",
         [&] { return m_rdm.getFilTab("001"); },
         "getFilTab",
         {"001"},
         2,
         {"CDTABEPREC", "NMFILIAL", "CDFILIAL"}},
        {"getVdFilTab",
         [&] { return m_rdm.getVdFilTab("001", "0002"); },
         "getVdFilTab",
         {"001", "0002"},
         1,
         {}},
        {"getFilOutTab",
         [&] { return m_rdm.getFilOutTab("0004", "001"); },
         "getFilOutTab",
         {"0004", "001"},
         1,
         {"CDTABEPREC", "DTINIVGPREC"}},
        {"getItemPrecoComp",
         [&] { return m_rdm.getItemPrecoComp("001", combo, m_start); },
         "getItemPrecoComp",
         {"001", combo, m_start},
         3,
         {"NMPRODUTO", "CDARVPROD", "CDPRODUTO", "VRPRECITEM", "VRPRECITEMCL", "CDPRPAITABPR",
          "DTINIVGPREC", "IDIMPPRODROT", "QUANTIDADE", "CDTABEPREC"}},
        {"GetPrecoHora",
         [&] { return m_rdm.GetPrecoHora("001", m_start); },
         "GetPrecoHora",
         {"001", m_start},
         -1,
         {"CDTABEPREC", "DTINIVGPREC", "CDPRPAITABPR", "CDPRODUTO", "NRDIASEMANPR"}},
        {"getVdModalidade",
         [&] {
             return m_rdm.getVdModalidade(
                 "001", m_start, product, ruleValue("CDPRPAITABPR").toString(),
                 ruleValue("CDTIPOCONSPD").toString(), ruleValue("NRDIASEMANPR").toString(),
                 ruleValue("HRINIPRECDIA").toString(), ruleValue("HRFINPRECDIA").toString(),
                 ruleValue("DTINIVALPREC").toDateTime().date());
         },
         "getVdModalidade",
         {"001", m_start, product, ruleValue("CDPRPAITABPR").toString(),
          ruleValue("CDTIPOCONSPD").toString(), ruleValue("NRDIASEMANPR").toString(),
          ruleValue("HRINIPRECDIA").toString(), ruleValue("HRFINPRECDIA").toString(),
          ruleValue("DTINIVALPREC").toDateTime().date()},
         1,
         {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const Reply viaFacade = c.viaFacade();
        ASSERT_TRUE(viaFacade.ok) << qPrintable(viaFacade.errorMessage);
        ASSERT_EQ(viaFacade.result.kind(), Value::Kind::Packet);
        const DataPacket p = viaFacade.result.packet();
        if (c.rows < 0)
            EXPECT_FALSE(p.rows.empty());
        else
            EXPECT_EQ(int(p.rows.size()), c.rows);
        EXPECT_EQ(namesOf(p).mid(0, c.fields.size()), c.fields);
        const server::test::Answer wire = call(c.method, c.wire);
        ASSERT_EQ(wire.status, 200);
        EXPECT_EQ(p, wire.reply.result.packet());
    }
}

TEST_F(FacadeTest, ItemPricesCarryTheDatasetFieldsAndTheByReferenceTexts)
{
    EXPECT_EQ(
        namesOf(m_items),
        QStringList({"NMPRODUTO", "CDPRODUTO", "CDTABEPREC", "CDPRPAITABPR", "NRCOMPPROD",
                     "VRPRECITEM", "VRPRECITEMCMD", "VRPRECITEMDLV", "VRPRECITEMCL", "DTINIVGPREC",
                     "IDPRECVARIA", "VRPRESUGITEM", "CDARVPROD", "VRCUSTITEM", "VRMKUPITEM",
                     "IDPRODPROMOC", "CDBARPRODUTO", "HRINIVENPROD", "HRFIMVENPROD"}));
    EXPECT_EQ(int(m_items.rows.size()),
              scalar(QStringLiteral("SELECT COUNT(*) FROM PRODUTO WHERE CDNVPRODUTO = 4")).toInt());

    // One product, no mark: only that row; the texts survive the round trip.
    const Row one = m_items.rows[3];
    QString product = item(one, "CDPRODUTO").toString();
    QString mark;
    const DataPacket only = packetOf(
        m_rdm.getItemPreco(QStringLiteral("001"), m_start, QStringLiteral("4"), product, mark));
    ASSERT_EQ(only.rows.size(), 1u);
    EXPECT_EQ(only.rows[0], one);
    EXPECT_EQ(product, item(one, "CDPRODUTO").toString());
    EXPECT_EQ(mark, QString());

    // A refused call leaves the caller's texts alone.
    QString keep = QStringLiteral("x");
    const Reply bad =
        m_rdm.getItemPreco(QStringLiteral("001"), m_start, QStringLiteral("nível"), keep, keep);
    EXPECT_FALSE(bad.ok);
    EXPECT_EQ(bad.errorCode, QStringLiteral("bad_request"));
    EXPECT_EQ(keep, QStringLiteral("x"));
}

TEST_F(FacadeTest, SetItemPrecoSavesAndReturnsTheEmptyFieldList)
{
    const Row loaded = pricedItem();
    ASSERT_FALSE(loaded.isEmpty());
    Row changed = loaded;
    changed[m_items.indexOf(u"VRPRECITEM")] = 23.45;
    changed[m_items.indexOf(u"VRPRECITEMDLV")] = QVariant();
    QString empty = QStringLiteral("VRPRECITEMDLV|");
    const Reply saved = m_rdm.SetItemPreco(delta(m_items, modify(loaded, changed)), empty);
    ASSERT_TRUE(saved.ok) << qPrintable(saved.errorMessage);
    EXPECT_EQ(empty, QStringLiteral("VRPRECITEMDLV|"));

    QString product = item(loaded, "CDPRODUTO").toString(), mark;
    const DataPacket now = packetOf(
        m_rdm.getItemPreco(QStringLiteral("001"), m_start, QStringLiteral("4"), product, mark));
    ASSERT_EQ(now.rows.size(), 1u);
    EXPECT_EQ(now.rows[0], changed);

    // The same stale change again: refused with the conflict message, nothing overwritten.
    Row stale = loaded;
    stale[m_items.indexOf(u"VRPRECITEM")] = 99.0;
    const Reply late = m_rdm.SetItemPreco(delta(m_items, modify(loaded, stale)), empty);
    EXPECT_FALSE(late.ok);
    EXPECT_EQ(late.errorCode, QStringLiteral("conflict"));
    EXPECT_EQ(late.errorMessage, QStringLiteral("Registro alterado ou excluído por outro "
                                                "usuário. Atualize os dados e tente novamente."));

    // Clearing the price removes the row's prices.
    const Reply cleared =
        m_rdm.setApagaPreco(QStringLiteral("001"), m_start.toString(QStringLiteral("dd/MM/yyyy")),
                            product, item(loaded, "CDPRPAITABPR").toString());
    ASSERT_TRUE(cleared.ok) << qPrintable(cleared.errorMessage);
    const DataPacket gone = packetOf(
        m_rdm.getItemPreco(QStringLiteral("001"), m_start, QStringLiteral("4"), product, mark));
    ASSERT_EQ(gone.rows.size(), 1u);
    EXPECT_TRUE(gone.rows[0][m_items.indexOf(u"VRPRECITEM")].isNull());
}

TEST_F(FacadeTest, ChangeSetsRoundTripThroughEverySetMethod)
{
    const DataPacket tables = packetOf(m_rdm.getTabGeral());
    ASSERT_TRUE(m_rdm.setTabGeral(delta(tables, insert({"050", "TABELA NOVA"}))).ok);
    const DataPacket after = packetOf(m_rdm.getTabGeral());
    EXPECT_EQ(after.rows.size(), tables.rows.size() + 1);
    EXPECT_EQ(packetOf(m_rdm.getVdTabGeral(QStringLiteral("050"))).rows.size(), 1u);

    const DataPacket periods = packetOf(m_rdm.getVigenciaTab(QStringLiteral("001")));
    const QDate from = today().addDays(5), to = today().addDays(9);
    ASSERT_TRUE(
        m_rdm.setVigenciaTab(delta(periods, insert({"050", from, to, QVariant(), QVariant(), "1"})))
            .ok);
    const DataPacket newPeriods = packetOf(m_rdm.getVigenciaTab(QStringLiteral("050")));
    ASSERT_EQ(newPeriods.rows.size(), 1u);
    EXPECT_EQ(newPeriods.rows[0][1].toDate(), from);
    EXPECT_EQ(packetOf(m_rdm.GetMaxDtFinVg(QStringLiteral("050"))).rows.at(0)[0].toDate(), to);

    const DataPacket links = packetOf(m_rdm.getFilTab(QStringLiteral("001")));
    ASSERT_FALSE(links.rows.empty());
    Row moved = links.rows[0];
    moved[0] = QStringLiteral("050");
    ASSERT_TRUE(m_rdm.setFilTab(delta(links, modify(links.rows[0], moved))).ok);
    EXPECT_EQ(packetOf(m_rdm.getFilTab(QStringLiteral("050"))).rows.size(), 1u);
    EXPECT_EQ(packetOf(m_rdm.getFilTab(QStringLiteral("001"))).rows.size(), links.rows.size() - 1);

    const DataPacket rules = packetOf(m_rdm.GetPrecoHora(QStringLiteral("001"), m_start));
    ASSERT_FALSE(rules.rows.empty());
    Row copy = rules.rows[0];
    copy[rules.indexOf(u"NRDIASEMANPR")] = QStringLiteral("F");
    copy[rules.indexOf(u"HRINIPRECDIA")] = QStringLiteral("0700");
    ASSERT_TRUE(m_rdm.SetPrecoHora(delta(rules, insert(copy))).ok);
    auto text = [&](const char *f) {
        return copy[rules.indexOf(QString::fromLatin1(f))].toString();
    };
    EXPECT_EQ(packetOf(m_rdm.getVdModalidade(
                           QStringLiteral("001"), m_start, text("CDPRODUTO"), text("CDPRPAITABPR"),
                           text("CDTIPOCONSPD"), text("NRDIASEMANPR"), text("HRINIPRECDIA"),
                           text("HRFINPRECDIA"),
                           copy[rules.indexOf(u"DTINIVALPREC")].toDateTime().date()))
                  .rows.size(),
              1u);

    // A change set refused half-way stores none of it.
    const Reply refused =
        m_rdm.setTabGeral(delta(tables, insert({"051", "OUTRA"}), insert({"050", "REPETIDA"})));
    EXPECT_FALSE(refused.ok);
    EXPECT_FALSE(refused.errorMessage.isEmpty());
    EXPECT_TRUE(packetOf(m_rdm.getVdTabGeral(QStringLiteral("051"))).rows.empty());
}

} // namespace
} // namespace vnd::net::test
