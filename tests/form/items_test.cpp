// Item prices on the form page: edit defaults, the checks before post with their messages
// and focus, saving with the empty-field list, a refused save, clearing a product's prices,
// and what moving to another item does.

#include "formfixture.h"

#include "host/widgets/dbsortgrid.h"
#include "pricetable/tabgeralstate.h"

#include <QApplication>
#include <QTabWidget>
#include <QTest>

namespace vnd::pricetable::test
{
namespace
{

using data::DataSetState;

class ItemPrices : public FormFixture
{
protected:
    void SetUp() override
    {
        FormFixture::SetUp();
        if (HasFatalFailure())
            return;
        openAt(QStringLiteral("X-BURGUER"));
        if (HasFatalFailure())
            return;
        win().dbsItemPreco->setFocus();
        QApplication::processEvents();
        clearCalls();
    }
    // Alterar, the values, Confirmar: as the toolbar does it.
    void editAndConfirm(const std::function<void(data::ClientDataSet &)> &change)
    {
        win().sbtAlterar->trigger();
        ASSERT_EQ(items().state(), DataSetState::Edit);
        change(items());
        win().sbtConfirmar->trigger();
        QApplication::processEvents();
    }
    QVariant storedItem(const char *column)
    {
        return stored(
            QStringLiteral("SELECT %1 FROM ITEMPRECO WHERE CDTABEPREC = ? AND "
                           "DTINIVGPREC = ? AND CDPRODUTO = ? AND CDPRPAITABPR = ?")
                .arg(QString::fromLatin1(column)),
            {str(*win().cdsVigenciaTab, "CDTABEPREC"),
             win().cdsVigenciaTab->fieldByName(u"DTINIVGPREC").asDate().toString(Qt::ISODate),
             str(items(), "CDPRODUTO"), str(items(), "CDPRPAITABPR")});
    }
};

struct Refusal {
    const char *name;
    std::function<void(data::ClientDataSet &)> change;
    QString message;
    const char *focus;
};

TEST_F(ItemPrices, EachCheckRefusesWithItsMessageAndFocusAndSendsNothing)
{
    const auto set = [](const char *field, const QVariant &v) {
        return [field, v](data::ClientDataSet &ds) {
            if (v.isNull())
                ds.fieldByName(QString::fromLatin1(field)).clear();
            else
                ds.fieldByName(QString::fromLatin1(field)).setValue(v);
        };
    };
    const auto both = [](auto a, auto b) {
        return [a, b](data::ClientDataSet &ds) {
            a(ds);
            b(ds);
        };
    };
    const QString limit = QStringLiteral("Operação bloqueda. Valor preço inválido.");
    const QString negative = QStringLiteral("Valor consumidor deve ser maior que zero.");
    const Refusal cases[] = {
        {"negative price", set("VRPRECITEM", -0.01), negative, "VRPRECITEM"},
        {"price at the limit", set("VRPRECITEM", 999999999999999.0), limit, "VRPRECITEM"},
        {"price before client price", both(set("VRPRECITEMCL", -1.0), set("VRPRECITEM", -1.0)),
         negative, "VRPRECITEM"},
        {"negative delivery", set("VRPRECITEMDLV", -1.0), negative, "VRPRECITEMDLV"},
        {"order pad at the limit", set("VRPRECITEMCMD", 1e15), limit, "VRPRECITEMCMD"},
        {"negative client price", set("VRPRECITEMCL", -0.5),
         QStringLiteral("Valor Cliente deve ser maior ou igual a zero."), "VRPRECITEMCL"},
        {"negative suggested", set("VRPRESUGITEM", -2.0),
         QStringLiteral("Preço sugerido deve ser maior ou igual a zero."), "VRPRESUGITEM"},
        {"calculated at the limit", set("VRCUSTITEM", 1e15),
         QStringLiteral("Operação bloqueada. Valor preço calculado inválido."), "VRCUSTITEM"},
        {"end without start",
         both(set("HRINIVENPROD", QVariant()), set("HRFIMVENPROD", QStringLiteral("1800"))),
         QStringLiteral("Hora Inicial deve ser informada."), "HRINIVENPROD"},
        {"start without end",
         both(set("HRINIVENPROD", QStringLiteral("1030")), set("HRFIMVENPROD", QVariant())),
         QStringLiteral("Hora final deve ser informada."), "HRFIMVENPROD"},
        {"invalid start",
         both(set("HRINIVENPROD", QStringLiteral("2500")),
              set("HRFIMVENPROD", QStringLiteral("2600"))),
         QStringLiteral("'25:00'Hora inválida."), "HRINIVENPROD"},
        {"invalid end",
         both(set("HRINIVENPROD", QStringLiteral("1000")),
              set("HRFIMVENPROD", QStringLiteral("1075"))),
         QStringLiteral("'10:75'Hora inválida."), "HRFIMVENPROD"},
    };
    for (const Refusal &c : cases) {
        SCOPED_TRACE(c.name);
        ui().clear();
        clearCalls();
        editAndConfirm(c.change);
        EXPECT_EQ(ui().errors(), QStringList{c.message});
        EXPECT_EQ(items().state(), DataSetState::Edit);
        EXPECT_EQ(selectedField(win().dbsItemPreco), QString::fromLatin1(c.focus));
        EXPECT_FALSE(calls().contains(QStringLiteral("SetItemPreco"), Qt::CaseInsensitive));
        items().cancel();
    }
}

TEST_F(ItemPrices, AnInvalidTimeIsEmptiedAndTheNextPostRebuildsTheEmptyFieldList)
{
    editAndConfirm([](data::ClientDataSet &ds) {
        ds.fieldByName(u"HRINIVENPROD").setValue(QStringLiteral("2460"));
        ds.fieldByName(u"HRFIMVENPROD").setValue(QStringLiteral("2300"));
    });
    EXPECT_EQ(ui().lastError(), QStringLiteral("'24:60'Hora inválida."));
    EXPECT_TRUE(str(items(), "HRINIVENPROD").isEmpty());
    // Emptying the end too makes a valid row without a sales window.
    items().fieldByName(u"HRFIMVENPROD").clear();
    win().sbtConfirmar->trigger();
    EXPECT_EQ(items().state(), DataSetState::Browse);
    EXPECT_TRUE(win().stCamposVazios.contains(QStringLiteral("HRINIVENPROD|HRFIMVENPROD|")));
    EXPECT_TRUE(storedItem("HRINIVENPROD").isNull());
    EXPECT_TRUE(storedItem("HRFIMVENPROD").isNull());
}

TEST_F(ItemPrices, ASavedRowReachesTheServerCutAndWithItsEmptyFields)
{
    editAndConfirm([](data::ClientDataSet &ds) {
        ds.fieldByName(u"VRPRECITEM").setValue(12.349);
        ds.fieldByName(u"VRPRESUGITEM").setValue(12.349);
        ds.fieldByName(u"VRPRECITEMDLV").clear();
        ds.fieldByName(u"VRPRECITEMCMD").clear();
        ds.fieldByName(u"HRINIVENPROD").clear();
        ds.fieldByName(u"HRFIMVENPROD").clear();
    });
    ASSERT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
    EXPECT_EQ(items().state(), DataSetState::Browse);
    EXPECT_EQ(calls().filter(QStringLiteral("SetItemPreco"), Qt::CaseInsensitive).size(), 1);
    EXPECT_EQ(items().changeCount(), 0);
    EXPECT_EQ(win().stCamposVazios,
              QStringLiteral("VRPRECITEMCMD|VRPRECITEMDLV|HRINIVENPROD|HRFIMVENPROD|"));
    EXPECT_DOUBLE_EQ(storedItem("VRPRECITEM").toDouble(), 12.34);
    EXPECT_DOUBLE_EQ(storedItem("VRPRESUGITEM").toDouble(), 12.349);
    EXPECT_TRUE(storedItem("VRPRECITEMDLV").isNull());
    EXPECT_TRUE(storedItem("VRPRECITEMCMD").isNull());
}

TEST_F(ItemPrices, EditingResetsThePromotionFlagAndAnEmptyPriceIsPostedAsZero)
{
    ASSERT_TRUE(goToItemWhere([](const data::ClientDataSet &ds) {
        return str(ds, "IDPRODPROMOC") == QLatin1String("S");
    }));
    win().sbtAlterar->trigger();
    EXPECT_EQ(items().fieldByName(u"IDPRODPROMOC").displayText(), QStringLiteral("Não"));
    items().fieldByName(u"VRPRECITEM").clear();
    win().sbtConfirmar->trigger();
    ASSERT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
    EXPECT_EQ(storedItem("IDPRODPROMOC").toString(), QStringLiteral("N"));
    EXPECT_DOUBLE_EQ(storedItem("VRPRECITEM").toDouble(), 0.0);
    EXPECT_FALSE(win().stCamposVazios.contains(QStringLiteral("VRPRECITEM|")));
}

TEST_F(ItemPrices, ARefusedSaveShowsTheServerMessageAndRevertsTheRow)
{
    const double before = num(items(), "VRPRECITEM");
    // Another user changes the row after it was loaded.
    stored(QStringLiteral("UPDATE ITEMPRECO SET VRPRECITEM = VRPRECITEM + 1 WHERE CDPRODUTO = ?"),
           {str(items(), "CDPRODUTO")});
    editAndConfirm([](data::ClientDataSet &ds) { ds.fieldByName(u"VRPRECITEM").setValue(99.0); });
    EXPECT_EQ(ui().errors().size(), 1);
    EXPECT_TRUE(ui().lastError().contains(QStringLiteral("outro usuário")))
        << ui().lastError().toStdString();
    EXPECT_EQ(items().state(), DataSetState::Browse);
    EXPECT_EQ(items().changeCount(), 0);
    EXPECT_DOUBLE_EQ(num(items(), "VRPRECITEM"), before);
    EXPECT_DOUBLE_EQ(storedItem("VRPRECITEM").toDouble(), before + 1);
}

TEST_F(ItemPrices, ClearingPricesAsksFirstAndReloadsOnYes)
{
    const QString product = str(items(), "CDPRODUTO");
    ui().queueAnswer(mrNo);
    win().sbtExcluir->trigger();
    EXPECT_EQ(ui().questions(),
              QStringList{QStringLiteral(
                  "Deseja limpar a parametrização de preço do produto selecionado?")});
    EXPECT_TRUE(calls().isEmpty()) << calls().join(u',').toStdString();
    EXPECT_FALSE(storedItem("VRPRECITEM").isNull());

    ui().queueAnswer(mrYes);
    win().sbtExcluir->trigger();
    EXPECT_TRUE(ui().clean());
    // The server removed the product's day/hour prices too: they are reloaded, not left
    // on screen as ghosts.
    EXPECT_EQ(calls(), (QStringList{QStringLiteral("setApagaPreco"), QStringLiteral("getItemPreco"),
                                    QStringLiteral("GetPrecoHora")}));
    int ghosts = 0;
    for (int r = 0; r < win().cdsPrecoHora->recordCount(); ++r)
        ghosts +=
            win()
                .cdsPrecoHora->valueAt(r, win().cdsPrecoHora->fieldByName(u"CDPRODUTO").index())
                .toString() == product;
    EXPECT_EQ(ghosts, 0);
    // The reloaded list still shows the product, now without a price.
    ASSERT_TRUE(goToItemWhere(
        [&product](const data::ClientDataSet &ds) { return str(ds, "CDPRODUTO") == product; }));
    EXPECT_TRUE(isNull(items(), "VRPRECITEM"));
    EXPECT_EQ(storedItem("COUNT(*)").toInt(), 0);
}

TEST_F(ItemPrices, RowsAreNeverInsertedFromTheGrid)
{
    const int rows = items().recordCount();
    items().last();
    focusCell(win().dbsItemPreco, "NMPRODUTO");
    press(Qt::Key_Down);
    win().sbtIncluir->trigger();
    EXPECT_EQ(items().state(), DataSetState::Browse);
    EXPECT_EQ(items().recordCount(), rows);
    EXPECT_TRUE(ui().events().isEmpty());
}

TEST_F(ItemPrices, MovingFiltersTheDayHourPricesAndOpensCompositionsToCombosOnly)
{
    const QString start = win()
                              .cdsVigenciaTab->fieldByName(u"DTINIVGPREC")
                              .asDate()
                              .toString(QStringLiteral("dd/MM/yyyy"));
    struct Case {
        const char *name;
        bool composed;
    };
    for (const Case c : {Case{"COMBO FAMÍLIA PORÇÕES", true}, Case{"X-SALADA", false},
                         Case{"CHOPE CLARO 300ML", false}}) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(goToItem(QString::fromUtf8(c.name)));
        const QString code = str(items(), "CDPRODUTO");
        EXPECT_EQ(rules().filter(), QStringLiteral("CDTABEPREC = '001' and DTINIVGPREC = '") +
                                        start + QStringLiteral("' and CDPRODUTO = '") + code +
                                        QStringLiteral("' and CDPRPAITABPR = '") + code +
                                        QStringLiteral("'"));
        EXPECT_TRUE(rules().isFiltered());
        const int expected = stored(QStringLiteral("SELECT COUNT(*) FROM ITEMPRECODIA WHERE "
                                                   "CDTABEPREC = '001' AND CDPRODUTO = ?"),
                                    {code})
                                 .toInt();
        EXPECT_GT(expected, 0);
        EXPECT_EQ(rules().recordCount(), expected);
        const int tab = win().pgcItemPreco->indexOf(win().tshComposicao);
        EXPECT_EQ(win().pgcItemPreco->isTabEnabled(tab), c.composed);
    }
}

} // namespace
} // namespace vnd::pricetable::test

