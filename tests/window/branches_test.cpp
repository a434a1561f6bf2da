// Branches of a price table through the window, against the real server.

#include "host/widgets/dbgrid.h"
#include "host/widgets/dialogrunner.h"
#include "host/widgets/pesquisar.h"
#include "windowfixture.h"

#include <QAction>
#include <QApplication>
#include <QTest>

namespace vnd::pricetable::test
{

using data::DataSetState;

namespace
{
QString u(const char *s)
{
    return QString::fromUtf8(s);
}
} // namespace

class BranchesFixture : public WindowFixture
{
public:
    void SetUp() override
    {
        WindowFixture::SetUp();
        if (HasFatalFailure())
            return;
        // Table 002 holds branch 0004; 001 holds 0001 and 0002; 003 holds 0003.
        ASSERT_TRUE(locate(*win().cdsTabGeral, "CDTABEPREC", "002"));
        showPage(win().tshFilTab);
    }
    data::ClientDataSet &fil() { return *win().cdsFilTab; }
};

TEST_F(BranchesFixture, LoadsTheCurrentTablesBranches)
{
    ASSERT_EQ(fil().recordCount(), 1);
    EXPECT_EQ(text(fil(), "CDFILIAL"), "0004");
    EXPECT_EQ(text(fil(), "NMFILIAL"), "FILIAL CAMPINAS");
    EXPECT_FALSE(win().sbtImport->isEnabled());
}

TEST_F(BranchesFixture, TwoDigitCodeIsCompletedAndNamedOnColumnExit)
{
    win().sbtIncluir->trigger();
    ASSERT_EQ(fil().state(), DataSetState::Insert);
    EXPECT_EQ(text(fil(), "CDTABEPREC"), "002");
    typeInto(win().dbgFilTab, "CDFILIAL", "03");
    pressEnter();
    EXPECT_EQ(text(fil(), "CDFILIAL"), "0003");
    EXPECT_EQ(text(fil(), "NMFILIAL"), "FILIAL SHOPPING NORTE");
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
}

TEST_F(BranchesFixture, UnknownCodeIsReportedAtColumnExitAndPost)
{
    win().sbtIncluir->trigger();
    typeInto(win().dbgFilTab, "CDFILIAL", "03");
    pressEnter();
    ASSERT_EQ(text(fil(), "NMFILIAL"), "FILIAL SHOPPING NORTE");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
    typeInto(win().dbgFilTab, "CDFILIAL", "77");
    pressEnter();
    EXPECT_EQ(ui().lastError(), u("Filial não cadastrada."));
    EXPECT_EQ(text(fil(), "NMFILIAL"), "") << "no stale name beside an unknown code";
    ui().clear();
    win().sbtConfirmar->trigger();
    EXPECT_EQ(ui().lastError(), u("Filial não cadastrada."));
    EXPECT_EQ(fil().state(), DataSetState::Insert);
}

TEST_F(BranchesFixture, ChecksBeforePostInOrder)
{
    win().sbtIncluir->trigger();
    win().sbtConfirmar->trigger();
    EXPECT_EQ(ui().lastError(), u("Filial deve ser informada."));

    // Already on this table: the same-table check comes first.
    fil().fieldByName(u"CDFILIAL").setValue("4");
    clearCalls();
    win().sbtConfirmar->trigger();
    EXPECT_EQ(ui().lastError(), u("Filial já cadastrada."));
    EXPECT_EQ(calls(), (QStringList{"getVdFilTab"}));

    // On another table: its code and the start of its period in force.
    fil().fieldByName(u"CDFILIAL").setValue("1");
    win().sbtConfirmar->trigger();
    const QDate start = scalar("SELECT DTINIVGPREC FROM TABEVEND WHERE CDTABEPREC = '001' AND "
                               "DTINIVGPREC <= ? AND DTFINVGPREC >= ?",
                               {today().toString(Qt::ISODate), today().toString(Qt::ISODate)})
                            .toDate();
    EXPECT_EQ(ui().lastError(),
              u("Filial já cadastrada para outra tabela de preço. Tabela: 001, data inicial de "
                "vigência: %1.")
                  .arg(start.toString("dd/MM/yyyy")));
    EXPECT_EQ(fil().state(), DataSetState::Insert);
}

TEST_F(BranchesFixture, AttachAndDetach)
{
    // Free branch 0003 from table 003 first, through the window.
    showPage(win().tshFolhaDados);
    ASSERT_TRUE(locate(*win().cdsTabGeral, "CDTABEPREC", "003"));
    showPage(win().tshFilTab);
    ASSERT_EQ(text(fil(), "CDFILIAL"), "0003");
    ui().queueAnswer(mrYes);
    win().sbtExcluir->trigger();
    EXPECT_TRUE(fil().isEmpty());
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM TABEPRECFILI WHERE CDFILIAL = '0003'").toInt(), 0);

    showPage(win().tshFolhaDados);
    ASSERT_TRUE(locate(*win().cdsTabGeral, "CDTABEPREC", "002"));
    showPage(win().tshFilTab);
    win().sbtIncluir->trigger();
    fil().fieldByName(u"CDFILIAL").setValue("3");
    win().sbtConfirmar->trigger();
    EXPECT_EQ(fil().state(), DataSetState::Browse) << ui().lastError().toStdString();
    EXPECT_EQ(scalar("SELECT CDTABEPREC FROM TABEPRECFILI WHERE CDFILIAL = '0003'").toString(),
              "002");
    EXPECT_EQ(fil().changeCount(), 0);
}

TEST_F(BranchesFixture, LookupButtonPutsABrowsedRecordInEdit)
{
    ASSERT_EQ(fil().state(), DataSetState::Browse);
    win().dbgFilTab->setSelectedIndex(widgets::IndiceCol(win().dbgFilTab, "CDFILIAL"));
    QString title;
    QStringList headers;
    {
        // The user closes the lookup without choosing.
        widgets::ScopedDialogResponder responder([&](QDialog &d) {
            title = d.windowTitle();
            auto *grid = static_cast<widgets::PesquisarDialog &>(d).grid();
            for (int c = 0; c < grid->model()->columnCount(); ++c)
                headers << grid->model()->headerData(c, Qt::Horizontal).toString();
            d.reject();
        });
        win().dbgFilTab->onEditButtonClick();
    }
    EXPECT_EQ(fil().state(), DataSetState::Edit);
    EXPECT_EQ(title, "Filial");
    EXPECT_EQ(headers, (QStringList{u("Código"), "Nome"}));
    EXPECT_EQ(text(fil(), "CDFILIAL"), "0004");

    {
        // Now the user picks branch 0002.
        widgets::ScopedDialogResponder responder([&](QDialog &d) {
            auto &dlg = static_cast<widgets::PesquisarDialog &>(d);
            dlg.seek("0002");
            d.accept();
        });
        win().dbgFilTab->onEditButtonClick();
    }
    EXPECT_EQ(text(fil(), "CDFILIAL"), "0002");
    EXPECT_EQ(text(fil(), "NMFILIAL"), "FILIAL AVENIDA PAULISTA");
}

} // namespace vnd::pricetable::test
