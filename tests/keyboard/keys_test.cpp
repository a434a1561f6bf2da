// The keys every window answers the same way: F4 opens the lookup of the focused field;
// Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PgDn, Ctrl+PgUp and the Alt letters turn the pages; the tab
// key leaves a grid at the row's end without ever moving to another record.

#include "keyboardfixture.h"

#include "host/widgets/btnpesquisa.h"
#include "host/widgets/dateeditplus.h"
#include "host/widgets/dbgrid.h"
#include "host/widgets/dbsortgrid.h"
#include "host/widgets/dialogrunner.h"
#include "host/widgets/maskedit.h"
#include "host/widgets/tedit.h"
#include "tools/diffprice/frmcadautprecodeferenciado.h"
#include "tools/export/frmimportatabela.h"
#include "tools/promotion/frmcadautpromocao.h"
#include "tools/selection/productselection.h"

#include <QApplication>
#include <QLabel>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

namespace vnd::keyboard::test
{

using Keys = KeyboardFixture;

TEST_F(Keys, F4OpensTheLookupOfTheFocusedFieldInEveryWindow)
{
    QStringList opened;
    widgets::ScopedDialogResponder record([&opened](QDialog &d) {
        opened << d.windowTitle();
        d.reject();
    });
    // A lookup closed gives the focus back to its window, as the window manager does.
    const auto focus = [](QWidget *field) {
        field->window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(field->window()));
        field->setFocus();
        QApplication::processEvents();
    };
    const auto f4In = [&focus](QWidget *field) {
        focus(field);
        key(Qt::Key_F4);
    };

    auto &exp = openTool<exporttable::TfrmImportaTabela>();
    f4In(exp.edtTabelaOrig);
    EXPECT_EQ(exp.btnTabelaOrig->toolTip(), "Pesquisar (F4)");
    exp.edtTabelaOrig->setText(QStringLiteral("001"));
    exp.edtTabelaDest->setText(QStringLiteral("050"));
    focus(exp.rbtTodosProd);
    key(Qt::Key_Right); // "Lista", chosen with the arrow
    EXPECT_TRUE(exp.rbtListaProd->isChecked());
    key(Qt::Key_F4);
    EXPECT_EQ(exp.btpProduto->toolTip(), "Produto (F4)");

    auto &promo = openTool<promotion::TfrmCadAutPromocao>();
    focus(promo.grbProd->rbtTodos);
    key(Qt::Key_Right);
    key(Qt::Key_Right); // "Intervalo"
    key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), promo.grbProd->medProdIni);
    key(Qt::Key_F4);

    auto &diff = openTool<diffprice::TfrmCadAutPrecoDeferenciado>();
    f4In(diff.edtCdTipoConsumidor);
    f4In(diff.depValidadeDe);
    EXPECT_TRUE(QApplication::activePopupWidget()) << "the calendar";
    if (QWidget *calendar = QApplication::activePopupWidget())
        calendar->close();
    diff.close();
    promo.close();
    exp.close();

    // In a grid: the branch code's lookup of a new branch row.
    focus(win().dbsItemPreco);
    key(Qt::Key_L, Qt::AltModifier); // "Filiais"
    ASSERT_EQ(win().pgcPadrao->currentWidget(), win().tshFilTab);
    key(Qt::Key_Insert);
    key(Qt::Key_F4);
    focus(win().dbgFilTab);
    key(Qt::Key_Escape);

    EXPECT_EQ(opened, (QStringList{"Tabela de Preço", "Produto", "Produto", "Tipo de Consumidor",
                                   "Filial"}));
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
}

TEST_F(Keys, PagesTurnWithCtrlTabCtrlPgDnAndTheirAltLetters)
{
    QTabWidget *pages = win().pgcPadrao;
    const auto page = [pages] { return pages->currentWidget(); };
    ASSERT_EQ(page(), win().tshFormulario);
    win().dbsItemPreco->setFocus();

    key(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(page(), win().tshFilTab);
    EXPECT_EQ(QApplication::focusWidget(), win().dbgFilTab);
    key(Qt::Key_Tab, Qt::ControlModifier); // round the end
    EXPECT_EQ(page(), win().tshFolhaDados);
    EXPECT_TRUE(win().tshFolhaDados->isAncestorOf(QApplication::focusWidget()));
    key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(page(), win().tshFilTab);
    key(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(page(), win().tshFormulario);
    EXPECT_EQ(QApplication::focusWidget(), win().dbsItemPreco);

    key(Qt::Key_D, Qt::AltModifier);
    EXPECT_EQ(page(), win().tshFolhaDados);
    key(Qt::Key_O, Qt::AltModifier);
    EXPECT_EQ(page(), win().tshFormulario);
    // The page says which table and period its rows belong to.
    const auto date = [this](const char *field) {
        return win()
            .cdsVigenciaTab->fieldByName(QString::fromLatin1(field))
            .asDate()
            .toString(QStringLiteral("dd/MM/yyyy"));
    };
    EXPECT_EQ(win().lblVigencia->text(),
              QString::fromUtf8("Tabela 001 - TABELA PADRAO, vigência de ") + date("DTINIVGPREC") +
                  QStringLiteral(" a ") + date("DTFINVGPREC"));
    // Ctrl+PgDn in a grid turns the page, not the grid's rows.
    EXPECT_EQ(items().recNo(), 0);
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
}

TEST_F(Keys, TabLeavesAGridAtTheRowsEndAndNeverMovesToAnotherRecord)
{
    key(Qt::Key_D, Qt::AltModifier);
    ASSERT_EQ(win().pgcPadrao->currentWidget(), win().tshFolhaDados);
    data::ClientDataSet &tables = *win().cdsTabGeral;
    data::ClientDataSet &periods = *win().cdsVigenciaTab;
    const int table = tables.recNo(), period = periods.recNo();
    clearCalls();

    win().dbgPadrao->setFocus();
    win().dbgPadrao->setSelectedIndex(0);
    key(Qt::Key_Tab); // "Nome"
    EXPECT_EQ(QApplication::focusWidget(), win().dbgPadrao);
    key(Qt::Key_Tab); // past the last column: the periods
    EXPECT_EQ(QApplication::focusWidget(), win().dbgVigencia);
    key(Qt::Key_Backtab, Qt::ShiftModifier); // before the first column: back to the tables
    EXPECT_EQ(QApplication::focusWidget(), win().dbgPadrao);

    EXPECT_EQ(tables.recNo(), table);
    EXPECT_EQ(periods.recNo(), period);
    // No other table became current, so no periods were loaded.
    EXPECT_FALSE(calls().contains(QStringLiteral("getVigenciaTab")))
        << calls().join(u',').toStdString();
}

} // namespace vnd::keyboard::test
