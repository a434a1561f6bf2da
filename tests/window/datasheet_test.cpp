// Price tables and validity periods through the window, against the real server.

#include "host/net/netconnection.h"
#include "host/services/hostconfig.h"
#include "host/widgets/dbgrid.h"
#include "host/widgets/dbsortgrid.h"
#include "pricetable/tabgeralstate.h"
#include "windowfixture.h"

#include <QAction>
#include <QApplication>

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

TEST_F(WindowFixture, OpensWithTablesSortedAndFirstTablesPeriods)
{
    ASSERT_TRUE(win().cdsTabGeral->isActive());
    ASSERT_EQ(win().cdsTabGeral->recordCount(), 3);
    QStringList codes;
    for (int r = 0; r < 3; ++r)
        codes << win().cdsTabGeral->valueAt(r, 0).toString();
    EXPECT_EQ(codes, (QStringList{"001", "002", "003"}));
    EXPECT_EQ(text(*win().cdsVigenciaTab, "CDTABEPREC"), "001");
    EXPECT_GT(win().cdsVigenciaTab->recordCount(), 0);
    EXPECT_TRUE(win().sbtIncluir->isEnabled());
    EXPECT_TRUE(win().sbtAlterar->isEnabled());
    EXPECT_FALSE(win().sbtConfirmar->isEnabled());
    EXPECT_TRUE(win().sbtImport->isEnabled());
    EXPECT_TRUE(ui().errors().isEmpty());
}

TEST_F(WindowFixture, NewTableIsAdjustedSavedAndShowsNoForeignPeriods)
{
    boTabFocada = true;
    win().sbtIncluir->trigger();
    auto &t = *win().cdsTabGeral;
    ASSERT_EQ(t.state(), DataSetState::Insert);
    EXPECT_FALSE(win().sbtAlterar->isEnabled());
    EXPECT_TRUE(win().sbtConfirmar->isEnabled());
    EXPECT_FALSE(win().dbgVigencia->isEnabled());
    t.fieldByName(u"CDTABEPREC").setValue("7");
    t.fieldByName(u"NMTABEPREC").setValue(u("PROMOÇÃO VERÃO"));
    clearCalls();
    win().sbtConfirmar->trigger();
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
    ASSERT_EQ(t.state(), DataSetState::Browse);
    EXPECT_EQ(text(t, "CDTABEPREC"), "007");
    EXPECT_EQ(calls().mid(0, 2), (QStringList{"getVdTabGeral", "setTabGeral"}));
    EXPECT_EQ(scalar("SELECT NMTABEPREC FROM TABEPRECGER WHERE CDTABEPREC = '007'").toString(),
              u("PROMOÇÃO VERÃO"));
    // The period grid belongs to the new table, which has none.
    EXPECT_TRUE(win().cdsVigenciaTab->isEmpty());
    EXPECT_EQ(t.changeCount(), 0);
}

TEST_F(WindowFixture, TableChecksInOrder)
{
    auto &t = *win().cdsTabGeral;
    win().sbtIncluir->trigger();
    clearCalls();
    // The code is checked before the name is looked at.
    win().sbtConfirmar->trigger();
    EXPECT_EQ(ui().lastError(), u("Código deve ser informado."));
    EXPECT_EQ(t.state(), DataSetState::Insert);
    t.fieldByName(u"CDTABEPREC").setValue("2");
    win().sbtConfirmar->trigger();
    EXPECT_EQ(ui().lastError(), u("Nome deve ser informado."));
    t.fieldByName(u"NMTABEPREC").setValue("DUPLICADA");
    win().sbtConfirmar->trigger();
    EXPECT_EQ(ui().lastError(), u("Tabela de preços já cadastrada."));
    EXPECT_EQ(t.state(), DataSetState::Insert);
    EXPECT_EQ(text(t, "CDTABEPREC"), "002");
    EXPECT_EQ(calls(), (QStringList{"getVdTabGeral"}));
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM TABEPRECGER").toInt(), 3);
}

