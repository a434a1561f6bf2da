// The shell's sign-in against a real server: the status bar and the module's menu follow the
// signed-in role, "Trocar usuário" switches users, and a session that ends under an edit asks
// the password again and saves the edit, typed and clicked as a user does.

#include "formfixture.h"

#include "host/net/clientsession.h"
#include "host/services/hostconfig.h"
#include "host/shell/mainwindow.h"
#include "host/shell/moduleloader.h"
#include "host/widgets/dbsortgrid.h"
#include "host/widgets/dialogrunner.h"
#include "host/widgets/signindialog.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

namespace vnd::pricetable::test
{
namespace
{

using data::DataSetState;
using widgets::SignInDialog;

// What the user does in the sign-in dialog: each step types a login (when the field takes
// one) and a password and clicks a button. What the dialog showed is kept.
struct DialogScript {
    struct Step {
        QString login; // left as it is when empty
        QString password;
        bool enter = true; // Entrar; otherwise Cancelar
    };
    QList<Step> steps;
    QStringList messages; // the dialog's message before each step
    QStringList logins;   // "Usuário" as shown before each step, "*" when not editable

    widgets::DialogResponder responder()
    {
        return [this](QDialog &d) {
            auto *dialog = qobject_cast<SignInDialog *>(&d);
            ASSERT_NE(dialog, nullptr);
            for (const Step &s : std::as_const(steps)) {
                if (!dialog->isVisible())
                    return;
                messages << (dialog->lblMensagem->isVisible() ? dialog->lblMensagem->text()
                                                              : QString());
                logins << (dialog->edtUsuario->isEnabled()
                               ? dialog->edtUsuario->text()
                               : QStringLiteral("*") + dialog->edtUsuario->text());
                if (!s.login.isEmpty()) {
                    dialog->edtUsuario->selectAll();
                    QTest::keyClicks(dialog->edtUsuario, s.login);
                }
                QTest::keyClicks(dialog->edtSenha, s.password);
                QTest::mouseClick(s.enter ? dialog->btnEntrar : dialog->btnCancelar,
                                  Qt::LeftButton);
            }
        };
    }
};

class ShellSignIn : public FormFixture
{
protected:
    void TearDown() override
    {
        net::ClientSession::instance().renew = nullptr;
        FormFixture::TearDown();
    }
    static QAction *action(QMainWindow &w, const QString &name)
    {
        return w.findChild<QAction *>(name);
    }
    QVariant storedPrice(const QString &product)
    {
        return stored(
            QStringLiteral("SELECT VRPRECITEM FROM ITEMPRECO WHERE CDTABEPREC = '001' "
                           "AND DTINIVGPREC = ? AND CDPRODUTO = ? AND CDPRPAITABPR = ?"),
            {win().cdsVigenciaTab->fieldByName(u"DTINIVGPREC").asDate().toString(Qt::ISODate),
             product, product});
    }
};

TEST_F(ShellSignIn, AnEndedSessionAsksThePasswordAgainAndTheEditIsSaved)
{
    widgets::renewEndedSessionsByAsking();
    ASSERT_NO_FATAL_FAILURE(openAt(QStringLiteral("X-BURGUER")));
    const QString product = str(items(), "CDPRODUTO");
    widgets::TDBGrid *grid = win().dbsItemPreco;
    typeInto(grid, "VRPRECITEM", QStringLiteral("31,75"));
    pressEnter();
    ASSERT_EQ(items().state(), DataSetState::Edit);

    // Meanwhile the session ends (signed out elsewhere, or idle too long).
    ASSERT_EQ(callAs(token(), QStringLiteral("Sair"), {}).status, 200);

    DialogScript script;
    script.steps = {{{}, QStringLiteral("errada-123")}, {{}, QStringLiteral("gerente-demo")}};
    {
        widgets::ScopedDialogResponder answer(script.responder());
        QTest::mouseClick(win().panMenu->widgetForAction(win().sbtConfirmar), Qt::LeftButton);
        QApplication::processEvents();
    }
    ASSERT_EQ(script.messages.size(), 2);
    EXPECT_TRUE(script.messages[0].startsWith(QStringLiteral("Sua sessão terminou.")));
    EXPECT_EQ(script.messages[1], QStringLiteral("Usuário ou senha inválidos."));
    EXPECT_EQ(script.logins, (QStringList{QStringLiteral("*gerente"), QStringLiteral("*gerente")}));
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().errors().join(u'\n').toStdString();
    EXPECT_EQ(items().state(), DataSetState::Browse);
    EXPECT_EQ(storedPrice(product).toDouble(), 31.75);
    EXPECT_EQ(num(items(), "VRPRECITEM"), 31.75);
    EXPECT_EQ(net::ClientSession::instance().login(), QStringLiteral("gerente"));
}

// Giving up leaves the server's refusal, and the save undone as after any refused save.
TEST_F(ShellSignIn, GivingUpShowsTheRefusalAndWritesNothing)
{
    widgets::renewEndedSessionsByAsking();
    ASSERT_NO_FATAL_FAILURE(openAt(QStringLiteral("X-BURGUER")));
    const QString product = str(items(), "CDPRODUTO");
    const QVariant before = storedPrice(product);
    typeInto(win().dbsItemPreco, "VRPRECITEM", QStringLiteral("44"));
    pressEnter();
    ASSERT_EQ(callAs(token(), QStringLiteral("Sair"), {}).status, 200);
    DialogScript script;
    script.steps = {{{}, {}, false}};
    {
        widgets::ScopedDialogResponder answer(script.responder());
        QTest::mouseClick(win().panMenu->widgetForAction(win().sbtConfirmar), Qt::LeftButton);
        QApplication::processEvents();
    }
    EXPECT_EQ(script.messages.size(), 1);
    EXPECT_EQ(ui().lastError(),
              QStringLiteral("Sua sessão terminou. Entre novamente com seu usuário e senha."));
    EXPECT_EQ(storedPrice(product), before);
}

TEST_F(ShellSignIn, StatusBarAndMenuFollowTheRoleAndTrocarUsuarioSwitchesUsers)
{
    shell::ModuleLoader module;
    ASSERT_TRUE(module.load(QStringLiteral(VND_MODULE_PATH))) << qPrintable(module.errorText());
    shell::MainWindow w(module);
    EXPECT_EQ(w.userLabel()->text(), QStringLiteral("Usuário: Gabriela Rocha (Gerente)"));
    const QStringList tools = {QStringLiteral("CriaImportaTabela"),
                               QStringLiteral("CriaCadAutPromocao"),
                               QStringLiteral("CriaCadAutPrecoDeferenciado"),
                               QStringLiteral("CriaAuditoria")};
    for (const QString &t : tools)
        EXPECT_TRUE(action(w, t)->isEnabled()) << t.toStdString();

    DialogScript script;
    script.steps = {{QStringLiteral("consulta"), QStringLiteral("consulta-demo")}};
    {
        widgets::ScopedDialogResponder answer(script.responder());
        action(w, QStringLiteral("actTrocarUsuario"))->trigger();
    }
    EXPECT_EQ(script.logins, QStringList{QStringLiteral("gerente")});
    EXPECT_EQ(w.userLabel()->text(), QStringLiteral("Usuário: Carla Souza (Consulta)"));
    for (const QString &t : tools)
        EXPECT_FALSE(action(w, t)->isEnabled()) << t.toStdString();
    EXPECT_TRUE(action(w, QStringLiteral("IniProc"))->isEnabled());
    // The session it replaced is over on the server.
    EXPECT_EQ(callAs(token(), QStringLiteral("getSessao"), {}).status, 401);

    // A wrong password, then Cancelar: still Consulta.
    script = {};
    script.steps = {{QStringLiteral("admin"), QStringLiteral("errada-123")}, {{}, {}, false}};
    {
        widgets::ScopedDialogResponder answer(script.responder());
        action(w, QStringLiteral("actTrocarUsuario"))->trigger();
    }
    EXPECT_EQ(script.messages.value(1), QStringLiteral("Usuário ou senha inválidos."));
    EXPECT_EQ(net::ClientSession::instance().login(), QStringLiteral("consulta"));
}

} // namespace
} // namespace vnd::pricetable::test
