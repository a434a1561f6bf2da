#include "soakprocess.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace vnd::soak
{

using Clock = std::chrono::steady_clock;

namespace
{

// Runs the server with `args`, its output appended to `log`; in the child, `openFiles` > 0
// becomes the descriptor limit.
pid_t spawn(const std::string &exe, std::vector<std::string> args, const std::string &log,
            long openFiles)
{
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    dup2(fd, STDOUT_FILENO);
    dup2(fd, STDERR_FILENO);
    if (openFiles > 0) {
        rlimit limit{rlim_t(openFiles), rlim_t(openFiles)};
        setrlimit(RLIMIT_NOFILE, &limit);
    }
    std::vector<char *> argv{const_cast<char *>(exe.c_str())};
    for (auto &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(exe.c_str(), argv.data());
    _exit(127);
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

ServerProcess::ServerProcess(std::string executable) : m_executable(std::move(executable))
{
    char pattern[] = "/tmp/vnd-soak-XXXXXX";
    m_dir = mkdtemp(pattern) ? pattern : "";
}

ServerProcess::~ServerProcess()
{
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
}

bool ServerProcess::init(const std::vector<std::string> &data)
{
    std::vector<std::string> args{"--db", "sqlite:" + dbPath(), "--init"};
    args.insert(args.end(), data.begin(), data.end());
    const pid_t pid = spawn(m_executable, args, logPath(), 0);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return true;
    std::fprintf(stderr, "--init --demo failed:\n%s\n", readFile(logPath()).c_str());
    return false;
}

bool ServerProcess::start(long openFiles, const std::vector<std::string> &extra)
{
    const std::string before = readFile(logPath());
    std::vector<std::string> args{"--db", "sqlite:" + dbPath(), "--listen", "127.0.0.1:0"};
    args.insert(args.end(), extra.begin(), extra.end());
    m_pid = spawn(m_executable, args, logPath(), openFiles);
    const std::string marker = "escutando em 127.0.0.1:";
    for (const auto until = Clock::now() + std::chrono::seconds(10); Clock::now() < until;) {
        const std::string log = readFile(logPath()).substr(before.size());
        if (const auto at = log.find(marker); at != std::string::npos) {
            m_port = std::atoi(log.c_str() + at + marker.size());
            return m_port > 0;
        }
        if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
            m_pid = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::fprintf(stderr, "the server did not start:\n%s\n", readFile(logPath()).c_str());
    return false;
}

Memory ServerProcess::memory() const
{
    Memory m;
    std::ifstream in("/proc/" + std::to_string(m_pid) + "/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            m.rssKb = std::atol(line.c_str() + 6);
        else if (line.rfind("VmHWM:", 0) == 0)
            m.peakKb = std::atol(line.c_str() + 6);
    }
    return m;
}

void ServerProcess::signalStop()
{
    m_signalled = Clock::now();
    kill(m_pid, SIGTERM);
}

Exit ServerProcess::waitExit(std::chrono::milliseconds limit)
{
    Exit e;
    const auto start = m_signalled;
    int status = 0;
    while (waitpid(m_pid, &status, WNOHANG) == 0) {
        if (Clock::now() - start > limit) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
            m_pid = -1;
            e.ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            return e;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    m_pid = -1;
    e.ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    e.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return e;
}

long long ServerProcess::scalar(const std::string &sql) const
{
    sqlite3 *db = nullptr;
    long long value = -1;
    if (sqlite3_open_v2(dbPath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            value = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return value;
}

} // namespace vnd::soak
