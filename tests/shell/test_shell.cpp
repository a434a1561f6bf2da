#include "host/services/scriptedui.h"
#include "host/shell/mainwindow.h"
#include "host/shell/moduleloader.h"
#include "host/shell/shellconfig.h"
#include "host/shell/startup.h"
#include "host/widgets/dialogrunner.h"
#include "host/widgets/frmpadrao.h"
#include "host/widgets/guiuserinterface.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace vnd;
using namespace vnd::shell;

namespace
{
int moduleCalls(const ModuleLoader &m)
{
    using Count = int (*)();
    auto f = reinterpret_cast<Count>(m.resolve(QStringLiteral("testModuleCalls")));
    return f ? f() : -1;
}
} // namespace

TEST(ModuleLoader, MissingModuleIsReportedAndNothingRuns)
{
    ScriptedUi ui;
    ModuleLoader m;
    EXPECT_FALSE(m.load(QStringLiteral("/nao/existe/libvnd42700.so")));
    EXPECT_TRUE(m.errorText().contains(QStringLiteral("/nao/existe/libvnd42700.so")));
    EXPECT_EQ(m.resolve(QStringLiteral("IniProc")), nullptr);
    EXPECT_FALSE(m.run(QStringLiteral("IniProc")));
    ASSERT_EQ(ui.questions().size(), 1); // the warning box
    EXPECT_TRUE(ui.questions().first().contains(QStringLiteral("não foi encontrado")));
}

TEST(ModuleLoader, RunsExportsReportsMissingOnesAndContainsFailures)
{
    ScriptedUi ui;
    ModuleLoader m;
    ASSERT_TRUE(m.load(QStringLiteral(TEST_MODULE_PATH))) << qPrintable(m.errorText());
    const int before = moduleCalls(m);
    EXPECT_TRUE(m.run(QStringLiteral("IniProc")));
    EXPECT_EQ(moduleCalls(m), before + 1);
    EXPECT_FALSE(m.run(QStringLiteral("CriaCadAutPromocao")));
    EXPECT_TRUE(
        ui.questions().last().contains(QStringLiteral("\"CriaCadAutPromocao\" não existe")));
    EXPECT_FALSE(m.run(QStringLiteral("CriaImportaTabela")));
    EXPECT_EQ(ui.errors(), QStringList{QStringLiteral("Falha ao abrir a janela.")});
}

TEST(ShellOptions, SettingsFileThenCommandLine)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("backoffice.ini"));
    {
        QSettings s(ini, QSettings::IniFormat);
        s.setValue(QStringLiteral("WebURL"), QStringLiteral("10.0.0.5"));
        s.setValue(QStringLiteral("WebPort"), 8081);
        s.setValue(QStringLiteral("db"), QStringLiteral("sqlite:/dados/loja.db"));
    }
    struct Case {
        QStringList args;
        bool ok;
        const char *host;
        int port;
        const char *db;
        const char *open;
    } cases[] = {
        {{}, true, "10.0.0.5", 8081, "sqlite:/dados/loja.db", ""},
        {{QStringLiteral("--server"), QStringLiteral("127.0.0.1:5000")},
         true,
         "127.0.0.1",
         5000,
         "sqlite:/dados/loja.db",
         ""},
        {{QStringLiteral("--db"), QStringLiteral("sqlite:/tmp/x.db"), QStringLiteral("--open"),
          QStringLiteral("criaTabGeral")},
         true,
         "10.0.0.5",
         8081,
         "sqlite:/tmp/x.db",
         "criaTabGeral"},
        {{QStringLiteral("--server"), QStringLiteral("semporta")}, false, "", 0, "", ""},
        {{QStringLiteral("--open"), QStringLiteral("apagaTudo")}, false, "", 0, "", ""},
        {{QStringLiteral("--desconhecida")}, false, "", 0, "", ""},
        {{QStringLiteral("--password-stdin")}, false, "", 0, "", ""}, // whose password?
    };
    for (const Case &c : cases) {
        ShellOptions o;
        QString error;
        const QStringList args =
            QStringList{QStringLiteral("backoffice"), QStringLiteral("--settings"), ini} + c.args;
        ASSERT_EQ(parseShellOptions(args, o, error), c.ok) << qPrintable(args.join(u' '));
        if (!c.ok) {
            EXPECT_FALSE(error.isEmpty());
            continue;
        }
        EXPECT_EQ(o.host.webUrl, QString::fromUtf8(c.host));
        EXPECT_EQ(o.host.webPort, c.port);
        EXPECT_EQ(o.host.database, QString::fromUtf8(c.db));
        EXPECT_EQ(o.openFunction, QString::fromUtf8(c.open));
    }
    ShellOptions o;
    QString error;
    ASSERT_TRUE(parseShellOptions({QStringLiteral("backoffice"), QStringLiteral("--settings"), ini,
                                   QStringLiteral("--user"), QStringLiteral("gerente"),
                                   QStringLiteral("--password-stdin")},
                                  o, error));
    EXPECT_EQ(o.login, QStringLiteral("gerente"));
    EXPECT_TRUE(o.passwordFromStdin);
}

