// What a session costs a call: the same call to the same database through a server that lets
// every call in (ServerOptions::withoutSessionsForBenchmark) and through the real one, with
// the token trusted from memory and with it looked up in the database on every call. For
// getTabGeral (the smallest read) and for a one-row SetItemPreco. Blocks of calls alternate
// between the servers; the best block of each counts.
//   bench_server_sessions [postgresql://... (an empty database)] [blocks]

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
using vnd::data::Row;

namespace
{

constexpr int kCalls = 200; // per block

// One client's saves of its own item row, each from the row as it last stored it.
class Saver
{
public:
    Saver(BenchClient &client, QDate start, const QString &product) : m_client(client)
    {
        Reply reply;
        client.call(QStringLiteral("getItemPreco"), {"001", start, "4", product, ""}, reply);
        if (reply.ok && reply.result.packet().rows.size() == 1) {
            m_items = reply.result.packet();
            m_row = m_items.rows[0];
        }
    }
    bool ok() const { return !m_row.isEmpty(); }
    bool save()
    {
        Row changed = m_row;
        const int price = m_items.indexOf(u"VRPRECITEM");
        changed[price] = 10.0 + (++m_n % 1000) * 0.01;
        vnd::data::ChangeSet cs;
        cs.fields = m_items.fields;
        cs.changes.push_back({vnd::data::Change::Op::Modify, m_row, changed});
        Reply reply;
        if (m_client.call(QStringLiteral("SetItemPreco"), {cs, ""}, reply) != 200) {
            std::fprintf(stderr, "save failed: %s\n", qPrintable(reply.errorMessage));
            return false;
        }
        m_row = changed;
        return true;
    }

private:
    BenchClient &m_client;
    vnd::data::DataPacket m_items;
    Row m_row;
    int m_n = 0;
};

// Microseconds per call of the block; negative when a call failed.
double block(const std::function<bool()> &call)
{
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < kCalls; ++i)
        if (!call())
            return -1;
    return double(t.nsecsElapsed()) / kCalls / 1000;
}

bool read(BenchClient &client)
{
    Reply reply;
    const int status = client.call(QStringLiteral("getTabGeral"), {}, reply);
    if (status != 200)
        std::fprintf(stderr, "getTabGeral failed (%d): %s\n", status,
                     qPrintable(reply.errorMessage));
    return status == 200;
}

// The best block of each side, the sides taking turns at going first.
bool compare(const char *what, int blocks, const std::vector<std::function<bool()>> &sides)
{
    std::vector<double> best(sides.size(), 1e18);
    for (int b = 0; b < blocks; ++b)
        for (size_t i = 0; i < sides.size(); ++i) {
            const size_t side = (i + size_t(b)) % sides.size();
            const double us = block(sides[side]);
            if (us < 0)
                return false;
            best[side] = std::min(best[side], us);
        }
    std::printf("%s, best of %d blocks of %d calls:\n", what, blocks, kCalls);
    std::printf("  without sessions:                      %7.1f us per call\n", best[0]);
    std::printf("  with a session, trusted from memory:   %7.1f us per call, ratio %.3f "
                "(goal <= 1.1)\n",
                best[1], best[1] / best[0]);
    std::printf("  with a session looked up on each call: %7.1f us per call, ratio %.3f\n", best[2],
                best[2] / best[0]);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString url = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const int blocks = argc > 2 ? std::max(1, std::atoi(argv[2])) : 15;
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

    bool ok = compare("getTabGeral", blocks,
                      {[&] { return read(clients[0]); }, [&] { return read(clients[1]); },
                       [&] { return read(clients[2]); }});
    // Each client saves a product of its own, so none conflicts with another.
    const QDate start = QDate::currentDate().addDays(-30);
    Saver savers[] = {{clients[0], start, QStringLiteral("0000000042")},
                      {clients[1], start, QStringLiteral("0000000043")},
                      {clients[2], start, QStringLiteral("0000000044")}};
    if (!savers[0].ok() || !savers[1].ok() || !savers[2].ok()) {
        std::fprintf(stderr, "the products to save were not found\n");
        return 1;
    }
    ok = ok && compare("SetItemPreco, one row", blocks,
                       {[&] { return savers[0].save(); }, [&] { return savers[1].save(); },
                        [&] { return savers[2].save(); }});
    return ok ? 0 : 1;
}
