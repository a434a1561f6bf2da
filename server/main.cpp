// vnd42700-server: the application server of the price table module.

#include "server/callcontext.h"
#include "server/commandline.h"
#include "server/database.h"
#include "server/dayhourrepository.h"
#include "server/demodata.h"
#include "server/demousers.h"
#include "server/historyprune.h"
#include "server/schema.h"
#include "server/server.h"
#include "server/shellrole.h"
#include "server/syntheticdata.h"
#include "server/tlscontext.h"

#include <QCoreApplication>
#include <QDate>
#include <QFileInfo>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <exception>
#include <pthread.h>
#include <thread>

using namespace vnd::server;

namespace
{

void say(const QString &text)
{
    std::fputs((text + QLatin1Char('\n')).toUtf8().constData(), stderr);
}

int serve(const Database &database, const CommandLine &cl, sigset_t stopSignals)
{
    if (Schema::currentVersion(database) < Schema::latestVersion()) {
        say(QStringLiteral("banco de dados sem o esquema atual: execute com --init"));
        return 1;
    }
    ServerOptions options;
    options.host = cl.host;
    options.port = cl.port;
    options.threads = cl.threads;
    options.sessions.idleSeconds = cl.sessionIdleMinutes * 60;
    options.sessions.maxAgeSeconds = cl.sessionMaxHours * 3600;
    if (!cl.spillDir.isEmpty()) {
        const QFileInfo dir(cl.spillDir);
        if (!dir.isDir() || !dir.isWritable()) {
            say(QStringLiteral("--spill-dir: a pasta %1 não existe ou não aceita gravação")
                    .arg(cl.spillDir));
            return 1;
        }
        options.spill.directory = cl.spillDir;
    }
    if (cl.spillMaxMb >= 0)
        options.spill.diskBytes = cl.spillMaxMb << 20;
    options.tlsCertFile = cl.tlsCert;
    options.tlsKeyFile = cl.tlsKey;
    Server server(database, options);
    if (server.bind() < 0) {
        say(server.error());
        return 1;
    }
    const bool tls = !cl.tlsCert.isEmpty();
    say(QStringLiteral("vnd42700-server escutando em %1:%2 (%3)")
            .arg(cl.host.contains(u':') ? u'[' + cl.host + u']' : cl.host)
            .arg(server.port())
            .arg(tls ? QStringLiteral("https") : QStringLiteral("http")));
    if (!tls && !isLoopback(cl.host))
        say(QStringLiteral("AVISO: HTTP sem TLS em %1 (--plain-http): senhas e tokens passam em "
                           "claro até o proxy que termina o TLS; use só numa rede confiável")
                .arg(cl.host));

    // Signals are taken by this thread alone (blocked everywhere else), so a stop never
    // runs inside a signal handler.
    std::atomic<bool> finished{false};
    std::thread watcher([&server, &finished, stopSignals] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        while (!finished) {
            server.stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    const bool ok = server.run();
    finished = true;
    pthread_kill(watcher.native_handle(), SIGTERM);
    watcher.join();
    say(QStringLiteral("vnd42700-server encerrado"));
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    // A client that drops its connection must not kill the server.
    std::signal(SIGPIPE, SIG_IGN);

    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    const CommandLine cl = parseCommandLine(args);
    if (cl.help) {
        std::fputs(usage().toUtf8().constData(), stdout);
        return 0;
    }
    if (!cl.error.isEmpty()) {
        say(cl.error);
        say(QStringLiteral("Use --help para ver as opções."));
        return 2;
    }
    try {
        const Database database(cl.db);
        if (cl.user.kind != UserCommand::Kind::None) {
            if (Schema::currentVersion(database) < Schema::latestVersion()) {
                say(QStringLiteral("banco de dados sem o esquema atual: execute com --init"));
                return 1;
            }
            return runUserCommand(database, cl.user, say);
        }
        if (cl.pruneBefore.isValid()) {
            if (Schema::currentVersion(database) < Schema::latestVersion()) {
                say(QStringLiteral("banco de dados sem o esquema atual: execute com --init"));
                return 1;
            }
            return runPrune(database, cl.pruneBefore, cl.pruneAdmin, say);
        }
        if (cl.init) {
            // What --init loads is recorded as its own.
            const CallScope scope(CallContext{QStringLiteral("--init"),
                                              QStringLiteral("linha de comando"), std::nullopt});
            const int version = Schema::upgrade(database);
            say(QStringLiteral("esquema na versão %1").arg(version));
            if (const QString todo = grantShellRole(database); !todo.isEmpty())
                say(todo);
            if (cl.demo) {
                const DemoSummary s = loadDemoData(database, QDate::currentDate());
                say(QStringLiteral("demonstração: %1 produtos, %2 preços, %3 preços "
                                   "diferenciados")
                        .arg(s.products)
                        .arg(s.prices)
                        .arg(s.rules));
            }
            if (cl.demo || cl.demoUsers) {
                const int added = addDemoUsers(database);
                say(QStringLiteral("usuários de demonstração: %1 criado(s)").arg(added));
            }
            if (cl.synthetic > 0) {
                const SyntheticSummary s =
                    loadSyntheticData(database, cl.synthetic, QDate::currentDate());
                say(QStringLiteral("sintético: %1 produtos, %2 preços, %3 preços diferenciados")
                        .arg(s.products)
                        .arg(s.prices)
                        .arg(s.rules));
            }
            // Rules stored before the server checked them stay readable; someone must mend them.
            const QStringList faulty = DayHourRepository(database).faultyRules();
            for (const QString &line : faulty)
                say(line);
            if (!faulty.isEmpty())
                say(QStringLiteral("%1 preço(s) diferenciado(s) fora das regras: continuam "
                                   "legíveis; corrija-os ou exclua-os.")
                        .arg(faulty.size()));
            if (!cl.serve)
                return 0;
        }
        return serve(database, cl, stopSignals);
    } catch (const std::exception &e) {
        say(QStringLiteral("erro: %1").arg(QString::fromUtf8(e.what())));
        return 1;
    }
}
