// Components of composed items: loading on page change and on item moves while the page is
// shown, the page's enabling, silent refusal of every edit, and the commands while the
// component grid has the focus.

#include "formfixture.h"

#include "pricetable/tabgeralstate.h"

#include <QApplication>
#include <QTabWidget>

namespace vnd::pricetable::test
{
namespace
{

class Compositions : public FormFixture
{
protected:
    void SetUp() override
    {
        FormFixture::SetUp();
        if (HasFatalFailure())
            return;
        openAt(QStringLiteral("COMBO HAPPY HOUR"));
        if (HasFatalFailure())
            return;
        clearCalls();
    }
    int componentsInDatabase()
    {
        return stored(QStringLiteral("SELECT COUNT(*) FROM PRODCOMP WHERE CDPRODUTO = ?"),
                      {str(items(), "CDPRODUTO")})
            .toInt();
    }
    int compTab() { return win().pgcItemPreco->indexOf(win().tshComposicao); }
};

TEST_F(Compositions, ThePageLoadsTheComponentsAndFollowsTheItemWhileShown)
{
    win().pgcItemPreco->setCurrentWidget(win().tshComposicao);
    QApplication::processEvents();
    EXPECT_EQ(calls(), QStringList{QStringLiteral("getItemPrecoComp")});
    EXPECT_EQ(win().cdsItemPrecoComp->recordCount(), componentsInDatabase());
    EXPECT_EQ(str(*win().cdsItemPrecoComp, "CDPRPAITABPR"), str(items(), "CDPRODUTO"));

    clearCalls();
    ASSERT_TRUE(goToItem(QStringLiteral("COMBO X-SALADA")));
    EXPECT_EQ(calls(), QStringList{QStringLiteral("getItemPrecoComp")});
    EXPECT_EQ(win().cdsItemPrecoComp->recordCount(), componentsInDatabase());
    EXPECT_TRUE(win().pgcItemPreco->isTabEnabled(compTab()));

    // A simple item closes the page; its (empty) component list is still asked for.
    clearCalls();
    ASSERT_TRUE(goToItem(QStringLiteral("X-SALADA")));
    EXPECT_EQ(calls(), QStringList{QStringLiteral("getItemPrecoComp")});
    EXPECT_EQ(win().cdsItemPrecoComp->recordCount(), 0);
    // The page stays shown (its contents disabled), so the next composed item still loads.
    EXPECT_EQ(win().pgcItemPreco->currentWidget(), win().tshComposicao);
    EXPECT_FALSE(win().tshComposicao->isEnabled());
    clearCalls();
    ASSERT_TRUE(goToItem(QStringLiteral("COMBO X-SALADA")));
    EXPECT_EQ(calls(), QStringList{QStringLiteral("getItemPrecoComp")});
    EXPECT_EQ(win().cdsItemPrecoComp->recordCount(), componentsInDatabase());
    ASSERT_TRUE(goToItem(QStringLiteral("X-SALADA")));

    // Back on the item page nothing is loaded, and the tab of a simple item is off.
    clearCalls();
    win().pgcItemPreco->setCurrentWidget(win().tshProduto);
    QApplication::processEvents();
    EXPECT_TRUE(calls().isEmpty());
    EXPECT_FALSE(win().pgcItemPreco->isTabEnabled(compTab()));
}

TEST_F(Compositions, EditsAreRefusedSilentlyAndTheCommandsAreOffWhileFocused)
{
    win().pgcItemPreco->setCurrentWidget(win().tshComposicao);
    QApplication::processEvents();
    ASSERT_GT(win().cdsItemPrecoComp->recordCount(), 0);
    const QString quantity = str(*win().cdsItemPrecoComp, "QUANTIDADE");
    typeInto(win().dbgItPrecoComp, "QUANTIDADE", QStringLiteral("7"));
    typeInto(win().dbgItPrecoComp, "VRPRECITEM", QStringLiteral("9"));
    EXPECT_EQ(win().cdsItemPrecoComp->state(), data::DataSetState::Browse);
    EXPECT_EQ(str(*win().cdsItemPrecoComp, "QUANTIDADE"), quantity);
    EXPECT_TRUE(ui().events().isEmpty());

    EXPECT_TRUE(boCompFocado);
    EXPECT_FALSE(boProdFocado);
    for (QAction *a : {win().sbtIncluir, win().sbtAlterar, win().sbtExcluir, win().sbtProcurar,
                       win().sbtVerificar, win().sbtConfirmar, win().sbtCancelar})
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    EXPECT_FALSE(win().dbgPrecoHora->isEnabled());
}

TEST_F(Compositions, PricesAndQuantitiesShowTwoDecimalsWithTheDecimalComma)
{
    win().pgcItemPreco->setCurrentWidget(win().tshComposicao);
    QApplication::processEvents();
    ASSERT_TRUE(win().cdsItemPrecoComp->locate({QStringLiteral("QUANTIDADE")}, {4.0}));
    const auto shown = [this](const char *field) {
        const int column = widgets::IndiceCol(win().dbgItPrecoComp, QString::fromLatin1(field));
        return win()
            .dbgItPrecoComp->model()
            ->index(win().cdsItemPrecoComp->recNo(), column)
            .data()
            .toString();
    };
    EXPECT_EQ(shown("QUANTIDADE"), QStringLiteral("4,00"));
    EXPECT_EQ(shown("VRPRECITEM"),
              QLocale(QLocale::Portuguese, QLocale::Brazil)
                  .toString(num(*win().cdsItemPrecoComp, "VRPRECITEM"), 'f', 2));
    // The tree code shows with the picture's separators.
    EXPECT_TRUE(shown("CDARVPROD").contains(u'.')) << shown("CDARVPROD").toStdString();
}

} // namespace
} // namespace vnd::pricetable::test