namespace vnd::pricetable::test
{

// Looking at a cell is not changing it: F2 and Enter open nothing that posts, so a product
// on promotion stays on it; the product code cannot be erased; a sales time with a blank
// first hour digit reaches the check as the mask shows it.
TEST_F(ItemPrices, KeysThatOnlyLookChangeNothing)
{
    stored(QStringLiteral("UPDATE ITEMPRECO SET IDPRODPROMOC = 'S' WHERE CDPRODUTO = ?"),
           {str(items(), "CDPRODUTO")});
    win().sbtVerificar->trigger();
    ASSERT_TRUE(goToItem(QStringLiteral("X-BURGUER")));
    ASSERT_EQ(str(items(), "IDPRODPROMOC"), "S");
    clearCalls();
    auto *grid = win().dbsItemPreco;
    focusCell(grid, "VRPRECITEM");
    QTest::keyClick(grid, Qt::Key_F2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_EQ(items().state(), DataSetState::Browse);
    QTest::keyClick(grid, Qt::Key_Down);
    QApplication::processEvents();
    EXPECT_TRUE(calls().isEmpty()) << calls().join(u',').toStdString();
    QTest::keyClick(grid, Qt::Key_Up);
    EXPECT_EQ(storedItem("IDPRODPROMOC").toString(), "S");

    focusCell(grid, "CDARVPROD");
    const QString code = str(items(), "CDARVPROD");
    QTest::keyClick(grid, Qt::Key_F2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QApplication::processEvents();
    EXPECT_EQ(str(items(), "CDARVPROD").isEmpty(), false);
    ASSERT_TRUE(goToItem(QStringLiteral("X-BURGUER")));
    EXPECT_EQ(str(items(), "CDARVPROD"), code);
    EXPECT_TRUE(calls().isEmpty()) << calls().join(u',').toStdString();
}

TEST_F(ItemPrices, SalesTimeWithABlankFirstHourDigit)
{
    typeInto(win().dbsItemPreco, "HRINIVENPROD", QStringLiteral(" 930"));
    press(Qt::Key_Tab);
    QTest::keyClicks(win().dbsItemPreco, QStringLiteral("1"));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("800"));
    press(Qt::Key_Return); // on the last column: posts
    QApplication::processEvents();
    ASSERT_TRUE(goToItem(QStringLiteral("X-BURGUER")));
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().errors().join(u'|').toStdString();
    EXPECT_EQ(items().state(), DataSetState::Browse) << str(items(), "HRINIVENPROD").toStdString();
    EXPECT_EQ(storedItem("HRINIVENPROD").toString(), " 930");
    EXPECT_EQ(storedItem("HRFIMVENPROD").toString(), "1800");
}

} // namespace vnd::pricetable::test

namespace vnd::pricetable::test
{

// Toolbar commands do not take the focus: Confirmar with the cell editor still open saves
// the text shown, and a text the field refuses stops the save with the row still in edit.
TEST_F(ItemPrices, ConfirmarSavesTheTextStillInTheCell)
{
    typeInto(win().dbsItemPreco, "VRPRECITEM", QStringLiteral("1,00"));
    win().sbtConfirmar->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
    EXPECT_EQ(items().state(), DataSetState::Browse);
    EXPECT_EQ(storedItem("VRPRECITEM").toDouble(), 1.0);

    typeInto(win().dbsItemPreco, "VRPRECITEM", QStringLiteral("abc"));
    win().sbtConfirmar->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(ui().lastError().contains(QString::fromUtf8("Preço")))
        << ui().lastError().toStdString();
    EXPECT_EQ(items().state(), DataSetState::Edit);
    EXPECT_EQ(storedItem("VRPRECITEM").toDouble(), 1.0);
}

} // namespace vnd::pricetable::test
