#pragma once
// The sign-in dialog ("Usuário", "Senha"): at the shell's start, for "Trocar usuário", and
// when a session ends while the user works, which asks only for the same user's password.
// Entrar signs in on the server the host is configured for; a refusal is shown in the dialog,
// which stays open for another try.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vnd::widgets
{

class SignInDialog final : public QDialog
{
    Q_OBJECT
public:
    enum class Purpose { SignIn, Again };
    explicit SignInDialog(Purpose purpose, QWidget *parent = nullptr);

    QLineEdit *edtUsuario;
    QLineEdit *edtSenha;
    QLabel *lblMensagem;
    QPushButton *btnEntrar;
    QPushButton *btnCancelar;

    void setMessage(const QString &text, bool problem);

public slots:
    void accept() override;
};

// Runs the dialog until the user signs in (true) or gives up; login fills "Usuário".
bool askSignIn(QWidget *parent, const QString &login = {}, const QString &message = {});

// From now on a call whose session has ended asks the same user's password again, over the
// main window, and is repeated once it is given.
void renewEndedSessionsByAsking();

} // namespace vnd::widgets
