#pragma once
// A vnd42700-server process on a free loopback port; its log goes to a file, so that a full
// pipe never stalls it.

#include <QProcess>
#include <QString>

namespace vnd::server::test
{

class ServerProcess
{
public:
    ServerProcess(const QString &url, const QString &logPath);
    ~ServerProcess();
    ServerProcess(const ServerProcess &) = delete;
    ServerProcess &operator=(const ServerProcess &) = delete;

    int port() const { return m_port; }
    // Stops it as SIGTERM does; true when it exits cleanly.
    bool stop();
    // SIGKILL: no chance to finish anything.
    void kill();

private:
    QProcess m_process;
    int m_port = 0;
};

} // namespace vnd::server::test
