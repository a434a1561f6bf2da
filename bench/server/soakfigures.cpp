#include "soakfigures.h"

#include "soakcrowd.h"
#include "soakhttp.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

namespace vnd::soak
{

bool pipelining(const ServerProcess &server)
{
    std::vector<std::string> calls;
    for (int i = 0; i < 8; ++i)
        calls.push_back(i % 4 == 3
                            ? request("getTabGeral", R"({"args":[]})")
                            : request("getVigenciaTab",
                                      R"({"args":["00)" + std::to_string(i % 4 + 1) + R"("]})"));
    // The oracle: each request's answer when sent alone.
    std::vector<std::string> alone;
    std::string all;
    for (const auto &c : calls) {
        Conversation single(server.port());
        single.send(c);
        alone.push_back(single.read().body);
        all += c;
    }
    Conversation together(server.port());
    together.send(all);
    int answered = 0, inOrder = 0;
    for (const auto &expected : alone) {
        const Answer a = together.read();
        if (a.status == 0)
            break;
        ++answered;
        inOrder += a.status == 200 && a.body == expected;
    }
    std::printf("pipelining: 8 requests on one connection: %d answered, %d in order with the "
                "answer each gets alone\n",
                answered, inOrder);
    return inOrder == 8;
}

bool smuggling(const ServerProcess &server)
{
    const std::string post = "POST /vnd42700.rdmTabGeral/getTabGeral HTTP/1.1\r\nHost: soak\r\n"
                             "Content-Type: application/json\r\n";
    const struct {
        const char *what;
        std::string front; // the refused request; the hidden one follows at once
    } cases[] = {
        {"length over the limit", post + "Content-Length: 99999999\r\n\r\n"},
        {"no length", post + "\r\n"},
        {"chunked", post + "Transfer-Encoding: chunked\r\n\r\n0\r\n\r\n"},
        {"chunked and a length", post + "Content-Length: 5\r\nTransfer-Encoding: chunked\r\n\r\n"
                                        "0\r\n\r\n"},
        {"invalid length 1x", post + "Content-Length: 1x\r\n\r\n"},
        {"negative length", post + "Content-Length: -5\r\n\r\n"},
        {"two lengths", post + "Content-Length: 2\r\nContent-Length: 7\r\n\r\n{}"},
        {"compressed body", post + "Content-Encoding: gzip\r\nContent-Length: 2\r\n\r\n{}"},
        {"unknown type", "POST /vnd42700.rdmTabGeral/getTabGeral HTTP/1.1\r\nHost: soak\r\n"
                         "Content-Type: text/plain\r\nContent-Length: 2\r\n\r\n{}"},
        {"malformed body", post + "Content-Length: 4\r\n\r\n{bad"},
        {"unknown path", "GET / HTTP/1.1\r\nHost: soak\r\nContent-Length: 2\r\n\r\n{}"},
    };
    auto stored = [&server](const std::string &code) {
        return server.scalar("SELECT COUNT(*) FROM TABEPRECGER WHERE CDTABEPREC = '" + code + "'");
    };
    // The control: the same request on its own does create its row.
    Conversation control(server.port());
    control.send(request("setTabGeral", insertTableBody("900", "CONTROLE")));
    const int controlStatus = control.read().status;
    const bool controlStored = stored("900") == 1;
    std::printf("smuggling: control request alone: status %d, row stored: %s\n", controlStatus,
                yesNo(controlStored));
    bool ok = controlStored;
    int n = 0;
    for (const auto &c : cases) {
        ++n;
        const std::string code = (n < 10 ? "90" : "9") + std::to_string(n);
        Conversation conv(server.port());
        conv.send(c.front + request("setTabGeral", insertTableBody(code, "CONTRABANDO")));
        const Answer a = conv.read();
        const bool closed = conv.closedByServer(std::chrono::seconds(2));
        // The server has answered and closed; a hidden request, had it run, is stored by now.
        const bool executed = stored(code) != 0;
        std::printf("smuggling: %-22s -> status %d, Connection: close %s, closed %s, hidden "
                    "request executed: %s\n",
                    c.what, a.status, yesNo(a.close), yesNo(closed), yesNo(executed));
        ok = ok && a.status >= 400 && a.close && closed && !executed;
    }
    return ok;
}

bool memoryUnderFloods(const ServerProcess &server)
{
    constexpr std::size_t kFlood = 256u << 20;
    const std::string path = " /vnd42700.rdmTabGeral/setTabGeral HTTP/1.1\r\nHost: soak\r\n"
                             "Content-Type: application/json\r\n";
    std::string bytes(64 * 1024, 'a');
    std::string headers;
    while (headers.size() < 64 * 1024)
        headers += "X-A: b\r\n";
    std::string chunk = "10000\r\n" + bytes + "\r\n";
    struct Flood {
        std::string what, head;
        const std::string *filler;
    };
    std::vector<Flood> floods = {
        {"request line without end", "POST /", &bytes},
        {"header line without end", "POST" + path + "X-Long: ", &bytes},
        {"header lines without end", "POST" + path, &headers},
    };
    for (const char *verb : {"POST", "PUT", "PATCH"}) {
        floods.push_back({std::string(verb) + " Content-Length 256 MiB",
                          verb + path + "Content-Length: " + std::to_string(kFlood) + "\r\n\r\n",
                          &bytes});
        floods.push_back({std::string(verb) + " chunked 256 MiB",
                          verb + path + "Transfer-Encoding: chunked\r\n\r\n", &chunk});
    }
    const Memory before = server.memory();
    std::printf("memory: server before the floods: VmRSS %.1f MB, VmHWM %.1f MB\n",
                before.rssKb / 1024.0, before.peakKb / 1024.0);
    bool refused = true;
    for (const auto &f : floods) {
        Conversation conv(server.port());
        std::size_t sent = 0;
        const Answer a = conv.flood(f.head, *f.filler, kFlood, sent);
        const Memory m = server.memory();
        std::printf("memory: %-28s -> status %d after %.1f MB sent; VmRSS %.1f MB, VmHWM %.1f "
                    "MB\n",
                    f.what.c_str(), a.status, sent / 1048576.0, m.rssKb / 1024.0,
                    m.peakKb / 1024.0);
        refused = refused && a.status >= 400 && a.close;
    }
    const Memory after = server.memory();
    const double growth = (after.peakKb - before.rssKb) / 1024.0;
    std::printf("memory: peak growth over the floods %.1f MB (goal < 32 MB); every flood "
                "refused: %s\n",
                growth, yesNo(refused));
    return refused && growth < 32;
}

bool crowdSoak(const ServerProcess &server, int seconds, int idle, int slow)
{
    const Memory before = server.memory();
    Crowd crowd(server.port(), idle, slow);
    const auto gathering = Clock::now();
    while (crowd.open() < idle + slow && Clock::now() - gathering < std::chrono::seconds(10))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::printf("crowd: %d of %d connections (%d idle + %d slowloris) open after %.0f ms\n",
                crowd.open(), idle + slow, idle, slow, msSince(gathering));
    std::vector<double> latencies;
    int failures = 0, fewestOpen = crowd.open();
    const auto start = Clock::now();
    for (auto next = start; Clock::now() - start < std::chrono::seconds(seconds);) {
        next += std::chrono::milliseconds(100);
        // A new client each time: it must get in past the crowd as well as be served.
        const auto t = Clock::now();
        Conversation probe(server.port());
        const bool sent = probe.connected() && probe.send(request("getTabGeral", R"({"args":[]})"));
        const Answer a = sent ? probe.read() : Answer{};
        latencies.push_back(msSince(t));
        failures += a.status != 200;
        fewestOpen = std::min(fewestOpen, crowd.open());
        std::this_thread::sleep_until(next);
    }
    const Memory during = server.memory();
    const CrowdFigures c = crowd.stop();
    std::sort(latencies.begin(), latencies.end());
    const double p99 = latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)];
    const auto over =
        std::count_if(latencies.begin(), latencies.end(), [](double ms) { return ms >= 100; });
    std::printf("crowd: %d s; crowd open never below %d; reopened after the server closed them: "
                "%ld idle, %ld slowloris; refused connects %ld\n",
                seconds, fewestOpen, c.reopenedIdle, c.reopenedSlow, c.failedConnects);
    std::printf("crowd: probe getTabGeral (new connection each): %zu calls, median %.2f ms, p99 "
                "%.2f ms, max %.2f ms, %ld at or over 100 ms, %d failures\n",
                latencies.size(), latencies[latencies.size() / 2], p99, latencies.back(),
                long(over), failures);
    std::printf("crowd: server VmRSS %.1f MB before, %.1f MB during; VmHWM %.1f MB\n",
                before.rssKb / 1024.0, during.rssKb / 1024.0, during.peakKb / 1024.0);
    return failures == 0 && over == 0;
}

