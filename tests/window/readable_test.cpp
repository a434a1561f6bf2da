// What a new user meets first: dates refused at the cell, commands enabled at once, no stale
// names, messages naming fields as the user sees them.

#include "host/widgets/dbgrid.h"
#include "host/widgets/dbsortgrid.h"
#include "windowfixture.h"

#include <QAction>
#include <QApplication>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

namespace vnd::pricetable::test
{

using data::DataSetState;

TEST_F(WindowFixture, ImpossibleDateIsRefusedAtTheCell)
{
    auto &v = *win().cdsVigenciaTab;
    ASSERT_FALSE(v.isEmpty());
    const QString before = text(v, "DTFINVGPREC");
    typeInto(win().dbgVigencia, "DTFINVGPREC", "31022027");
    pressEnter();
    EXPECT_EQ(ui().lastError(), QString::fromUtf8("Data inválida."))
        << ui().errors().join("|").toStdString();
    EXPECT_EQ(text(v, "DTFINVGPREC"), before);
}

TEST_F(WindowFixture, FormPageEnablesItsCommandsAtOnce)
{
    QTabBar *tabs = win().pgcPadrao->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {},
                      tabs->tabRect(win().pgcPadrao->indexOf(win().tshFormulario)).center());
    QApplication::processEvents();
    ASSERT_FALSE(win().cdsItemPreco->isEmpty());
    EXPECT_TRUE(win().sbtAlterar->isEnabled());
    EXPECT_TRUE(win().sbtExcluir->isEnabled());
    EXPECT_TRUE(win().sbtProcurar->isEnabled());
}

TEST_F(WindowFixture, BadNumberNamesTheColumnNotTheField)
{
    showPage(win().tshFormulario);
    typeInto(win().dbsItemPreco, "VRPRECITEM", "abc");
    pressEnter();
    EXPECT_TRUE(ui().lastError().contains(QString::fromUtf8("Preço")))
        << ui().lastError().toStdString();
    EXPECT_FALSE(ui().lastError().contains("VRPRECITEM"));
}

} // namespace vnd::pricetable::test
