#include "rulestestsupport.h"

#include "host/services/errors.h"
#include "pricetable/itemprice.h"

#include <gtest/gtest.h>

using namespace rulestest;
using namespace vnd::pricetable;
using vnd::data::ClientDataSet;
using vnd::data::DataSetState;

namespace
{

// Edits the item row with the given values and posts it through the before-post rules.
struct PostedItem {
    std::unique_ptr<ClientDataSet> ds = itemPreco();
    QString camposVazios;
    Outcome outcome;

    explicit PostedItem(const Values &edits)
    {
        ds->beforePost = [this](ClientDataSet &d) {
            itemPrecoBeforePost(d, messages(), camposVazios);
        };
        ds->edit();
        set(*ds, edits);
        outcome = run(*ds, [this] { ds->post(); });
    }
    QVariant value(const char *field) const
    {
        return ds->fieldByName(QString::fromLatin1(field)).value();
    }
};

const QVariant kNull;

} // namespace

TEST(ItemPrecoBeforePost, ChecksInOrderWithFocusAndMessage)
{
    struct Case {
        const char *name;
        Values edits;
        const char *key; // nullptr: accepted
        const char *focus;
    };
    const double limit = 999999999999999.0;
    // clang-format off
    const Case cases[] = {
        {"zero consumer price", {{"VRPRECITEM", 0.0}}, nullptr, ""},
        {"negative consumer", {{"VRPRECITEM", -0.01}}, "VrCons_Zero", "VRPRECITEM"},
        {"consumer at limit", {{"VRPRECITEM", limit}}, "Ope_bl_VrPrec", "VRPRECITEM"},
        {"consumer below limit", {{"VRPRECITEM", limit - 1}}, nullptr, ""},
        {"negative delivery", {{"VRPRECITEMDLV", -1.0}}, "VrCons_Zero", "VRPRECITEMDLV"},
        {"delivery at limit", {{"VRPRECITEMDLV", limit}}, "Ope_bl_VrPrec", "VRPRECITEMDLV"},
        {"negative order pad", {{"VRPRECITEMCMD", -1.0}}, "VrCons_Zero", "VRPRECITEMCMD"},
        {"order pad at limit", {{"VRPRECITEMCMD", limit}}, "Ope_bl_VrPrec", "VRPRECITEMCMD"},
        {"negative client", {{"VRPRECITEMCL", -1.0}}, "VrClie_Zero", "VRPRECITEMCL"},
        {"client at limit", {{"VRPRECITEMCL", limit}}, "Ope_bl_VrItemCl", "VRPRECITEMCL"},
        {"negative suggested", {{"VRPRESUGITEM", -1.0}}, "PRSUGMAIOR", "VRPRESUGITEM"},
        {"suggested at limit", {{"VRPRESUGITEM", limit}}, "Ope_bl_VrItem_Sug", "VRPRESUGITEM"},
        {"calculated at limit", {{"VRCUSTITEM", limit}}, "Ope_bl_Vr_Cal", "VRCUSTITEM"},
        {"negative calculated", {{"VRCUSTITEM", -5.0}}, nullptr, ""},
        {"consumer before delivery", {{"VRPRECITEM", -1.0}, {"VRPRECITEMDLV", -1.0}},
         "VrCons_Zero", "VRPRECITEM"},
        {"prices before times", {{"VRPRECITEMCL", -1.0}, {"HRINIVENPROD", "2500"}},
         "VrClie_Zero", "VRPRECITEMCL"},
        {"start without end", {{"HRINIVENPROD", "1030"}}, "HORAFININF", "HRFIMVENPROD"},
        {"end without start", {{"HRFIMVENPROD", "1030"}}, "HORAINIINF", "HRINIVENPROD"},
        {"start after end", {{"HRINIVENPROD", "1800"}, {"HRFIMVENPROD", "0900"}}, nullptr, ""},
    };
    // clang-format on
    for (const Case &c : cases) {
        PostedItem item(c.edits);
        const QString expected = c.key ? messages().msg(QString::fromLatin1(c.key)) : QString();
        EXPECT_EQ(item.outcome.refused, c.key != nullptr) << c.name;
        EXPECT_EQ(item.outcome.message, expected) << c.name;
        EXPECT_EQ(item.outcome.focus, QString::fromLatin1(c.focus)) << c.name;
        EXPECT_EQ(item.ds->state(), c.key ? DataSetState::Edit : DataSetState::Browse) << c.name;
    }
}

TEST(ItemPrecoBeforePost, InvalidTimeIsEmptiedAndQuoted)
{
    struct Case {
        Values edits;
        const char *field;
        const char *message;
    };
    const Case cases[] = {
        {{{"HRINIVENPROD", "2500"}, {"HRFIMVENPROD", "1000"}},
         "HRINIVENPROD",
         "'25:00'Hora inválida."},
        {{{"HRINIVENPROD", "1000"}, {"HRFIMVENPROD", "1261"}},
         "HRFIMVENPROD",
         "'12:61'Hora inválida."},
        {{{"HRINIVENPROD", "930"}, {"HRFIMVENPROD", "1000"}},
         "HRINIVENPROD",
         "'93:0'Hora inválida."},
        {{{"HRINIVENPROD", "1a30"}, {"HRFIMVENPROD", "1000"}},
         "HRINIVENPROD",
         "'1a:30'Hora inválida."},
    };
    for (const Case &c : cases) {
        PostedItem item(c.edits);
        EXPECT_EQ(item.outcome.message, text(c.message));
        EXPECT_EQ(item.outcome.focus, QString::fromLatin1(c.field));
        EXPECT_TRUE(item.ds->fieldByName(QString::fromLatin1(c.field)).isNull()) << c.message;
        EXPECT_EQ(item.ds->state(), DataSetState::Edit);
    }
    // A leading blank left by the optional hour digit is a valid time.
    PostedItem blank({{"HRINIVENPROD", " 930"}, {"HRFIMVENPROD", "1000"}});
    EXPECT_FALSE(blank.outcome.refused) << blank.outcome.message.toStdString();
}