bool gracefulStop(ServerProcess &server)
{
    std::vector<std::unique_ptr<Conversation>> idle;
    for (int i = 0; i < 20; ++i) {
        idle.push_back(std::make_unique<Conversation>(server.port()));
        idle.back()->send(request("getTabGeral", R"({"args":[]})"));
        idle.back()->read();
    }
    // Under way: the head and most of the body are in; the rest comes after the signal.
    const std::string call = request("setTabGeral", insertTableBody("950", "EM CURSO"));
    Conversation busy(server.port(), std::chrono::milliseconds(5000));
    busy.send(call.substr(0, call.size() - 10));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));

    const auto signalled = Clock::now();
    server.signalStop();
    int closed = 0;
    for (auto &c : idle)
        closed += c->closedByServer(std::chrono::milliseconds(1000));
    const double idleClosedMs = msSince(signalled);
    std::this_thread::sleep_until(signalled + std::chrono::milliseconds(300));
    busy.send(call.substr(call.size() - 10));
    const Answer a = busy.read();
    const double answeredMs = msSince(signalled);
    const Exit e = server.waitExit(std::chrono::seconds(5));
    const double exitMs = msSince(signalled);
    const bool stored =
        server.scalar("SELECT COUNT(*) FROM TABEPRECGER WHERE CDTABEPREC = '950'") == 1;
    std::printf("stop: %d of 20 idle keep-alive clients closed within %.0f ms of SIGTERM\n", closed,
                idleClosedMs);
    std::printf("stop: request under way (body finished 300 ms after SIGTERM): status %d at %.0f "
                "ms, row stored: %s\n",
                a.status, answeredMs, yesNo(stored));
    std::printf("stop: exit code %d at %.0f ms after SIGTERM (goal: 0 within 2000 ms)\n", e.code,
                exitMs);
    return closed == 20 && a.status == 200 && stored && e.code == 0 && exitMs < 2000;
}

} // namespace vnd::soak