TEST_F(WindowFixture, RenamingMakesNoExistenceCheckButRecodingDoes)
{
    auto &t = *win().cdsTabGeral;
    ASSERT_TRUE(locate(t, "CDTABEPREC", "002"));
    win().sbtAlterar->trigger();
    t.fieldByName(u"NMTABEPREC").setValue("NOVO NOME");
    clearCalls();
    win().sbtConfirmar->trigger();
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
    EXPECT_FALSE(calls().contains("getVdTabGeral"));
    EXPECT_TRUE(calls().contains("setTabGeral"));

    win().sbtAlterar->trigger();
    t.fieldByName(u"CDTABEPREC").setValue("9");
    clearCalls();
    win().sbtConfirmar->trigger();
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
    EXPECT_EQ(calls().value(0), "getVdTabGeral");
    // The new code reached the table's periods too.
    EXPECT_GT(scalar("SELECT COUNT(*) FROM TABEVEND WHERE CDTABEPREC = '009'").toInt(), 0);
}

TEST_F(WindowFixture, CancelAnsweredNoKeepsTheEdit)
{
    auto &t = *win().cdsTabGeral;
    win().sbtAlterar->trigger();
    t.fieldByName(u"NMTABEPREC").setValue("EM EDICAO");
    ui().queueAnswer(mrNo);
    win().sbtCancelar->trigger();
    EXPECT_EQ(t.state(), DataSetState::Edit);
    EXPECT_EQ(text(t, "NMTABEPREC"), "EM EDICAO");
    ui().queueAnswer(mrYes);
    win().sbtCancelar->trigger();
    EXPECT_EQ(t.state(), DataSetState::Browse);
    EXPECT_NE(text(t, "NMTABEPREC"), "EM EDICAO");
    EXPECT_TRUE(ui().clean());
}

TEST_F(WindowFixture, RejectedSaveRemovesTheNewTableAgain)
{
    auto &t = *win().cdsTabGeral;
    // Another user creates the same code between the check and the save.
    QObject::connect(win().netTabGeral, &net::TNetConnection::methodCalled, &win(),
                     [this](const QString &m) {
                         if (m == "setTabGeral")
                             scalar("INSERT INTO TABEPRECGER (CDTABEPREC, NMTABEPREC) VALUES "
                                    "('050', 'OUTRO USUARIO')");
                     });
    win().sbtIncluir->trigger();
    t.fieldByName(u"CDTABEPREC").setValue("050");
    t.fieldByName(u"NMTABEPREC").setValue("MINHA");
    win().sbtConfirmar->trigger();
    EXPECT_FALSE(ui().errors().isEmpty());
    EXPECT_EQ(t.state(), DataSetState::Browse);
    EXPECT_FALSE(locate(t, "CDTABEPREC", "050"));
    EXPECT_EQ(t.recordCount(), 3);
    EXPECT_EQ(t.changeCount(), 0);
    EXPECT_EQ(scalar("SELECT NMTABEPREC FROM TABEPRECGER WHERE CDTABEPREC = '050'").toString(),
              "OUTRO USUARIO");
}

TEST_F(WindowFixture, ConcurrentRenameIsRefusedAndTheRowReverts)
{
    auto &t = *win().cdsTabGeral;
    ASSERT_TRUE(locate(t, "CDTABEPREC", "002"));
    const QString before = text(t, "NMTABEPREC");
    scalar("UPDATE TABEPRECGER SET NMTABEPREC = 'RENOMEADA' WHERE CDTABEPREC = '002'");
    win().sbtAlterar->trigger();
    t.fieldByName(u"NMTABEPREC").setValue("MINHA");
    win().sbtConfirmar->trigger();
    EXPECT_EQ(ui().lastError(), u("Registro alterado ou excluído por outro usuário. Atualize os "
                                  "dados e tente novamente."));
    EXPECT_EQ(text(t, "NMTABEPREC"), before);
    EXPECT_EQ(scalar("SELECT NMTABEPREC FROM TABEPRECGER WHERE CDTABEPREC = '002'").toString(),
              "RENOMEADA");
}

TEST_F(WindowFixture, DeletingATableAsksAndCascades)
{
    auto &t = *win().cdsTabGeral;
    ASSERT_TRUE(locate(t, "CDTABEPREC", "003"));
    ui().queueAnswer(mrNo);
    win().sbtExcluir->trigger();
    EXPECT_EQ(ui().questions().value(0),
              u("Deseja exclur a tabela de preços e todos registros relacionados?"));
    EXPECT_EQ(t.recordCount(), 3);
    ui().queueAnswer(mrYes);
    win().sbtExcluir->trigger();
    EXPECT_EQ(t.recordCount(), 2);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM TABEVEND WHERE CDTABEPREC = '003'").toInt(), 0);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM ITEMPRECO WHERE CDTABEPREC = '003'").toInt(), 0);
}