// The menu names the module's windows; nobody is signed in here, so none is offered yet (the
// signed-in menu is in shell_signin_tests).
TEST(MainWindow, MenuNamesTheModuleWindowsAndOffersNoneBeforeSignIn)
{
    ScriptedUi ui;
    ModuleLoader m;
    ASSERT_TRUE(m.load(QStringLiteral(TEST_MODULE_PATH)));
    MainWindow w(m);
    QStringList captions;
    for (QAction *menu : w.menuBar()->actions())
        if (menu->text() == QStringLiteral("&Preços"))
            for (QAction *a : menu->menu()->actions()) {
                if (a->isSeparator())
                    continue;
                captions << a->text();
                EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
            }
    EXPECT_EQ(captions,
              (QStringList{QStringLiteral("Tabela de Preços Geral"),
                           QStringLiteral("Exportar Tabela de Preço"),
                           QStringLiteral("Alteração Automática"),
                           QStringLiteral("Cadastro Automático de Preços Diferenciados"),
                           QStringLiteral("Auditoria")}));
    EXPECT_EQ(w.userLabel()->text(), QStringLiteral("Usuário: nenhum"));
}

// The user sees the application's name, never its file name, on the main window and on
// every message box.
TEST(Startup, MessageBoxesAndTheMainWindowBearTheApplicationsName)
{
    nameApplication();
    widgets::installGuiUserInterface();
    ModuleLoader m;
    MainWindow w(m);
    QString title;
    {
        widgets::ScopedDialogResponder r([&title](QDialog &box) {
            title = box.windowTitle();
            box.reject();
        });
        ShowMsg(QStringLiteral("Confirma?"), mtConfirmation, mbYesNo);
    }
    setUserInterface(nullptr);
    EXPECT_EQ(title, QString::fromUtf8("Retaguarda – Vendas"));
    EXPECT_EQ(w.windowTitle(), title);
}

// On a screen smaller than its preferred size (1366x768 with a panel, or the test's), the
// main window is shown whole, status bar included.
TEST(MainWindow, FitsTheScreen)
{
    ModuleLoader m;
    MainWindow w(m);
    w.showFitted();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QRect screen = w.screen()->availableGeometry();
    ASSERT_TRUE(screen.width() < 1180 + 16 || screen.height() < 760 + 40)
        << "the test needs a screen smaller than the window";
    EXPECT_TRUE(screen.contains(w.frameGeometry()))
        << w.frameGeometry().width() << "x" << w.frameGeometry().height();
}

TEST(Startup, UnreachableServerAndMissingDatabaseAreReported)
{
    ModuleLoader m;
    m.load(QStringLiteral("/nao/existe.so"));
    MainWindow w(m);
    ShellOptions o;
    o.host.webUrl = QStringLiteral("127.0.0.1");
    o.host.webPort = 1; // nothing listens there
    o.host.database = QStringLiteral("sqlite:/nao/existe/demo.db");
    const QStringList problems = checkEnvironment(o, m, w);
    EXPECT_EQ(problems.size(), 3);
    EXPECT_TRUE(w.serverLabel()->text().contains(QStringLiteral("sem resposta")));
    EXPECT_TRUE(w.databaseLabel()->text().contains(QStringLiteral("indisponível")));
}

// Arquivo > Sair closes every window and the main one; an edit not posted is only thrown
// away when the user says so.
TEST(MainWindow, SairClosesEverythingButAsksBeforeDiscardingAnEdit)
{
    ScriptedUi ui;
    ModuleLoader m;
    MainWindow w(m);
    w.show();
    QPointer<widgets::TfrmPadrao> plain = new widgets::TfrmPadrao;
    plain->Show();
    QPointer<widgets::TfrmPadrao> editing = new widgets::TfrmPadrao;
    auto *ds = new data::ClientDataSet(editing);
    ds->addField(QStringLiteral("NOME"), data::FieldType::String, 20);
    data::DataPacket empty;
    empty.fields.append({QStringLiteral("NOME"), data::FieldType::String, 20});
    ds->loadPacket(empty);
    ds->append();
    ds->fieldByName(u"NOME").setValue(QStringLiteral("pendente"));
    editing->Show();
    QAction *sair = nullptr;
    for (QAction *menu : w.menuBar()->actions())
        if (menu->text() == QStringLiteral("&Arquivo"))
            for (QAction *a : menu->menu()->actions())
                if (a->text() == QStringLiteral("&Sair"))
                    sair = a;
    ASSERT_NE(sair, nullptr);

    ui.queueAnswer(mrNo);
    sair->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(w.isVisible());
    ASSERT_FALSE(editing.isNull());
    EXPECT_EQ(ds->state(), data::DataSetState::Insert);
    EXPECT_EQ(ds->fieldByName(u"NOME").asString(), QStringLiteral("pendente"));
    ASSERT_EQ(ui.events().size(), 1);
    EXPECT_EQ(ui.events().at(0).text,
              QString::fromUtf8("Existem alterações não confirmadas. Deseja descartá-las?"));

    ui.queueAnswer(mrYes);
    sair->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(plain.isNull());
    EXPECT_TRUE(editing.isNull());
    EXPECT_TRUE(ui.clean());
}
