// The real programs as a user starts them: from any folder, through a link, with bad options.

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace
{

const QString kServer = QStringLiteral(VND_SERVER_BIN);
const QString kShell = QStringLiteral(VND_SHELL_BIN);

struct Finished {
    int code = -1;
    QString out, err;
};

Finished runToEnd(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(20000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

TEST(Programs, HelpAndUnknownOptionsSpeakPortuguese)
{
    for (const QString &program : {kShell, kServer}) {
        const Finished help = runToEnd(program, {QStringLiteral("--help")});
        EXPECT_EQ(help.code, 0) << program.toStdString();
        EXPECT_TRUE(help.out.startsWith(QStringLiteral("uso:"))) << help.out.toStdString();
        EXPECT_TRUE(help.out.contains(QStringLiteral("--db"))) << help.out.toStdString();

        const Finished bad = runToEnd(program, {QStringLiteral("--sem-sentido")});
        EXPECT_EQ(bad.code, 2);
        EXPECT_TRUE(bad.err.contains(QStringLiteral("--sem-sentido"))) << bad.err.toStdString();
        EXPECT_TRUE(bad.err.contains(QString::fromUtf8("Opção desconhecida")))
            << bad.err.toStdString();
        EXPECT_FALSE(bad.err.contains(QStringLiteral("Unknown"))) << bad.err.toStdString();
    }
}

// Started through a link from a folder of its own, the shell still finds its module and
// the price table window makes its first calls to the server.
TEST(Programs, ShellFromAnotherFolderOpensThePriceTableWindow)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString db = dir.filePath(QStringLiteral("demo.db"));
    const Finished init = runToEnd(kServer, {QStringLiteral("--db"), QStringLiteral("sqlite:") + db,
                                             QStringLiteral("--init"), QStringLiteral("--demo")});
    ASSERT_EQ(init.code, 0) << init.err.toStdString();

    QProcess server;
    server.start(kServer, {QStringLiteral("--db"), QStringLiteral("sqlite:") + db,
                           QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")});
    QString log;
    int port = 0;
    const QRegularExpression listening(QStringLiteral("escutando em 127\\.0\\.0\\.1:(\\d+)"));
    for (QElapsedTimer t; !t.isValid() || (t.elapsed() < 10000 && port == 0);) {
        if (!t.isValid())
            t.start();
        server.waitForReadyRead(200);
        log += QString::fromUtf8(server.readAllStandardError());
        const auto m = listening.match(log);
        if (m.hasMatch())
            port = m.captured(1).toInt();
    }
    ASSERT_GT(port, 0) << log.toStdString();

    const QString link = dir.filePath(QStringLiteral("retaguarda"));
    ASSERT_TRUE(QFile::link(kShell, link));
    const QString elsewhere = dir.filePath(QStringLiteral("outra-pasta"));
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    QProcess shell;
    shell.setWorkingDirectory(elsewhere);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    shell.setProcessEnvironment(env);
    // Signed in as ./run does it: the password through standard input, never an argument.
    shell.start(link,
                {QStringLiteral("--server"), QStringLiteral("127.0.0.1:%1").arg(port),
                 QStringLiteral("--db"), QStringLiteral("sqlite:") + db, QStringLiteral("--open"),
                 QStringLiteral("criaTabGeral"), QStringLiteral("--user"),
                 QStringLiteral("gerente"), QStringLiteral("--password-stdin")});
    ASSERT_TRUE(shell.waitForStarted(5000));
    shell.write("gerente-demo\n");
    ASSERT_TRUE(shell.waitForBytesWritten(5000));
    shell.closeWriteChannel();
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(shell.processId()));
    ASSERT_TRUE(cmdline.open(QIODevice::ReadOnly));
    EXPECT_FALSE(cmdline.readAll().contains("gerente-demo"));
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 20000 && !log.contains(QStringLiteral("getVigenciaTab"))) {
        server.waitForReadyRead(200);
        log += QString::fromUtf8(server.readAllStandardError());
    }
    shell.kill();
    shell.waitForFinished(5000);
    server.terminate();
    server.waitForFinished(5000);
    const QString shellErr = QString::fromUtf8(shell.readAllStandardError());
    EXPECT_FALSE(shellErr.contains(QString::fromUtf8("não foi encontrado")))
        << shellErr.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("entrada: usuário \"gerente\" de 127.0.0.1")))
        << log.toStdString();
    const qsizetype tables = log.indexOf(QStringLiteral("getTabGeral"));
    const qsizetype periods = log.indexOf(QStringLiteral("getVigenciaTab"));
    ASSERT_GE(tables, 0) << log.toStdString() << shellErr.toStdString();
    EXPECT_GT(periods, tables) << log.toStdString();
}