TEST_F(WindowFixture, EmptyTableListClearsThePeriods)
{
    auto &t = *win().cdsTabGeral;
    for (int i = 0; i < 3; ++i) {
        ui().queueAnswer(mrYes);
        win().sbtExcluir->trigger();
    }
    EXPECT_TRUE(t.isEmpty());
    EXPECT_TRUE(win().cdsVigenciaTab->isEmpty());
    EXPECT_TRUE(win().sbtIncluir->isEnabled());
    EXPECT_TRUE(win().sbtVerificar->isEnabled());
    EXPECT_FALSE(win().sbtAlterar->isEnabled());
    EXPECT_FALSE(win().sbtProdPro->isEnabled());
    EXPECT_FALSE(win().btnCadPrecoDif->isEnabled());
}

TEST_F(WindowFixture, NewPeriodStartsAfterTheLatestEndOrToday)
{
    auto &t = *win().cdsTabGeral;
    auto &v = *win().cdsVigenciaTab;
    ASSERT_TRUE(locate(t, "CDTABEPREC", "001"));
    const QDate latest =
        scalar("SELECT MAX(DTFINVGPREC) FROM TABEVEND WHERE CDTABEPREC = '001'").toDate();
    boTabFocada = false;
    win().sbtIncluir->trigger();
    ASSERT_EQ(v.state(), DataSetState::Insert);
    EXPECT_EQ(v.fieldByName(u"DTINIVGPREC").asDate(), latest.addDays(1));
    EXPECT_EQ(text(v, "CDTABEPREC"), "001");

    // End before start.
    v.fieldByName(u"DTFINVGPREC").setValue(latest);
    win().sbtConfirmar->trigger();
    EXPECT_EQ(ui().lastError(), u("Data final deve ser maior ou igual à inicial"));
    // A one-day period is fine.
    v.fieldByName(u"DTFINVGPREC").setValue(latest.addDays(1));
    clearCalls();
    win().sbtConfirmar->trigger();
    EXPECT_EQ(v.state(), DataSetState::Browse) << ui().lastError().toStdString();
    EXPECT_EQ(calls().mid(0, 2), (QStringList{"getVdPeriodo", "setVigenciaTab"}));

    // A table without periods starts today.
    boTabFocada = true;
    win().sbtIncluir->trigger();
    t.fieldByName(u"CDTABEPREC").setValue("010");
    t.fieldByName(u"NMTABEPREC").setValue("SEM PERIODOS");
    win().sbtConfirmar->trigger();
    boTabFocada = false;
    win().sbtIncluir->trigger();
    EXPECT_EQ(v.fieldByName(u"DTINIVGPREC").asDate(), QDate::currentDate());
    EXPECT_EQ(text(v, "CDTABEPREC"), "010");
}

TEST_F(WindowFixture, OverlappingPeriodIsRefused)
{
    auto &v = *win().cdsVigenciaTab;
    boTabFocada = false;
    win().sbtIncluir->trigger();
    v.fieldByName(u"DTINIVGPREC").setValue(QDate::currentDate());
    v.fieldByName(u"DTFINVGPREC").setValue(QDate::currentDate().addDays(3));
    win().sbtConfirmar->trigger();
    EXPECT_EQ(ui().lastError(),
              u("Já existe um período cadastrado para a tabela de preço no intervalo informado. "
                "Favor informar outra data."));
    EXPECT_EQ(v.state(), DataSetState::Insert);
}

TEST_F(WindowFixture, EditingOnlyTheStatusMakesNoClashCheck)
{
    auto &v = *win().cdsVigenciaTab;
    boTabFocada = false;
    win().sbtAlterar->trigger();
    v.fieldByName(u"IDSITVGPREC").setText("2");
    EXPECT_EQ(v.fieldByName(u"IDSITVGPREC").displayText(), "Liberada");
    clearCalls();
    win().sbtConfirmar->trigger();
    EXPECT_EQ(v.state(), DataSetState::Browse) << ui().lastError().toStdString();
    EXPECT_FALSE(calls().contains("getVdPeriodo"));

    win().sbtAlterar->trigger();
    v.fieldByName(u"DTFINVGPREC").setValue(v.fieldByName(u"DTFINVGPREC").asDate());
    const QDate end = v.fieldByName(u"DTFINVGPREC").asDate();
    v.fieldByName(u"DTFINVGPREC").setValue(end.addDays(-1));
    clearCalls();
    win().sbtConfirmar->trigger();
    EXPECT_TRUE(calls().contains("getVdPeriodo"));
}

