// Soak of the real server executable on a demo database: requests hidden behind refused
// ones, memory under endless heads and over-limit bodies, a crowd of idle and slowloris
// connections against a probe client, pipelining and a graceful stop. One line per figure.
//
// bench_server_soak [--seconds 60] [--idle 1000] [--slow 200] [--server-files N]
//                   [--server PATH]
// --server-files N runs the server with a descriptor limit of N (as on a machine with a
// low default) instead of the limit this program raises for itself.

#include "soakfigures.h"
#include "soakhttp.h"

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace vnd::soak;

int main(int argc, char **argv)
{
    int seconds = 60, idle = 1000, slow = 200;
    long serverFiles = 0;
    std::string exe = VND_SERVER_EXE;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--seconds")
            seconds = std::atoi(argv[i + 1]);
        else if (a == "--idle")
            idle = std::atoi(argv[i + 1]);
        else if (a == "--slow")
            slow = std::atoi(argv[i + 1]);
        else if (a == "--server-files")
            serverFiles = std::atol(argv[i + 1]);
        else if (a == "--server")
            exe = argv[i + 1];
    }
    // The crowd and the server (which inherits this limit) each need a descriptor per socket.
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    const rlim_t needed = rlim_t(idle + slow) * 2 + 256;
    if (files.rlim_cur < needed) {
        files.rlim_cur = std::min(needed, files.rlim_max);
        setrlimit(RLIMIT_NOFILE, &files);
    }
    if (files.rlim_cur < needed)
        std::printf("warning: descriptor limit %lu is below the %lu the crowd needs\n",
                    static_cast<unsigned long>(files.rlim_cur), static_cast<unsigned long>(needed));

    ServerProcess server(exe);
    if (!server.init() || !server.start(serverFiles))
        return 2;
    if (!signIn(server.port())) {
        std::fprintf(stderr, "could not sign in as the demo manager\n");
        return 2;
    }
    std::printf("server: %s on 127.0.0.1:%d, log %s\n", exe.c_str(), server.port(),
                server.logPath().c_str());
    bool ok = pipelining(server);
    ok = smuggling(server) && ok;
    ok = memoryUnderFloods(server) && ok;
    ok = crowdSoak(server, seconds, idle, slow) && ok;
    ok = gracefulStop(server) && ok;
    std::printf("soak: every goal met: %s\n", ok ? "yes" : "no");
    return ok ? 0 : 1;
}
