#include "host/data/clientdataset.h"
#include "host/services/scriptedui.h"
#include "host/widgets/dbgrid.h"
#include "host/widgets/dialogrunner.h"
#include "host/widgets/frmpadrao.h"
#include "host/widgets/frmrotigeral.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

using namespace vnd;
using namespace vnd::widgets;

namespace
{

QStringList g_log;

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class TfrmTeste : public TfrmPadrao
{
public:
    TfrmTeste() : own(new QLabel(tshFormulario))
    {
        g_log << (dbgPadrao ? QStringLiteral("ctor after base controls") : QStringLiteral("ctor"));
        ds.addField(QStringLiteral("NOME"), data::FieldType::String, 20);
        data::DataPacket p;
        p.fields = {{QStringLiteral("NOME"), data::FieldType::String, 20}};
        ds.loadPacket(p);
    }
    void FormCreate() override
    {
        TfrmPadrao::FormCreate();
        g_log << QStringLiteral("create ") +
                     (created() ? QStringLiteral("after base") : QStringLiteral("before base"));
        dtsPadrao->setDataSet(&ds);
        if (failCreate)
            throw Error(QStringLiteral("Sem conexão."));
    }
    void FormClose(CloseAction &action) override
    {
        TfrmPadrao::FormClose(action);
        g_log << QStringLiteral("close");
        if (keepOpen)
            action = caNone;
    }
    void FormDestroy() override { g_log << QStringLiteral("destroy"); }
    void sbtVerificarClick() override { throw Error(QStringLiteral("Servidor indisponível.")); }

    QLabel *own;
    data::ClientDataSet ds;
    bool keepOpen = false;
    static inline bool failCreate = false;
};

class TfrmRotina : public TfrmRotiGeral
{
public:
    void FormActivate() override { g_log << QStringLiteral("activate"); }
    void sbtConfirmaClick() override
    {
        g_log << QStringLiteral("confirma");
        close();
    }
    void FormClose(CloseAction &action) override
    {
        TfrmRotiGeral::FormClose(action);
        g_log << QStringLiteral("close");
    }
    void FormDestroy() override { g_log << QStringLiteral("destroy"); }
};

} // namespace

TEST(Forms, PadraoCreateOrderCloseReleasesAndCaNoneKeepsOpen)
{
    g_log.clear();
    QPointer<TfrmTeste> f = CreateForm<TfrmTeste>();
    ASSERT_TRUE(f);
    f->Show();
    EXPECT_EQ(g_log, (QStringList{QStringLiteral("ctor after base controls"),
                                  QStringLiteral("create after base")}));
    f->keepOpen = true;
    EXPECT_FALSE(f->Close());
    flushDeletes();
    ASSERT_TRUE(f);
    f->keepOpen = false;
    EXPECT_TRUE(f->Close());
    flushDeletes();
    EXPECT_FALSE(f);
    EXPECT_EQ(g_log.mid(2), (QStringList{QStringLiteral("close"), QStringLiteral("close"),
                                         QStringLiteral("destroy")}));
}

TEST(Forms, FailingCreationReleasesTheWindowAndShowsTheError)
{
    ScriptedUi ui;
    TfrmTeste::failCreate = true;
    EXPECT_EQ(CreateForm<TfrmTeste>(), nullptr);
    TfrmTeste::failCreate = false;
    EXPECT_EQ(ui.errors(), QStringList{QStringLiteral("Sem conexão.")});
}

TEST(Forms, CommandsShareActionsFollowTheStateAndAreGuarded)
{
    ScriptedUi ui;
    QPointer<TfrmTeste> f = CreateForm<TfrmTeste>();
    f->Show();
    EXPECT_TRUE(f->mnuRegistro->actions().contains(f->sbtIncluir));
    EXPECT_TRUE(f->panMenu->actions().contains(f->sbtIncluir));
    EXPECT_TRUE(f->sbtIncluir->isEnabled());
    EXPECT_FALSE(f->sbtAlterar->isEnabled());
    EXPECT_FALSE(f->sbtConfirmar->isEnabled());
    EXPECT_FALSE(f->sbtImprimir->isEnabled());

    f->sbtIncluir->trigger();
    EXPECT_EQ(f->ds.state(), data::DataSetState::Insert);
    EXPECT_FALSE(f->sbtIncluir->isEnabled());
    EXPECT_TRUE(f->sbtConfirmar->isEnabled());

    ui.queueAnswer(mrNo);
    f->sbtCancelar->trigger();
    EXPECT_EQ(f->ds.state(), data::DataSetState::Insert);
    EXPECT_EQ(ui.questions(), QStringList{f->msgMensagensPadroes.msg(QStringLiteral("Canc"))});
    f->ds.fieldByName(u"NOME").setAsString(QStringLiteral("Tabela"));
    f->sbtConfirmar->trigger();
    EXPECT_EQ(f->ds.recordCount(), 1);
    EXPECT_TRUE(f->sbtAlterar->isEnabled());

    f->sbtVerificar->trigger(); // throws inside: shown, not escaping
    EXPECT_EQ(ui.lastError(), QStringLiteral("Servidor indisponível."));

    ui.queueAnswer(mrYes);
    f->dbgPadrao->setFocus();
    QTest::keyClick(f->dbgPadrao, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(f->ds.recordCount(), 0);
    EXPECT_FALSE(f->msgMensagensPadroes.msg(QStringLiteral("Excl")).isEmpty());
    EXPECT_TRUE(ui.clean());
    f->Close();
    flushDeletes();
}

TEST(Forms, RotiGeralModalRunsActivateConfirmAndReleases)
{
    g_log.clear();
    QPointer<TfrmRotina> f = CreateForm<TfrmRotina>();
    ScopedDialogResponder r([](QDialog &d) {
        auto &form = dynamic_cast<TfrmRotina &>(d);
        QTest::mouseClick(form.sbtConfirma, Qt::LeftButton);
    });
    f->ShowModal();
    flushDeletes();
    EXPECT_FALSE(f);
    EXPECT_EQ(g_log, (QStringList{QStringLiteral("activate"), QStringLiteral("confirma"),
                                  QStringLiteral("close"), QStringLiteral("destroy")}));
}
