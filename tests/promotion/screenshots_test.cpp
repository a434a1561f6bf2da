// Renders the promotion window empty, with a list and a prefix, with a range, and with the list
// picker open, to PNG under the build folder, so a person can look at them; the test only
// checks that something was drawn.

#include "promotionfixture.h"

#include "host/widgets/dialogrunner.h"
#include "host/widgets/maskedit.h"
#include "host/widgets/tedit.h"
#include "tools/selection/productselection.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

namespace vnd::promotion::test
{

TEST_F(PromotionFixture, RendersTheWindowEmptyWithAListWithARangeAndWithThePicker)
{
    const QString dir = QStringLiteral(VND_SCREENSHOT_DIR);
    QDir().mkpath(dir);
    auto shoot = [&dir](QWidget *w, const char *file) {
        QApplication::processEvents();
        const QImage image = w->grab().toImage();
        ASSERT_FALSE(image.isNull());
        EXPECT_TRUE(image.save(dir + QLatin1Char('/') + QLatin1String(file)));
    };
    shoot(&form(), "promocao-vazia.png");

    click(form().grbProd->rbtLista);
    widgets::ScopedDialogResponder r([&shoot](QDialog &d) {
        d.findChild<QLineEdit *>()->setText(QStringLiteral("1"));
        QTest::keyClick(d.findChild<QLineEdit *>(), Qt::Key_Return);
        shoot(&d, "promocao-lista-produtos.png");
        d.accept();
    });
    click(form().grbProd->btnListaProd);
    form().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
    click(form().rdgPromocaoItens->button(1));
    click(form().chbPrefixo);
    type(form().edtPrefixo, QStringLiteral("PROMO "));
    shoot(&form(), "promocao-lista-prefixo.png");

    const auto products = priced(2);
    click(form().grbProd->rbtIntervalo);
    typeCode(form().grbProd->medProdIni, tree(products[0].first));
    typeCode(form().grbProd->medProdFim, tree(products[1].first));
    shoot(&form(), "promocao-intervalo.png");
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
}

} // namespace vnd::promotion::test
