// Clients calling a running server (or a balancer in front of several) for a while: mixed
// loads and saves of each client's own item, signed in as the demo manager. Prints requests
// per second and every answer that was neither a success nor a conflict, so a failover run
// shows what it cost.
//   bench_http_load PORT SECONDS [CLIENTS]

#include "benchserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

using namespace vnd::server::bench;
using vnd::data::Reply;
using vnd::data::Row;

namespace
{

QDate currentStart(BenchClient &client)
{
    Reply reply;
    client.call(QStringLiteral("getVigenciaTab"), {"001"}, reply);
    const QDate today = QDate::currentDate();
    for (const Row &r : reply.result.packet().rows)
        if (r[1].toDate() <= today && today <= r[2].toDate())
            return r[1].toDate();
    return {};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "uso: %s PORTA SEGUNDOS [CLIENTES]\n", argv[0]);
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const double seconds = std::atof(argv[2]);
    const int clients = argc > 3 ? std::atoi(argv[3]) : 8;

    BenchClient probe(port);
    if (!probe.signIn(QStringLiteral("gerente"), QStringLiteral("gerente-demo"))) {
        std::fprintf(stderr, "o gerente de demonstração não conseguiu entrar\n");
        return 1;
    }
    const QDate start = currentStart(probe);
    Reply items;
    probe.call(QStringLiteral("getItemPreco"), {"001", start, "4", "", "T"}, items);
    const auto &all = items.result.packet();
    if (!start.isValid() || int(all.rows.size()) < clients) {
        std::fprintf(stderr, "o servidor não respondeu como esperado\n");
        return 1;
    }

    // The packet's rows are decoded on first use, by one thread.
    std::vector<QString> own;
    for (int c = 0; c < clients; ++c)
        own.push_back(all.rows[size_t(c)][all.indexOf(u"CDPRODUTO")].toString());

    std::mutex mutex;
    std::map<int, int> statuses;
    std::atomic<bool> stop{false};
    QElapsedTimer timer;
    timer.start();
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c)
        threads.emplace_back([&, c] {
            BenchClient client(port, probe.token());
            std::map<int, int> mine;
            for (int r = 0; !stop; ++r) {
                Reply reply;
                switch (r % 4) {
                case 0:
                    ++mine[client.call(QStringLiteral("getVigenciaTab"), {"001"}, reply)];
                    break;
                case 1:
                    ++mine[client.call(QStringLiteral("GetPrecoHora"), {"001", start}, reply)];
                    break;
                default: {
                    const int got = client.call(QStringLiteral("getItemPreco"),
                                                {"001", start, "4", own[size_t(c)], ""}, reply);
                    ++mine[got];
                    if (got != 200 || r % 4 != 3)
                        break;
                    const auto p = reply.result.packet();
                    const int f = p.indexOf(u"VRPRESUGITEM");
                    Row after = p.rows.at(0);
                    after[f] = after[f].toDouble() + 1;
                    vnd::data::ChangeSet cs;
                    cs.fields = p.fields;
                    cs.changes.push_back({vnd::data::Change::Op::Modify, p.rows.at(0), after});
                    ++mine[client.call(QStringLiteral("SetItemPreco"), {cs, ""}, reply)];
                }
                }
            }
            std::lock_guard lock(mutex);
            for (const auto &[status, n] : mine)
                statuses[status] += n;
        });
    while (timer.elapsed() < qint64(seconds * 1000))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    stop = true;
    for (std::thread &t : threads)
        t.join();
    const double elapsed = double(timer.nsecsElapsed()) / 1e9;

    int requests = 0, failed = 0;
    for (const auto &[status, n] : statuses) {
        requests += n;
        if (status != 200 && status != 409)
            failed += n;
    }
    std::printf("%d clients, %.1f s: %d requests = %.0f requests/s; failed %d", clients, elapsed,
                requests, requests / elapsed, failed);
    for (const auto &[status, n] : statuses)
        std::printf("%s status %d: %d", status == statuses.begin()->first ? " (" : ",", status, n);
    std::printf(")\n");
    return 0;
}
