#pragma once
// The real server executable, run for the soak on a demo database in a temporary folder and
// a free loopback port: started, watched (memory) and stopped as an operator would.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace vnd::soak
{

struct Memory {
    long rssKb = 0;  // VmRSS
    long peakKb = 0; // VmHWM
};

struct Exit {
    int code = -1; // -1: killed or did not exit in time
    double ms = 0;
};

class ServerProcess
{
public:
    explicit ServerProcess(std::string executable);
    ~ServerProcess();
    ServerProcess(const ServerProcess &) = delete;
    ServerProcess &operator=(const ServerProcess &) = delete;

    // Creates the database (the demo unless told otherwise); false (with the reason printed)
    // when that fails.
    bool init(const std::vector<std::string> &data = {"--demo"});
    // Starts serving; `openFiles` > 0 lowers the server's descriptor limit to that; `extra`
    // are further options.
    bool start(long openFiles = 0, const std::vector<std::string> &extra = {});
    int port() const { return m_port; }
    pid_t pid() const { return m_pid; }
    std::string dbPath() const { return m_dir + "/soak.db"; }
    Memory memory() const;
    void signalStop();
    // Waits up to `limit` for the exit (then kills); the time counts from signalStop().
    Exit waitExit(std::chrono::milliseconds limit);
    // The first column of the first row of `sql`, read straight from the database file.
    long long scalar(const std::string &sql) const;
    std::string logPath() const { return m_dir + "/server.log"; }

private:
    std::string m_executable;
    std::string m_dir;
    pid_t m_pid = -1;
    std::chrono::steady_clock::time_point m_signalled;
    int m_port = 0;
};

} // namespace vnd::soak
