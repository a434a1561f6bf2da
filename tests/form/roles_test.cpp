// The price table window follows the signed-in role: what the role may not save is neither
// offered by the toolbar nor typed into, so the user is never led into a refusal.

#include "formfixture.h"

#include "host/net/clientsession.h"
#include "host/widgets/dbsortgrid.h"

#include <QAction>
#include <QApplication>
#include <QTabWidget>

namespace vnd::pricetable::test
{
namespace
{

using data::DataSetState;

class RoleWindow : public FormFixture
{
protected:
    void signInAs(const char *login)
    {
        const data::Reply r = net::ClientSession::instance().adopt(
            QStringLiteral("127.0.0.1"), port(),
            QByteArray::fromStdString(openSession(QString::fromLatin1(login))));
        ASSERT_TRUE(r.ok) << qPrintable(r.errorMessage);
    }
};

TEST_F(RoleWindow, ConsultaBrowsesButNothingInvitesAnEdit)
{
    signInAs("consulta");
    ASSERT_NO_FATAL_FAILURE(openAt(QStringLiteral("X-BURGUER")));
    clearCalls();
    typeInto(win().dbsItemPreco, "VRPRECITEM", QStringLiteral("9"));
    EXPECT_EQ(items().state(), DataSetState::Browse);
    for (QAction *a : {win().sbtAlterar, win().sbtExcluir, win().sbtProdPro, win().btnCadPrecoDif,
                       win().sbtImport})
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    EXPECT_TRUE(win().sbtProcurar->isEnabled());

    focusCell(win().dbgPrecoHora, "VRPRECODIA");
    EXPECT_FALSE(win().sbtIncluir->isEnabled());
    press(Qt::Key_5);
    EXPECT_EQ(rules().state(), DataSetState::Browse);

    showPage(win().tshFolhaDados);
    win().dbgPadrao->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(win().sbtIncluir->isEnabled());
    EXPECT_FALSE(win().sbtAlterar->isEnabled());
    EXPECT_FALSE(calls().contains(QStringLiteral("SetItemPreco")));
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().errors().join(u'\n').toStdString();
}

TEST_F(RoleWindow, PrecosChangesPricesButNotTheTablesOrTheTools)
{
    signInAs("precos");
    ASSERT_NO_FATAL_FAILURE(openAt(QStringLiteral("X-BURGUER")));
    focusCell(win().dbsItemPreco, "VRPRECITEM");
    EXPECT_TRUE(win().sbtAlterar->isEnabled());
    EXPECT_FALSE(win().sbtProdPro->isEnabled());
    EXPECT_FALSE(win().btnCadPrecoDif->isEnabled());
    typeInto(win().dbsItemPreco, "VRPRECITEM", QStringLiteral("12,5"));
    pressEnter();
    win().sbtConfirmar->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().errors().join(u'\n').toStdString();
    EXPECT_EQ(num(items(), "VRPRECITEM"), 12.5);

    showPage(win().tshFolhaDados);
    win().dbgPadrao->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(win().sbtIncluir->isEnabled());
    EXPECT_FALSE(win().sbtImport->isEnabled());
    EXPECT_TRUE(win().dbgPadrao->readOnly());
}

} // namespace
} // namespace vnd::pricetable::test
