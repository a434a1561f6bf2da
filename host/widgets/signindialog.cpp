#include "host/widgets/signindialog.h"

#include "host/net/clientsession.h"
#include "host/services/hostconfig.h"
#include "host/widgets/dialogrunner.h"
#include "host/widgets/hostwindows.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vnd::widgets
{

SignInDialog::SignInDialog(Purpose purpose, QWidget *parent)
    : QDialog(parent), edtUsuario(new QLineEdit(this)), edtSenha(new QLineEdit(this)),
      lblMensagem(new QLabel(this)), btnEntrar(new QPushButton(QStringLiteral("Entrar"), this)),
      btnCancelar(new QPushButton(QStringLiteral("Cancelar"), this))
{
    setObjectName(QStringLiteral("frmEntrar"));
    setWindowTitle(purpose == Purpose::SignIn ? QStringLiteral("Entrar")
                                              : QStringLiteral("Sessão encerrada"));
    edtUsuario->setObjectName(QStringLiteral("edtUsuario"));
    edtSenha->setObjectName(QStringLiteral("edtSenha"));
    lblMensagem->setObjectName(QStringLiteral("lblMensagem"));
    btnEntrar->setObjectName(QStringLiteral("btnEntrar"));
    btnCancelar->setObjectName(QStringLiteral("btnCancelar"));
    edtUsuario->setMaxLength(40);
    edtSenha->setEchoMode(QLineEdit::Password);
    edtUsuario->setEnabled(purpose == Purpose::SignIn);
    lblMensagem->setWordWrap(true);
    lblMensagem->setMinimumWidth(320);
    // Wide enough for its title under a window manager, message or not.
    setMinimumWidth(380);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Usuário"), edtUsuario);
    form->addRow(QStringLiteral("Senha"), edtSenha);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(btnEntrar, QDialogButtonBox::AcceptRole);
    buttons->addButton(btnCancelar, QDialogButtonBox::RejectRole);
    btnEntrar->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &SignInDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SignInDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblMensagem);
    layout->addLayout(form);
    layout->addWidget(buttons);
    if (purpose == Purpose::Again)
        setMessage(QStringLiteral("Sua sessão terminou. Digite a senha novamente para "
                                  "continuar de onde parou."),
                   false);
    else
        lblMensagem->hide();
}

void SignInDialog::setMessage(const QString &text, bool problem)
{
    lblMensagem->setText(text);
    lblMensagem->setStyleSheet(problem ? QStringLiteral("QLabel { color: #b02a1e; }") : QString());
    lblMensagem->setVisible(!text.isEmpty());
}

void SignInDialog::accept()
{
    const data::Reply r = net::ClientSession::instance().signIn(
        WebURL(), WebPort(), edtUsuario->text(), edtSenha->text());
    if (r.ok) {
        edtSenha->clear();
        QDialog::accept();
        return;
    }
    setMessage(r.errorMessage, true);
    edtSenha->clear();
    (edtUsuario->text().trimmed().isEmpty() ? edtUsuario : edtSenha)->setFocus();
}

bool askSignIn(QWidget *parent, const QString &login, const QString &message)
{
    SignInDialog dialog(SignInDialog::Purpose::SignIn, parent);
    dialog.edtUsuario->setText(login);
    if (!message.isEmpty())
        dialog.setMessage(message, true);
    (login.isEmpty() ? dialog.edtUsuario : dialog.edtSenha)->setFocus();
    return runDialog(dialog) == QDialog::Accepted;
}

void renewEndedSessionsByAsking()
{
    net::ClientSession::instance().renew = [] {
        SignInDialog dialog(SignInDialog::Purpose::Again, QApplication::activeModalWidget()
                                                              ? QApplication::activeModalWidget()
                                                              : mainWindow());
        const QString login = net::ClientSession::instance().login();
        dialog.edtUsuario->setText(login);
        dialog.edtUsuario->setEnabled(login.isEmpty());
        (login.isEmpty() ? dialog.edtUsuario : dialog.edtSenha)->setFocus();
        return runDialog(dialog) == QDialog::Accepted;
    };
}

} // namespace vnd::widgets
