#include "rulestestsupport.h"

#include "pricetable/gridformat.h"

#include <gtest/gtest.h>

using namespace rulestest;
using namespace vnd::pricetable;
using vnd::data::DataSetState;

TEST(ItemGrid, CellColours)
{
    struct Case {
        double price, sub, calc;
        bool selected;
        CellText text;
        CellBackground background;
    };
    using T = CellText;
    using B = CellBackground;
    const Case cases[] = {
        {10, 0, 8, false, T::Blue, B::Cell},
        {10, 0, 0, false, T::Normal, B::Cell}, // no calculated price: never blue
        {8, 3, 10, false, T::Red, B::Cell},    // below the calculated price
        {10, 0, 10, false, T::Normal, B::Cell},
        {10, 0, 10, true, T::Selected, B::Selected},
        {10, 0, 8, true, T::Blue, B::Cell},    // coloured in the first pass
        {5, 0, 10, true, T::Red, B::Cell},     // calculated above price + client
        {8, 3, 10, true, T::Red, B::Selected}, // red only from the second pass
        {10, -5, 8, false, T::Blue, B::Cell},  // blue wins over the first red
        {10.004, 0, 10.001, false, T::Blue, B::Cell},
        {10, 0.004, 10.001, true, T::Red, B::Selected}, // equal at two decimals
    };
    for (const Case &c : cases) {
        const ItemCellColours got = itemCellColours(c.price, c.sub, c.calc, c.selected);
        EXPECT_EQ(got.text, c.text)
            << c.price << " " << c.sub << " " << c.calc << " " << c.selected;
        EXPECT_EQ(got.background, c.background) << c.price << " " << c.calc << " " << c.selected;
    }
}

TEST(ItemGrid, CellTextsEmptyVersusZero)
{
    struct Case {
        const char *field;
        QVariant value;
        const char *text;
        bool right;
    };
    const Case cases[] = {
        {"VRPRECITEM", QVariant(), "", false},
        {"VRPRECITEM", 0.0, "0,00", true},
        {"VRPRECITEMDLV", 1234.5, "1234,50", true},
        {"VRPRECITEMCMD", 2.675, "2,68", true},
        {"VRPRECITEMCL", -1.5, "-1,50", true},
        {"VRMKUPITEM", -0.001, "0,00", true},
        {"VRCUSTITEM", QVariant(), "", false},
        {"CDARVPROD", "1010010101", "1.01.001.0101", false},
        {"CDARVPROD", "", "", false},
        {"NMPRODUTO", "X-SALADA", "X-SALADA", false},
        {"HRINIVENPROD", "0930", "09:30", false},
        {"IDPRODPROMOC", "N", "Não", false},
    };
    const auto picture = [](const QString &code) {
        return code.left(1) + '.' + code.mid(1, 2) + '.' + code.mid(3, 3) + '.' + code.mid(6);
    };
    for (const Case &c : cases) {
        auto ds = itemPreco({{QString::fromLatin1(c.field), c.value}});
        const ItemCellDisplay got =
            itemCellText(ds->fieldByName(QString::fromLatin1(c.field)), picture);
        EXPECT_EQ(got.text, text(c.text)) << c.field << " " << c.text;
        EXPECT_EQ(got.rightAligned, c.right) << c.field << " " << c.text;
    }
    EXPECT_EQ(formatThousands2(1234567.891), "1.234.567,89");
}

TEST(ItemGrid, KeyFiltering)
{
    struct Case {
        QChar typed;
        const char *field;
        DataSetState state;
        QChar result; // null: swallowed
    };
    const QChar none;
    const Case cases[] = {
        {u'a', "NMPRODUTO", DataSetState::Browse, u'A'},
        {u'z', "CDBARPRODUTO", DataSetState::Edit, u'Z'},
        {u'é', "NMPRODUTO", DataSetState::Edit, u'é'},
        {u'1', "VRPRECITEM", DataSetState::Edit, u'1'},
        {u'1', "CDARVPROD", DataSetState::Browse, none},
        {u'1', "CDARVPROD", DataSetState::Edit, none},
        {u'1', "CDARVPROD", DataSetState::Insert, u'1'},
        {u's', "IDPRODPROMOC", DataSetState::Edit, none},
        {u'N', "IDPRECVARIA", DataSetState::Browse, none},
    };
    for (const Case &c : cases)
        EXPECT_EQ(itemKeyPress(c.typed, QString::fromLatin1(c.field), c.state), c.result)
            << c.field << " " << QString(c.typed).toStdString();

    EXPECT_TRUE(itemKeyDownSwallowed(Qt::Key_Delete, Qt::ControlModifier));
    EXPECT_FALSE(itemKeyDownSwallowed(Qt::Key_Delete, Qt::NoModifier));
    EXPECT_FALSE(itemKeyDownSwallowed(Qt::Key_D, Qt::ControlModifier));
    EXPECT_FALSE(itemColumnEditable("NRCOMPPROD"));
    EXPECT_TRUE(itemColumnEditable("NMPRODUTO"));
}

TEST(ItemGrid, FlagAndTimeTexts)
{
    auto ds = itemPreco({{"IDPRECVARIA", ""}, {"IDPRODPROMOC", "S"}, {"HRFIMVENPROD", "1030"}});
    EXPECT_EQ(ds->fieldByName(u"IDPRECVARIA").displayText(), "");
    EXPECT_EQ(ds->fieldByName(u"IDPRODPROMOC").text(), "Sim");
    EXPECT_EQ(ds->fieldByName(u"HRINIVENPROD").displayText(), "");
    EXPECT_EQ(ds->fieldByName(u"HRFIMVENPROD").displayText(), "10:30");

    ds->edit();
    const std::pair<const char *, const char *> entries[] = {
        {"Não", "N"}, {"sim", "N"}, {"S", "N"}, {"Sim", "S"}, {"", "S"}};
    for (const auto &[typed, stored] : entries) {
        ds->fieldByName(u"IDPRODPROMOC").setText(text(typed));
        EXPECT_EQ(ds->fieldByName(u"IDPRODPROMOC").asString(), stored) << typed;
    }
}

TEST(ItemGrid, CompositionIcon)
{
    const std::pair<QVariant, bool> cases[] = {{2.0, true}, {0.0, false}, {QVariant(), false}};
    for (const auto &[count, icon] : cases)
        EXPECT_EQ(
            showsCompositionIcon(itemPreco({{"NRCOMPPROD", count}})->fieldByName(u"NRCOMPPROD")),
            icon);
}
