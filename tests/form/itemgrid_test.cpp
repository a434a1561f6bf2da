// The item price grid as the user sees and types into it: row colours, number cells, key
// filtering, the flag lists, Ctrl+Delete and the composition icon column.

#include "formfixture.h"

#include "host/widgets/dbsortgrid.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

namespace vnd::pricetable::test
{
namespace
{

using data::DataSetState;

class ItemGrid : public OpenFormFixture
{
protected:
    void SetUp() override
    {
        OpenFormFixture::SetUp();
        if (HasFatalFailure())
            return;
        grid = win().dbsItemPreco;
    }
    // The cell of the current row, as painted.
    QImage cell(const char *field)
    {
        const int column = widgets::IndiceCol(grid, QString::fromLatin1(field));
        const QRect r = grid->visualRect(grid->model()->index(items().recNo(), column));
        return grid->viewport()->grab(r).toImage();
    }
    static int ink(const QImage &img, const std::function<bool(QColor)> &test, int fromX = 0,
                   int toX = -1)
    {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = fromX; x < (toX < 0 ? img.width() : toX); ++x)
                n += test(img.pixelColor(x, y)) ? 1 : 0;
        return n;
    }
    static bool blue(QColor c) { return c.blue() > 180 && c.red() < 90 && c.green() < 90; }
    static bool red(QColor c) { return c.red() > 180 && c.green() < 90 && c.blue() < 90; }
    static bool dark(QColor c) { return c.lightness() < 90; }
    // Moves to the row and takes the focus away, so no cell shows as selected.
    void showRow(const std::function<bool(const data::ClientDataSet &)> &test)
    {
        ASSERT_TRUE(goToItemWhere(test));
        win().dbgPrecoHora->setFocus();
        QApplication::processEvents();
    }

    widgets::TDBSortGrid *grid = nullptr;
};

TEST_F(ItemGrid, RowsAreBlueAboveTheCalculatedPriceRedBelowAndPlainWithoutOne)
{
    struct Case {
        const char *name;
        std::function<bool(const data::ClientDataSet &)> row;
        bool (*colour)(QColor);
    };
    const Case cases[] = {
        {"above a non-zero calculated price",
         [](const data::ClientDataSet &ds) {
             return num(ds, "VRPRECITEM") > num(ds, "VRCUSTITEM") && num(ds, "VRCUSTITEM") != 0;
         },
         blue},
        {"below the calculated price",
         [](const data::ClientDataSet &ds) {
             return num(ds, "VRPRECITEM") < num(ds, "VRCUSTITEM");
         },
         red},
        {"no calculated price",
         [](const data::ClientDataSet &ds) {
             return num(ds, "VRCUSTITEM") == 0 && num(ds, "VRPRECITEM") == 0;
         },
         dark},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        showRow(c.row);
        const QImage name = cell("NMPRODUTO");
        EXPECT_GT(ink(name, c.colour), 0);
        for (bool (*other)(QColor) : {blue, red}) {
            if (other != c.colour) {
                EXPECT_EQ(ink(name, other), 0);
            }
        }
    }
}

TEST_F(ItemGrid, PricesAreRightAlignedAndAnEmptyPriceShowsNothing)
{
    showRow([](const data::ClientDataSet &ds) { return isNull(ds, "VRPRECITEM"); });
    EXPECT_EQ(ink(cell("VRPRECITEM"), dark), 0);
    EXPECT_EQ(ink(cell("VRPRECITEMDLV"), dark), 0);

    // Zero is a price: shown, on the right.
    win().dbsItemPreco->setFocus();
    win().sbtAlterar->trigger();
    items().fieldByName(u"VRPRECITEM").setValue(0.0);
    win().sbtConfirmar->trigger();
    ASSERT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
    win().dbgPrecoHora->setFocus();
    QApplication::processEvents();
    const QImage price = cell("VRPRECITEM");
    EXPECT_GT(ink(price, dark), 0);
    EXPECT_EQ(ink(price, dark, 0, price.width() / 2), 0);
}

TEST_F(ItemGrid, TypedLettersArriveUpperCasedAndTheCodeAndFlagsTakeNothing)
{
    ASSERT_TRUE(goToItem(QStringLiteral("X-BURGUER")));
    for (const char *field : {"CDARVPROD", "IDPRODPROMOC", "IDPRECVARIA"}) {
        SCOPED_TRACE(field);
        const QString before = str(items(), field);
        typeInto(grid, field, QStringLiteral("s"));
        EXPECT_EQ(items().state(), DataSetState::Browse);
        EXPECT_EQ(str(items(), field), before);
    }
    // What the grid passes on to the cell editor of the name column.
    focusCell(grid, "NMPRODUTO");
    for (const auto &[typed, passed] : {std::pair{u'a', u'A'}, std::pair{u'z', u'Z'},
                                        std::pair{u'7', u'7'}, std::pair{u'\u00e9', u'\u00e9'}}) {
        QChar ch(typed);
        grid->onKeyPress(ch);
        EXPECT_EQ(ch, QChar(passed));
    }
}

TEST_F(ItemGrid, FlagsShowSimOrNaoAndArePickedFromTheirList)
{
    ASSERT_TRUE(goToItemWhere([](const data::ClientDataSet &ds) {
        return str(ds, "IDPRECVARIA") == QLatin1String("N");
    }));
    const QModelIndex flag = grid->model()->index(
        items().recNo(), widgets::IndiceCol(grid, QStringLiteral("IDPRECVARIA")));
    EXPECT_EQ(flag.data().toString(), QStringLiteral("Não"));
    const widgets::TColumn &col =
        grid->column(widgets::IndiceCol(grid, QStringLiteral("IDPRECVARIA")));
    EXPECT_EQ(col.pickList, (QStringList{QStringLiteral("Sim"), QStringLiteral("Não")}));
    // What the drop-down list writes when "Sim" is picked.
    grid->setFocus();
    EXPECT_TRUE(grid->model()->setData(flag, QStringLiteral("Sim")));
    EXPECT_EQ(str(items(), "IDPRECVARIA"), QStringLiteral("S"));
    EXPECT_EQ(flag.data().toString(), QStringLiteral("Sim"));
}

TEST_F(ItemGrid, CtrlDeleteDoesNothingAndTheIconColumnTakesNoInput)
{
    const int rows = items().recordCount();
    focusCell(grid, "NMPRODUTO");
    press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(items().recordCount(), rows);
    EXPECT_TRUE(ui().events().isEmpty());

    focusCell(grid, "NRCOMPPROD");
    EXPECT_FALSE(grid->hasOption(widgets::dgEditing));
    press(Qt::Key_X);
    EXPECT_EQ(items().state(), DataSetState::Browse);
    focusCell(grid, "NMPRODUTO");
    EXPECT_TRUE(grid->hasOption(widgets::dgEditing));
}

TEST_F(ItemGrid, TheIconMarksComposedProductsOnly)
{
    const auto iconInk = [this] {
        return ink(cell("NRCOMPPROD"),
                   [](QColor c) { return c.saturation() > 60 || c.lightness() < 120; });
    };
    showRow([](const data::ClientDataSet &ds) { return num(ds, "NRCOMPPROD") > 0; });
    EXPECT_GT(iconInk(), 0);
    showRow([](const data::ClientDataSet &ds) { return num(ds, "NRCOMPPROD") == 0; });
    EXPECT_EQ(iconInk(), 0);
}

} // namespace
} // namespace vnd::pricetable::test
