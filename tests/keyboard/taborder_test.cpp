// The tab key reads every window as a user reads it: top to bottom, then left to right, group
// by group, and never stops at a lookup button (F4 opens those) or a name display.

#include "keyboardfixture.h"

#include "host/widgets/tedit.h"
#include "tools/diffprice/frmcadautprecodeferenciado.h"
#include "tools/export/frmimportatabela.h"
#include "tools/promotion/frmcadautpromocao.h"
#include "tools/selection/productselection.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>

namespace vnd::keyboard::test
{

using TabOrder = KeyboardFixture;

TEST_F(TabOrder, EveryToolIsReadTopToBottomLeftToRight)
{
    // The price table window's form page: its page tabs, then each page control's tabs and
    // grid, top to bottom.
    EXPECT_EQ(tabChain(win().pgcPadrao->tabBar()),
              (QStringList{"pgcPadrao (abas)", "pgcItemPreco (abas)", "dbsItemPreco",
                           "pgcPrecoCliCon (abas)", "dbgPrecoHora"}));

    // Entering the "Produto" group asks for both tables first: they are filled.
    auto &exp = openTool<exporttable::TfrmImportaTabela>();
    exp.edtTabelaOrig->setText(QStringLiteral("001"));
    exp.edtTabelaDest->setText(QStringLiteral("050"));
    EXPECT_EQ(tabChain(exp.edtTabelaOrig),
              (QStringList{"edtTabelaOrig", "edtTabelaDest", "edtNmTabelaDest", "rbtTodosProd",
                           "sbtPrevia", "sbtConfirma", "sbtFechar"}));

    // The prefix controls are disabled until the box is ticked.
    auto &promo = openTool<promotion::TfrmCadAutPromocao>();
    EXPECT_EQ(
        tabChain(promo.rdgPromocaoItens->button(0)),
        (QStringList{"Colocar os produtos selecionados na promoção.", "rbtTodos", "medProdIni",
                     "medProdFim", "chbPrefixo", "sbtPrevia", "sbtConfirma", "sbtFechar"}));

    // Left to right the rule's groups; a radio group is entered at its chosen item ("Não").
    auto &diff = openTool<diffprice::TfrmCadAutPrecoDeferenciado>();
    EXPECT_EQ(
        tabChain(diff.grbProd->rbtTodos),
        (QStringList{"rbtTodos",       "medProdIni",   "medProdFim",        "edtCdTipoConsumidor",
                     "chbTodosDias",   "chbFeriado",   "chbVesperaFeriado", "chbDomingo",
                     "chbSegunda",     "chbTerca",     "chbQuarta",         "chbQuinta",
                     "chbSexta",       "chbSabado",    "Desconto",          "Valor",
                     "numValPer",      "medHorarioDe", "medHorarioAte",     "depValidadeDe",
                     "depValidadeAte", "Não",          "sbtPrevia",         "sbtConfirma",
                     "sbtFechar"}));
}

} // namespace vnd::keyboard::test