TEST_F(WindowFixture, SituacaoFollowsToday)
{
    auto &v = *win().cdsVigenciaTab;
    const QDate today = QDate::currentDate();
    int active = 0;
    for (v.first(); !v.eof(); v.next()) {
        const bool in = v.fieldByName(u"DTINIVGPREC").asDate() <= today &&
                        today <= v.fieldByName(u"DTFINVGPREC").asDate();
        EXPECT_EQ(text(v, "Situacao"), in ? "Ativa" : "Inativa");
        active += in;
    }
    EXPECT_EQ(active, 1);
}

TEST_F(WindowFixture, FailingServerUndoesAndKeepsTheWindowUsable)
{
    auto &t = *win().cdsTabGeral;
    win().netTabGeral->close();
    hostConfig().webPort = 1; // nothing listens there
    win().sbtAlterar->trigger();
    t.fieldByName(u"NMTABEPREC").setValue("PERDIDO");
    win().sbtConfirmar->trigger();
    EXPECT_TRUE(ui().lastError().contains(u("servidor de aplicação")))
        << ui().lastError().toStdString();
    EXPECT_EQ(t.state(), DataSetState::Browse);
    EXPECT_NE(text(t, "NMTABEPREC"), "PERDIDO");
    EXPECT_TRUE(win().sbtVerificar->isEnabled());
}

TEST_F(WindowFixture, OnlyOneWindowAndItReopensAfterClosing)
{
    frmTabGeral = &win();
    boIdCriado = true;
    criaTabGeral();
    EXPECT_EQ(frmTabGeral.data(), &win());
}

} // namespace vnd::pricetable::test

namespace vnd::pricetable::test
{

TEST_F(WindowFixture, TypingInTheTableGridEditsAndEnterPosts)
{
    auto &t = *win().cdsTabGeral;
    ASSERT_TRUE(locate(t, "CDTABEPREC", "003"));
    typeInto(win().dbgPadrao, "NMTABEPREC", "X");
    EXPECT_EQ(t.state(), DataSetState::Edit);
    pressEnter();
    EXPECT_EQ(t.state(), DataSetState::Browse) << ui().lastError().toStdString();
    EXPECT_TRUE(scalar("SELECT NMTABEPREC FROM TABEPRECGER WHERE CDTABEPREC = '003'")
                    .toString()
                    .startsWith("X"));
}

} // namespace vnd::pricetable::test

namespace vnd::pricetable::test
{

TEST_F(WindowFixture, TypingAPriceInTheItemGridStartsAnEdit)
{
    showPage(win().tshFormulario);
    auto &items = *win().cdsItemPreco;
    ASSERT_TRUE(items.isActive());
    ASSERT_FALSE(items.isEmpty());
    typeInto(win().dbsItemPreco, "VRPRECITEM", "7");
    EXPECT_EQ(items.state(), DataSetState::Edit) << ui().lastError().toStdString();
}

} // namespace vnd::pricetable::test

namespace vnd::pricetable::test
{

// A refused delete brings the table back; whichever table is then current, the period grid
// shows its periods, so Incluir or Excluir never act on another table's period.
TEST_F(WindowFixture, RefusedTableDeleteLeavesTheCurrentTablesPeriods)
{
    auto &t = *win().cdsTabGeral;
    ASSERT_TRUE(locate(t, "CDTABEPREC", "002"));
    scalar("UPDATE TABEPRECGER SET NMTABEPREC = 'OUTRO USUARIO' WHERE CDTABEPREC = '002'");
    ui().queueAnswer(mrYes);
    win().sbtExcluir->trigger();
    EXPECT_TRUE(ui().lastError().startsWith(u("Registro alterado")))
        << ui().lastError().toStdString();
    EXPECT_EQ(t.recordCount(), 3);
    const QString current = text(t, "CDTABEPREC");
    auto &v = *win().cdsVigenciaTab;
    for (int r = 0; r < v.recordCount(); ++r)
        EXPECT_EQ(v.valueAt(r, v.fieldByName(u"CDTABEPREC").index()).toString(), current);
    EXPECT_EQ(v.recordCount(),
              scalar("SELECT COUNT(*) FROM TABEVEND WHERE CDTABEPREC = '" + current + "'").toInt());
}

} // namespace vnd::pricetable::test
