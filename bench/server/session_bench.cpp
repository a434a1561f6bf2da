// What a session costs a call: the same call to the same database through a server that lets
// every call in (ServerOptions::withoutSessionsForBenchmark) and through the real one, with
// the token trusted from memory and with it looked up in the database on every call. For
// getTabGeral (the smallest read) and for a one-row SetItemPreco. The servers take turns call
// by call; medians are compared.
//   bench_server_sessions [postgresql://... (an empty database)] [calls]

#include "bench/benchstats.h"
#include "benchserver.h"
#include "server/demousers.h"
#include "server/schema.h"
#include "server/sessionstore.h"
#include "server/syntheticdata.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace vnd::server;
using namespace vnd::server::bench;
using vnd::data::Reply;

namespace
{

using vnd::bench::quantile;

bool read(BenchClient &client)
{
    Reply reply;
    const int status = client.call(QStringLiteral("getTabGeral"), {}, reply);
    if (status != 200)
        std::fprintf(stderr, "getTabGeral failed (%d): %s\n", status,
                     qPrintable(reply.errorMessage));
    return status == 200;
}

// Each side's median and lower decile.
bool compare(const char *what, int rounds, const std::vector<std::function<bool()>> &sides)
{
    const std::vector<std::vector<double>> us = interleavedTimes(rounds, sides);
    if (us.empty())
        return false;
    std::printf("%s, %d calls each, median (lower decile) per call:\n", what, rounds);
    const char *names[] = {
        "without sessions:                     ", "with a session, trusted from memory:  ",
        "with a session looked up on each call:"};
    const double base = quantile(us[0], 0.5), baseLow = quantile(us[0], 0.1);
    for (size_t i = 0; i < sides.size(); ++i) {
        const double median = quantile(us[i], 0.5), low = quantile(us[i], 0.1);
        std::printf("  %s %7.1f us (%6.1f)", names[i], median, low);
        if (i > 0)
            std::printf(", ratio %.3f (%.3f)%s", median / base, low / baseLow,
                        i == 1 ? " (goal <= 1.1)" : "");
        std::printf("\n");
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString url = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const int rounds = argc > 2 ? std::max(10, std::atoi(argv[2])) : 3000;
    QTemporaryDir dir;
    const Database database(
        url.isEmpty() ? QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("s.db")) : url);
    Schema::upgrade(database);
    loadSyntheticData(database, 2000, QDate::currentDate());
    addDemoUsers(database);
    const std::string token = SessionStore(database)
                                  .open(QStringLiteral("gerente"), QStringLiteral("bench"),
                                        QDateTime::currentSecsSinceEpoch(), SessionPolicy{})
                                  .toStdString();

    ServerOptions letIn;
    letIn.threads = 4;
    letIn.logRequests = false;
    ServerOptions trusted = letIn;
    letIn.withoutSessionsForBenchmark = true;
    ServerOptions lookedUp = trusted;
    lookedUp.sessions.trustMs = 0;
    const ServingThread servers[] = {{database, letIn}, {database, trusted}, {database, lookedUp}};
    BenchClient clients[] = {BenchClient(servers[0].port()), BenchClient(servers[1].port(), token),
                             BenchClient(servers[2].port(), token)};
    std::printf("%s, 2,000 products\n", url.isEmpty() ? "SQLite" : "PostgreSQL");

    bool ok = compare("getTabGeral", rounds,
                      {[&] { return read(clients[0]); }, [&] { return read(clients[1]); },
                       [&] { return read(clients[2]); }});
    // Three products, each side saving a different one in every round and each of them in
    // turn, so that no side keeps a cheaper row.
    const QDate start = QDate::currentDate().addDays(-30);
    ItemSaver items[] = {{clients[0], start, QStringLiteral("0000000042")},
                         {clients[0], start, QStringLiteral("0000000043")},
                         {clients[0], start, QStringLiteral("0000000044")}};
    if (!items[0].ok() || !items[1].ok() || !items[2].ok()) {
        std::fprintf(stderr, "the products to save were not found\n");
        return 1;
    }
    int saves[3] = {0, 0, 0};
    const auto saveBy = [&](int side) {
        return items[(saves[side]++ + side) % 3].save(clients[side]);
    };
    ok = ok &&
         compare("SetItemPreco, one row", rounds,
                 {[&] { return saveBy(0); }, [&] { return saveBy(1); }, [&] { return saveBy(2); }});
    return ok ? 0 : 1;
}
