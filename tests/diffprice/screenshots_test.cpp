// Renders the differentiated-price window empty and filled in, to PNG under the build folder,
// so a person can look at them; the test only checks that something was drawn.

#include "diffpricefixture.h"

#include "host/widgets/maskedit.h"
#include "host/widgets/radiogroup.h"
#include "host/widgets/tedit.h"
#include "tools/selection/productselection.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QRadioButton>

namespace vnd::diffprice::test
{

TEST_F(DiffPriceFixture, RendersTheWindowEmptyAndFilledIn)
{
    const QString dir = QStringLiteral(VND_SCREENSHOT_DIR);
    QDir().mkpath(dir);
    auto shoot = [&dir](QWidget *w, const char *file) {
        QApplication::processEvents();
        const QImage image = w->grab().toImage();
        ASSERT_FALSE(image.isNull());
        EXPECT_TRUE(image.save(dir + QLatin1Char('/') + QLatin1String(file)));
    };
    shoot(&form(), "precodif-vazia.png");

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
    shoot(&form(), "precodif-preenchida.png");
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
}

} // namespace vnd::diffprice::test
