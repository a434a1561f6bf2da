// Renders the form page with demo data to PNG files for looking at them; run by hand:
//   form_tests --gtest_also_run_disabled_tests --gtest_filter='*Screenshots*'
// The files land in the current folder.

#include "formfixture.h"

#include "host/widgets/dbsortgrid.h"

#include <QApplication>
#include <QTabWidget>

namespace vnd::pricetable::test
{
namespace
{

TEST_F(FormFixture, DISABLED_Screenshots)
{
    ASSERT_NO_FATAL_FAILURE(openAt(QStringLiteral("X-SALADA")));
    win().dbsItemPreco->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(win().window()->grab().save(QStringLiteral("form-items.png")));
    ASSERT_TRUE(goToItem(QStringLiteral("COMBO FAMÍLIA PORÇÕES")));
    win().dbgPrecoHora->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(win().window()->grab().save(QStringLiteral("form-dayhour.png")));
    win().pgcItemPreco->setCurrentWidget(win().tshComposicao);
    win().dbgItPrecoComp->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(win().window()->grab().save(QStringLiteral("form-composition.png")));
}

} // namespace
} // namespace vnd::pricetable::test
