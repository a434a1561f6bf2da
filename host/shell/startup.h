#pragma once
// What the shell does once before the main loop: locale and translations, configuration,
// the module, the database and a look at the server. Problems become Portuguese messages;
// none of them stops the shell.

#include "host/shell/shellconfig.h"

#include <QStringList>

class QCoreApplication;

namespace vnd::shell
{

class MainWindow;
class ModuleLoader;

// The application's names: the program's file name for its settings, and the name the
// user sees ("Retaguarda – Vendas"), which titles the main window and every message box.
void nameApplication();

// pt_BR as the default locale and Qt's own texts in Portuguese (when installed).
void installPortuguese(QCoreApplication &app);

// True when something accepts TCP connections at host:port within the timeout.
bool serverAnswers(const QString &host, int port, int timeoutMs = 1500);

// Opens the database, checks the server, fills the status bar; returns the problems found.
QStringList checkEnvironment(const ShellOptions &options, const ModuleLoader &module,
                             MainWindow &window);

} // namespace vnd::shell
