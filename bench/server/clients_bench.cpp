// Clients slower or stranger than the database, against the real server executable on a
// synthetic database: server memory under decoding bombs, HTTP/1.0 keep-alive (ApacheBench)
// against HTTP/1.1, a probe's latency with readers that never read, the WAL after bulk
// updates with those readers connected, and a stop with them. One line per figure.
//
// bench_server_clients [--products 100000] [--stalled 64] [--updates 60] [--bombs 4]
//                      [--requests 20000] [--server PATH]

#include "clientsfigures.h"
#include "soakhttp.h"

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

using namespace vnd::soak;

int main(int argc, char **argv)
{
    int products = 100000, stalled = 64, updates = 60, bombs = 4, requests = 20000;
    std::string exe = VND_SERVER_EXE;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        const int n = std::atoi(argv[i + 1]);
        if (a == "--products")
            products = n;
        else if (a == "--stalled")
            stalled = n;
        else if (a == "--updates")
            updates = n;
        else if (a == "--bombs")
            bombs = n;
        else if (a == "--requests")
            requests = n;
        else if (a == "--server")
            exe = argv[i + 1];
    }
    // The synthetic current period starts 30 days ago.
    const std::time_t then = std::time(nullptr) - 30 * 86400;
    char start[11];
    std::strftime(start, sizeof start, "%Y-%m-%d", std::localtime(&then));

    ServerProcess server(exe);
    std::fprintf(stderr, "creating %d synthetic products...\n", products);
    if (!server.init({"--synthetic", std::to_string(products), "--demo-users"}) || !server.start())
        return 2;
    if (!signIn(server.port())) {
        std::fprintf(stderr, "could not sign in as the demo manager\n");
        return 2;
    }
    std::printf("server: %s on 127.0.0.1:%d, %d products, log %s\n", exe.c_str(), server.port(),
                products, server.logPath().c_str());
    bool ok = memoryUnderBombs(server, bombs);
    ok = http10KeepAlive(server, requests) && ok;
    const StalledReaders readers(server.port(), stalled, allItemsRequest(start));
    ok = probeWithStalledReaders(server, readers) && ok;
    ok = walAfterBulkUpdates(server, updates, start) && ok;
    ok = stopWithStalledReaders(server, readers) && ok;
    std::printf("clients: every goal met: %s\n", ok ? "yes" : "no");
    return ok ? 0 : 1;
}
