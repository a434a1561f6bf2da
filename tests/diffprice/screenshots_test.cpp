// The differentiated-price window empty and filled in, for a person to look at.

#include "diffpricefixture.h"

#include "host/widgets/maskedit.h"
#include "host/widgets/radiogroup.h"
#include "host/widgets/tedit.h"
#include "screenshot.h"
#include "tools/selection/productselection.h"

#include <QApplication>
#include <QCheckBox>
#include <QRadioButton>

namespace vnd::diffprice::test
{

TEST_F(DiffPriceFixture, RendersTheWindowEmptyAndFilledIn)
{
    saveScreenshot(&form(), "precodif-vazia.png");

    fillValidRule();
    click(form().chbSabado);
    click(form().chbTodosDias);
    click(form().grbProd->rbtIntervalo);
    type(form().grbProd->medProdIni, QStringLiteral("1010010001"));
    tab();
    type(form().grbProd->medProdFim, QStringLiteral("1020010002"));
    tab();
    type(form().edtCdTipoConsumidor, QStringLiteral("2"));
    tab();
    click(form().rdgValPer->button(1));
    type(form().medHorarioDe, QStringLiteral("1800"));
    saveScreenshot(&form(), "precodif-preenchida.png");
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
}

} // namespace vnd::diffprice::test
