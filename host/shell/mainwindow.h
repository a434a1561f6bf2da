#pragma once
// The host's main window: menus, a toolbar with the module's windows, the MDI area where
// document windows live and a status bar with the server and the database in use.

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
    // Status texts (also the startup problems list).
    void setServerStatus(const QString &text, bool ok);
    void setDatabaseStatus(const QString &text, bool ok);
    QLabel *serverLabel() const { return m_server; }
    QLabel *databaseLabel() const { return m_database; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();

    const ModuleLoader &m_module;
    QMdiArea *m_mdi;
    QLabel *m_server;
    QLabel *m_database;
};

} // namespace vnd::shell
