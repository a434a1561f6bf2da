#include "clientsfigures.h"

#include "soakfigures.h"
#include "soakhttp.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

namespace vnd::soak
{

namespace
{

// A blocking loopback socket; receiveBuffer > 0 keeps the window small.
int connectTo(int port, int receiveBuffer = 0)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (receiveBuffer > 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(uint16_t(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    timeval tv{30, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    return fd;
}

bool sendAll(int fd, const char *p, size_t n)
{
    while (n > 0) {
        const ssize_t w = ::send(fd, p, n, MSG_NOSIGNAL);
        if (w <= 0)
            return false;
        p += w;
        n -= size_t(w);
    }
    return true;
}

// One answer with a length read from a kept-alive connection; its status (0: none).
int readAnswer(int fd, std::string &buffer)
{
    for (;;) {
        const size_t end = buffer.find("\r\n\r\n");
        if (end != std::string::npos) {
            const size_t at = buffer.find("Content-Length: ");
            const size_t length =
                at < end ? std::strtoul(buffer.c_str() + at + 16, nullptr, 10) : 0;
            if (buffer.size() >= end + 4 + length) {
                const int status = std::atoi(buffer.c_str() + 9);
                buffer.erase(0, end + 4 + length);
                return status;
            }
        }
        char chunk[16384];
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0)
            return 0;
        buffer.append(chunk, size_t(n));
    }
}

// Sum of (user + system) CPU seconds the process has used.
double cpuSeconds(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string skip;
    for (int i = 3; i < 14; ++i)
        fields >> skip;
    long user = 0, system = 0;
    fields >> user >> system;
    return double(user + system) / double(sysconf(_SC_CLK_TCK));
}

// Bytes in the server's deleted (spilled) files.
long long spilledBytes(pid_t pid)
{
    const std::string dir = "/proc/" + std::to_string(pid) + "/fd";
    long long total = 0;
    if (DIR *d = ::opendir(dir.c_str())) {
        while (dirent *e = ::readdir(d)) {
            char target[512];
            const std::string link = dir + "/" + e->d_name;
            const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
            struct stat st {
            };
            if (n > 0 && std::string_view(target, size_t(n)).ends_with("(deleted)") &&
                ::stat(link.c_str(), &st) == 0 && S_ISREG(st.st_mode))
                total += st.st_size;
        }
        ::closedir(d);
    }
    return total;
}

// Until the server has used no more than 5 % of a core for half a second.
double waitUntilIdle(pid_t pid, std::chrono::seconds limit)
{
    const auto start = Clock::now();
    double before = cpuSeconds(pid);
    while (Clock::now() - start < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const double now = cpuSeconds(pid);
        if (now - before < 0.025)
            break;
        before = now;
    }
    return msSince(start);
}

struct Latencies {
    double median = 0, p99 = 0, max = 0;
    int failures = 0;
    size_t calls = 0;
};

// The probe: getTabGeral on a new connection each time, every 20 ms, for `calls` calls.
Latencies probe(int port, int calls)
{
    std::vector<double> ms;
    Latencies l;
    for (int i = 0; i < calls; ++i) {
        const auto t = Clock::now();
        Conversation c(port, std::chrono::seconds(120));
        const bool sent = c.connected() && c.send(request("getTabGeral", R"({"args":[]})"));
        l.failures += !sent || c.read().status != 200;
        ms.push_back(msSince(t));
        std::this_thread::sleep_until(t + std::chrono::milliseconds(20));
    }
    std::sort(ms.begin(), ms.end());
    l.calls = ms.size();
    l.median = ms[ms.size() / 2];
    l.p99 = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
    l.max = ms.back();
    return l;
}

void printLatencies(const char *what, const Latencies &l)
{
    std::printf("stalled: probe getTabGeral %s: %zu calls, median %.1f ms, p99 %.1f ms, max %.1f "
                "ms, %d failures\n",
                what, l.calls, l.median, l.p99, l.max, l.failures);
}

std::string cborText(const std::string &s)
{
    return std::string(1, char(0x60 + s.size())) + s; // short texts only
}

} // namespace

StalledReaders::StalledReaders(int port, int count, const std::string &request)
{
    for (int i = 0; i < count; ++i) {
        const int fd = connectTo(port, 4096);
        if (fd >= 0 && sendAll(fd, request.data(), request.size()))
            m_sockets.push_back(fd);
        else if (fd >= 0)
            ::close(fd);
    }
}

StalledReaders::~StalledReaders()
{
    for (int fd : m_sockets)
        ::close(fd);
}

int StalledReaders::open() const
{
    int n = 0;
    for (int fd : m_sockets) {
        pollfd p{fd, POLLIN, 0};
        char c;
        // Readable with nothing to peek, or an error: the server closed it.
        const bool closed =
            ::poll(&p, 1, 0) == 1 &&
            ((p.revents & (POLLHUP | POLLERR)) || ::recv(fd, &c, 1, MSG_PEEK | MSG_DONTWAIT) == 0);
        n += !closed;
    }
    return n;
}

std::string allItemsRequest(const std::string &periodStart)
{
    const std::string body = std::string("\xA1\x64"
                                         "args\x85",
                                         7) +
                             cborText("001") +
                             std::string("\xA1\x64"
                                         "date",
                                         6) +
                             cborText(periodStart) + cborText("4") + cborText("") + cborText("T");
    return "POST /vnd42700.rdmTabGeral/getItemPreco HTTP/1.1\r\nHost: bench\r\n" +
           authorizationLine() +
           "Content-Type: application/cbor\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

bool memoryUnderBombs(const ServerProcess &server, int bombs)
{
    // 63 MiB of zeros in an indefinite CBOR list; 32 million zeros in a JSON list.
    const std::string cbor = std::string("\xA1\x64"
                                         "args\x81\x9F",
                                         8) +
                             std::string(63u << 20, '\0');
    std::string json = R"({"args":[[0)";
    json.reserve(64u << 20);
    while (json.size() < 64'000'000 - 8)
        json += ",0";
    json += "]]}";

    const Memory before = server.memory();
    std::atomic<bool> sampling{true};
    std::atomic<long> highestKb{before.rssKb};
    std::thread sampler([&] {
        while (sampling) {
            highestKb = std::max<long>(highestKb, server.memory().rssKb);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    struct Bomb {
        const std::string *body;
        const char *type;
        int status = 0;
        size_t sentWhenAnswered = 0;
        double ms = 0;
    };
    std::vector<Bomb> all;
    for (int i = 0; i < bombs; ++i)
        all.push_back({i % 2 ? &json : &cbor, i % 2 ? "application/json" : "application/cbor"});
    const auto start = Clock::now();
    std::vector<std::thread> threads;
    for (Bomb &b : all)
        threads.emplace_back([&server, &b, start] {
            const int fd = connectTo(server.port());
            const std::string head =
                "POST /vnd42700.rdmTabGeral/getTabGeral HTTP/1.1\r\nHost: bench\r\n" +
                authorizationLine() + "Content-Type: " + std::string(b.type) +
                "\r\nContent-Length: " + std::to_string(b.body->size()) + "\r\n\r\n";
            std::atomic<size_t> sent{0};
            std::thread sender([&] {
                if (!sendAll(fd, head.data(), head.size()))
                    return;
                for (size_t at = 0; at < b.body->size(); at += 65536) {
                    const size_t n = std::min<size_t>(65536, b.body->size() - at);
                    if (!sendAll(fd, b.body->data() + at, n))
                        break;
                    sent += n;
                }
            });
            std::string answer;
            char chunk[4096];
            for (ssize_t n; answer.find("\r\n\r\n") == std::string::npos &&
                            (n = ::recv(fd, chunk, sizeof chunk, 0)) > 0;)
                answer.append(chunk, size_t(n));
            b.sentWhenAnswered = sent;
            b.ms = msSince(start);
            b.status = answer.size() > 12 ? std::atoi(answer.c_str() + 9) : 0;
            ::shutdown(fd, SHUT_RDWR);
            sender.join();
            ::close(fd);
        });
    for (auto &t : threads)
        t.join();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    sampling = false;
    sampler.join();
    const Memory after = server.memory();
    bool refused = true;
    for (const Bomb &b : all) {
        std::printf("bombs: %-16s %5.1f MB body -> status %d at %.0f ms, %.1f MB sent by then\n",
                    b.type, b.body->size() / 1048576.0, b.status, b.ms,
                    b.sentWhenAnswered / 1048576.0);
        refused = refused && (b.status == 413 || b.status == 400);
    }
    const double growth =
        (std::max(highestKb.load(), after.peakKb > before.peakKb ? after.peakKb : 0L) -
         before.rssKb) /
        1024.0;
    std::printf("bombs: %d at once: server VmRSS %.1f MB before, highest %.1f MB, VmHWM %.1f MB "
                "after; growth %.1f MB (goal < 64 MB); every bomb refused: %s\n",
                bombs, before.rssKb / 1024.0, highestKb / 1024.0, after.peakKb / 1024.0, growth,
                yesNo(refused));
    return refused && growth < 64;
}

namespace
{

struct AbRun {
    double rate = 0;
    long failed = -1, kept = -1;
};

// ApacheBench's HTTP/1.0 keep-alive client, 8 at once.
AbRun runAb(int port, int requests, const std::string &bodyFile)
{
    AbRun r;
    const std::string command = "ab -k -c 8 -n " + std::to_string(requests) + " -p " + bodyFile +
                                " -H 'Authorization: Bearer " + sessionToken() + "'" +
                                " -T application/json -q http://127.0.0.1:" + std::to_string(port) +
                                "/vnd42700.rdmTabGeral/getTabGeral 2>&1";
    if (FILE *ab = ::popen(command.c_str(), "r")) {
        char line[512];
        while (std::fgets(line, sizeof line, ab)) {
            std::sscanf(line, "Requests per second: %lf", &r.rate);
            std::sscanf(line, "Failed requests: %ld", &r.failed);
            std::sscanf(line, "Keep-Alive requests: %ld", &r.kept);
        }
        ::pclose(ab);
    }
    return r;
}

// The same calls over HTTP/1.1, 8 connections kept alive; requests per second (0: a failure).
double runHttp11(int port, int requests, const std::string &call)
{
    std::atomic<int> ok{0};
    const auto start = Clock::now();
    std::vector<std::thread> clients;
    for (int c = 0; c < 8; ++c)
        clients.emplace_back([&, c] {
            const int s = connectTo(port);
            std::string buffer;
            for (int i = c; i < requests && s >= 0; i += 8)
                ok += sendAll(s, call.data(), call.size()) && readAnswer(s, buffer) == 200;
            if (s >= 0)
                ::close(s);
        });
    for (auto &t : clients)
        t.join();
    return ok == requests ? requests / (msSince(start) / 1000.0) : 0;
}

} // namespace

bool http10KeepAlive(const ServerProcess &server, int requests)
{
    const std::string body = R"({"args":[]})";
    char file[] = "/tmp/vnd-ab-XXXXXX";
    const int fd = ::mkstemp(file);
    const bool written = fd >= 0 && ::write(fd, body.data(), body.size()) == ssize_t(body.size());
    if (fd >= 0)
        ::close(fd);
    // Rounds alternate which client goes first, so that neither always meets the other's load.
    constexpr int kRounds = 3;
    AbRun ab;
    double http11 = 0;
    bool ran = written;
    for (int round = 0; ran && round < kRounds; ++round) {
        for (int side = 0; side < 2; ++side) {
            if ((side + round) % 2 == 0) {
                const AbRun r = runAb(server.port(), requests, file);
                ran = ran && r.rate > 0 && r.failed == 0 && r.kept == requests;
                if (r.rate > ab.rate)
                    ab = r;
            } else {
                const double rate =
                    runHttp11(server.port(), requests, request("getTabGeral", body));
                ran = ran && rate > 0;
                http11 = std::max(http11, rate);
            }
        }
    }
    ::unlink(file);
    if (!ran) {
        std::printf("keep-alive: ApacheBench (ab, Debian package apache2-utils) did not run, or "
                    "some of its requests failed or were not kept alive\n");
        return false;
    }
    std::printf("keep-alive: ab -k -c 8 (HTTP/1.0), %d getTabGeral, best of %d: %.0f requests/s, "
                "%ld failed, %ld kept alive\n",
                requests, kRounds, ab.rate, ab.failed, ab.kept);
    std::printf("keep-alive: the same over HTTP/1.1, 8 connections, best of %d: %.0f requests/s\n",
                kRounds, http11);
    std::printf("keep-alive: HTTP/1.0 keep-alive / HTTP/1.1 = %.2f (goal >= 0.8)\n",
                ab.rate / http11);
    return ab.rate / http11 >= 0.8;
}

bool probeWithStalledReaders(const ServerProcess &server, const StalledReaders &stalled)
{
    const Latencies busy = probe(server.port(), 100);
    printLatencies("while their answers are read from the database", busy);
    const double settled = waitUntilIdle(server.pid(), std::chrono::seconds(300));
    const Latencies idle = probe(server.port(), 500);
    std::printf("stalled: %d readers that never read, %d still connected; their answers were read "
                "%.0f ms after the first probe phase; %.1f MB wait on disk, server VmRSS %.1f MB\n",
                stalled.count(), stalled.open(), settled, spilledBytes(server.pid()) / 1048576.0,
                server.memory().rssKb / 1024.0);
    printLatencies("with the answers waiting for their readers", idle);
    std::printf("stalled: probe p99 %.1f ms (goal < 100 ms)\n", idle.p99);
    return idle.failures == 0 && busy.failures == 0 && idle.p99 < 100;
}

bool walAfterBulkUpdates(const ServerProcess &server, int updates, const std::string &periodStart)
{
    const std::string wal = server.dbPath() + "-wal";
    long long highest = 0;
    int ok = 0;
    const auto start = Clock::now();
    for (int i = 0; i < updates; ++i) {
        Conversation c(server.port(), std::chrono::seconds(120));
        c.send(request("SetUpdItemPrecoAlt", std::string(R"({"args":[")") + (i % 2 ? "N" : "S") +
                                                 R"(","","","","T",null,false,"001",{"date":")" +
                                                 periodStart + R"("}]})"));
        ok += c.read().status == 200;
        struct stat st {
        };
        if (::stat(wal.c_str(), &st) == 0)
            highest = std::max<long long>(highest, st.st_size);
    }
    std::printf("wal: %d bulk updates of every product's promotion flag (%d ok) in %.1f s with the "
                "readers stalled: WAL at most %.1f MB (goal < 64 MB)\n",
                updates, ok, msSince(start) / 1000.0, highest / 1048576.0);
    return ok == updates && highest < (64ll << 20);
}

bool stopWithStalledReaders(ServerProcess &server, const StalledReaders &stalled)
{
    const int open = stalled.open();
    server.signalStop();
    const Exit e = server.waitExit(std::chrono::seconds(30));
    std::printf("stop: SIGTERM with %d stalled readers connected: exit code %d after %.0f ms "
                "(goal: 0 within 2000 ms)\n",
                open, e.code, e.ms);
    return e.code == 0 && e.ms < 2000;
}

} // namespace vnd::soak
