// backoffice: the host shell.

#include "host/net/clientsession.h"
#include "host/services/hostconfig.h"
#include "host/services/ui.h"
#include "host/shell/mainwindow.h"
#include "host/shell/moduleloader.h"
#include "host/shell/shellconfig.h"
#include "host/shell/startup.h"
#include "host/widgets/guiuserinterface.h"
#include "host/widgets/signindialog.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char *argv[])
{
    // A malformed command line is reported before any window system is needed.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    vnd::shell::ShellOptions options;
    QString error;
    if (!vnd::shell::parseShellOptions(arguments, options, error)) {
        std::fprintf(stderr, "%s\n", error.toUtf8().constData());
        std::fprintf(stderr, "Use --help para ver as opções.\n");
        return 2;
    }
    if (options.helpRequested) {
        std::fputs(vnd::shell::shellUsage().toUtf8().constData(), stdout);
        return 0;
    }
    // Read before anything else, and never from the arguments: those are in the process list.
    QString password;
    if (options.passwordFromStdin) {
        std::string line;
        std::getline(std::cin, line);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        password = QString::fromStdString(line);
    }

    QApplication app(argc, argv);
    vnd::shell::nameApplication();
    QApplication::setStyle(QStringLiteral("Fusion"));
    vnd::shell::installPortuguese(app);
    vnd::widgets::installGuiUserInterface();

    vnd::hostConfig() = options.host;

    vnd::shell::ModuleLoader module;
    module.load(options.modulePath.isEmpty() ? vnd::shell::ModuleLoader::defaultPath()
                                             : options.modulePath);
    vnd::shell::MainWindow window(module);
    window.showFitted();

    QTimer::singleShot(0, &window, [&] {
        const QStringList problems = vnd::shell::checkEnvironment(options, module, window);
        for (const QString &p : problems)
            std::fprintf(stderr, "backoffice: %s\n", p.toUtf8().constData());
        if (!problems.isEmpty())
            vnd::ShowMsg(problems.join(QStringLiteral("\n\n")), vnd::mtWarning, vnd::mbOK);
        // Nobody unknown goes further: without a sign-in the shell closes.
        vnd::widgets::renewEndedSessionsByAsking();
        QString refusal;
        if (options.passwordFromStdin) {
            const vnd::data::Reply r = vnd::net::ClientSession::instance().signIn(
                options.host.webUrl, options.host.webPort, options.login, password);
            password.fill(u' ');
            password.clear();
            refusal = r.ok ? QString() : r.errorMessage;
        }
        if ((!options.passwordFromStdin || !refusal.isEmpty()) &&
            !vnd::widgets::askSignIn(&window, options.login, refusal)) {
            QApplication::quit();
            return;
        }
        if (options.openFunction.isEmpty())
            return;
        if (vnd::shell::offeredToUser(options.openFunction))
            module.run(options.openFunction);
        else
            vnd::ShowMsg(
                QStringLiteral("O perfil %1 não permite usar esta janela.")
                    .arg(vnd::data::roleCaption(*vnd::net::ClientSession::instance().role())),
                vnd::mtWarning, vnd::mbOK);
    });
    return app.exec();
}