TEST(ItemPrecoBeforePost, NormalisesPricesBeforeSaving)
{
    PostedItem item({{"VRPRECITEM", 12.349},
                     {"VRPRESUGITEM", 12.349},
                     {"VRPRECITEMDLV", 1.159},
                     {"VRPRECITEMCL", 0.29},
                     {"VRPRECITEMCMD", kNull},
                     {"IDPRECVARIA", kNull}});
    ASSERT_FALSE(item.outcome.refused) << item.outcome.message.toStdString();
    EXPECT_EQ(item.value("VRPRECITEM").toDouble(), 12.34);
    EXPECT_EQ(item.value("VRPRESUGITEM").toDouble(), 12.349); // never cut
    EXPECT_EQ(item.value("VRPRECITEMDLV").toDouble(), 1.15);
    EXPECT_EQ(item.value("VRPRECITEMCL").toDouble(), 0.29);
    EXPECT_TRUE(item.value("VRPRECITEMCMD").isNull());
    EXPECT_EQ(item.value("IDPRECVARIA").toString(), "N");

    PostedItem empty({{"VRPRECITEM", kNull}, {"VRPRECITEMCL", kNull}});
    EXPECT_EQ(empty.value("VRPRECITEM"), QVariant(0.0));
    EXPECT_EQ(empty.value("VRPRECITEMCL"), QVariant(0.0));
}

TEST(ItemPrecoBeforePost, EmptyFieldListInFieldOrder)
{
    PostedItem item({{"VRPRECITEMDLV", kNull}, {"VRPRECITEMCMD", kNull}, {"VRPRECITEM", kNull}});
    ASSERT_FALSE(item.outcome.refused);
    EXPECT_EQ(item.camposVazios, "VRPRECITEMCMD|VRPRECITEMDLV|HRINIVENPROD|HRFIMVENPROD|");

    // Rebuilt on every attempt, even one that is then refused on the times.
    PostedItem refused({{"CDBARPRODUTO", ""}, {"HRFIMVENPROD", "1000"}});
    EXPECT_TRUE(refused.outcome.refused);
    EXPECT_EQ(refused.camposVazios, "CDBARPRODUTO|HRINIVENPROD|");
}

TEST(ItemPreco, EditDefaultsAndNoInserts)
{
    auto ds = itemPreco({{"CDTABEPREC", kNull}, {"DTINIVGPREC", kNull}});
    ds->afterEdit = [](ClientDataSet &d) { applyItemEditDefaults(d, period()); };
    ds->beforeInsert = refuseItemInsert;
    EXPECT_EQ(ds->fieldByName(u"IDPRODPROMOC").displayText(), "Sim");
    ds->edit();
    EXPECT_EQ(ds->fieldByName(u"IDPRODPROMOC").displayText(), text("Não"));
    EXPECT_EQ(ds->fieldByName(u"CDTABEPREC").asString(), "001");
    EXPECT_EQ(ds->fieldByName(u"DTINIVGPREC").asDateTime().date(), QDate(2026, 12, 1));
    ds->cancel();

    EXPECT_THROW(ds->append(), vnd::SilentAbort);
    EXPECT_EQ(ds->state(), DataSetState::Browse);
    EXPECT_EQ(ds->recordCount(), 1);
}

TEST(ItemPreco, DayHourFilterFollowsTheItem)
{
    auto item = itemPreco({{"CDPRODUTO", "0000000102"}, {"CDPRPAITABPR", "0000000100"}});
    EXPECT_EQ(precoHoraFilterText(period(), *item),
              "CDTABEPREC = '001' and DTINIVGPREC = '01/12/2026' and CDPRODUTO = '0000000102' "
              "and CDPRPAITABPR = '0000000100'");

    // The dataset's filter reads the text back: only the item's rules of the period remain.
    auto rules = precoHora(
        {{{"CDPRODUTO", "0000000102"}, {"CDPRPAITABPR", "0000000100"}},
         {{"CDPRODUTO", "0000000102"}, {"CDPRPAITABPR", "0000000102"}},
         {{"CDPRODUTO", "0000000101"}},
         {{"CDPRODUTO", "0000000102"}, {"CDPRPAITABPR", "0000000100"}, {"NRDIASEMANPR", "5"}}});
    applyPrecoHoraFilter(*rules, precoHoraFilterText(period(), *item));
    EXPECT_EQ(rules->recordCount(), 2);
    applyPrecoHoraFilter(*rules, precoHoraFilterText({"002", QDate(2026, 12, 1), {}}, *item));
    EXPECT_EQ(rules->recordCount(), 0);

    // No item: nothing matches.
    ClientDataSet none;
    EXPECT_EQ(precoHoraFilterText(period(), none),
              "CDTABEPREC = '001' and DTINIVGPREC = '01/12/2026' and CDPRODUTO = '' and "
              "CDPRPAITABPR = ''");
}

TEST(ItemPreco, CompositionPageOnlyForComposedProducts)
{
    const std::pair<QVariant, bool> cases[] = {
        {2.0, true}, {1.0, true}, {0.0, false}, {QVariant(), false}};
    for (const auto &[count, enabled] : cases)
        EXPECT_EQ(composicaoEnabled(*itemPreco({{"NRCOMPPROD", count}})), enabled)
            << count.toString().toStdString();
    ClientDataSet inactive;
    EXPECT_FALSE(composicaoEnabled(inactive));
}
