#include "serverprocess.h"

#include <QFile>
#include <QRegularExpression>
#include <QThread>

namespace vnd::server::test
{

ServerProcess::ServerProcess(const QString &url, const QString &logPath)
{
    m_process.setStandardErrorFile(logPath);
    m_process.start(
        QStringLiteral(VND_SERVER_EXE),
        {QStringLiteral("--db"), url, QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")});
    const QRegularExpression listening(QStringLiteral("escutando em 127\\.0\\.0\\.1:(\\d+)"));
    QFile log(logPath);
    for (int i = 0; i < 300 && m_port == 0 && m_process.state() != QProcess::NotRunning; ++i) {
        QThread::msleep(20);
        if (log.isOpen() || log.open(QIODevice::ReadOnly)) {
            log.seek(0);
            const auto match = listening.match(QString::fromUtf8(log.readAll()));
            if (match.hasMatch())
                m_port = match.captured(1).toInt();
        }
    }
}

ServerProcess::~ServerProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        m_process.waitForFinished(10000);
    }
}

bool ServerProcess::stop()
{
    m_process.terminate();
    return m_process.waitForFinished(10000) && m_process.exitCode() == 0;
}

void ServerProcess::kill()
{
    m_process.kill();
    m_process.waitForFinished(10000);
}

} // namespace vnd::server::test
