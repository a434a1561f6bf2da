// backoffice: the host shell.

#include "host/services/hostconfig.h"
#include "host/services/ui.h"
#include "host/shell/mainwindow.h"
#include "host/shell/moduleloader.h"
#include "host/shell/shellconfig.h"
#include "host/shell/startup.h"
#include "host/widgets/guiuserinterface.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

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
    window.show();

    QTimer::singleShot(0, &window, [&] {
        const QStringList problems = vnd::shell::checkEnvironment(options, module, window);
        for (const QString &p : problems)
            std::fprintf(stderr, "backoffice: %s\n", p.toUtf8().constData());
        if (!problems.isEmpty())
            vnd::ShowMsg(problems.join(QStringLiteral("\n\n")), vnd::mtWarning, vnd::mbOK);
        if (!options.openFunction.isEmpty())
            module.run(options.openFunction);
    });
    return app.exec();
}
