#pragma once
// The host's main window: menus, a toolbar with the module's windows, the MDI area where
// document windows live and a status bar with the signed-in user, the server and the
// database in use. The module's windows are offered as the user's role allows.

#include <QMainWindow>

class QLabel;
class QMdiArea;

namespace vnd::shell
{

class ModuleLoader;

class MainWindow final : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(const ModuleLoader &module, QWidget *parent = nullptr);
    ~MainWindow() override;

    QMdiArea *mdiArea() const { return m_mdi; }
    // Shows the window at its preferred size, centred, when that fits the screen with its
    // frame; maximised otherwise (a 1366x768 screen), so that no part of it is cut.
    void showFitted();
    // Status texts (also the startup problems list).
    void setServerStatus(const QString &text, bool ok);
    void setDatabaseStatus(const QString &text, bool ok);
    QLabel *serverLabel() const { return m_server; }
    QLabel *databaseLabel() const { return m_database; }
    QLabel *userLabel() const { return m_user; }

    // "Trocar usuário": the document windows close (each may refuse, and then nothing
    // changes), then the sign-in dialog; giving up there keeps the user signed in as before.
    void switchUser();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    // The user's name and role, and the module's windows the role may use.
    void showSession();

    const ModuleLoader &m_module;
    QMdiArea *m_mdi;
    QLabel *m_server;
    QLabel *m_database;
    QLabel *m_user;
    QList<QAction *> m_moduleActions;
};

} // namespace vnd::shell
