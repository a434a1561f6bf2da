// Renders the export window empty, filled, and with the list picker open, to PNG under the
// build folder, so a person can look at them; the test only checks that something was drawn.

#include "exportfixture.h"

#include "host/widgets/dialogrunner.h"
#include "screenshot.h"

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

namespace vnd::exporttable::test
{

TEST_F(ExportFixture, RendersTheWindowEmptyFilledAndWithThePicker)
{
    saveScreenshot(&form(), "exporta-vazia.png");

    type(form().edtTabelaOrig, QStringLiteral("1"));
    tab();
    type(form().edtTabelaDest, QStringLiteral("050"));
    tab();
    type(form().edtNmTabelaDest, QStringLiteral("TABELA FRANQUIAS"));
    click(form().rbtListaProd);
    saveScreenshot(&form(), "exporta-preenchida.png");

    widgets::ScopedDialogResponder r([](QDialog &d) {
        d.findChild<QLineEdit *>()->setText(QStringLiteral("1"));
        QTest::keyClick(d.findChild<QLineEdit *>(), Qt::Key_Return);
        saveScreenshot(&d, "exporta-lista-produtos.png");
        d.reject();
    });
    click(form().btpProduto);
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
}

} // namespace vnd::exporttable::test
