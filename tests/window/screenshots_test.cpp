// Renders the window's pages with demo data to PNG under the build folder, so a person can
// look at them; the test only checks that something was drawn.

#include "windowfixture.h"

#include <QApplication>
#include <QDir>
#include <QImage>

namespace vnd::pricetable::test
{

TEST_F(WindowFixture, RendersDataSheetAndBranchesPages)
{
    const QString dir = QStringLiteral(VND_SCREENSHOT_DIR);
    QDir().mkpath(dir);
    win().resize(1000, 560);
    ASSERT_TRUE(locate(*win().cdsTabGeral, "CDTABEPREC", "001"));
    struct Shot {
        QWidget *page;
        const char *file;
    };
    for (const Shot &s : {Shot{win().tshFolhaDados, "tabgeral-folha-dados.png"},
                          Shot{win().tshFilTab, "tabgeral-filiais.png"}}) {
        showPage(s.page);
        QApplication::processEvents();
        const QImage image = win().grab().toImage();
        ASSERT_FALSE(image.isNull());
        EXPECT_TRUE(image.save(dir + QLatin1Char('/') + QLatin1String(s.file)));
    }
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
}

} // namespace vnd::pricetable::test
