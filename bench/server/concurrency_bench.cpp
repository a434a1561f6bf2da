// Eight clients at once, each doing a fixed number of mixed loads and saves, some of them on
// items the others save too. Counts requests per second, errors (anything but success or a
// conflict) and lost updates: every successful save adds one to an item's suggested price,
// so the stored sums must equal the number of successful saves.

#include "benchserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <thread>
#include <vector>

using namespace vnd::server;
using namespace vnd::server::bench;
using vnd::data::Reply;
using vnd::data::Row;

namespace
{

constexpr int kClients = 8;
constexpr int kRounds = 150;
const char *const kShared[] = {"0000000101", "0000000102"}; // saved by every client

struct Tally {
    int requests = 0;
    int errors = 0;
    int conflicts = 0;
    std::vector<std::pair<QString, int>> saves; // product, successful increments
};

// Reload, add one, save; retried on a conflict. Returns false on a real error.
bool increment(BenchClient &client, QDate start, const QString &code, Tally &t)
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        Reply reply;
        ++t.requests;
        if (client.call(QStringLiteral("getItemPreco"), {"001", start, "4", code, ""}, reply) !=
            200)
            return false;
        const auto items = reply.result.packet();
        const int field = items.indexOf(u"VRPRESUGITEM");
        const Row before = items.rows.at(0);
        Row after = before;
        after[field] = before[field].toDouble() + 1;
        vnd::data::ChangeSet cs;
        cs.fields = items.fields;
        cs.changes.push_back({vnd::data::Change::Op::Modify, before, after});
        ++t.requests;
        const int status = client.call(QStringLiteral("SetItemPreco"), {cs, ""}, reply);
        if (status == 200) {
            t.saves.push_back({code, 1});
            return true;
        }
        if (status != 409)
            return false;
        ++t.conflicts;
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    BenchServer server(20000, 16);
    const QDate start = server.currentStart();

    auto suggested = [&server, start](const QString &code) {
        BenchClient c(server.port(), server.token());
        Reply reply;
        c.call(QStringLiteral("getItemPreco"), {"001", start, "4", code, ""}, reply);
        const auto items = reply.result.packet();
        return items.rows.at(0)[items.indexOf(u"VRPRESUGITEM")].toDouble();
    };
    std::vector<QString> products;
    for (const char *s : kShared)
        products.push_back(QString::fromLatin1(s));
    for (int c = 0; c < kClients; ++c)
        products.push_back(QStringLiteral("%1").arg(1000 + c, 10, 10, QLatin1Char('0')));
    std::vector<double> initial;
    for (const QString &p : products)
        initial.push_back(suggested(p));

    std::vector<Tally> tallies(kClients);
    QElapsedTimer timer;
    timer.start();
    std::vector<std::thread> threads;
    for (int c = 0; c < kClients; ++c) {
        threads.emplace_back([&, c] {
            BenchClient client(server.port(), server.token());
            Tally &t = tallies[size_t(c)];
            for (int r = 0; r < kRounds; ++r) {
                Reply reply;
                int status = 0;
                switch (r % 4) {
                case 0:
                    status = client.call(QStringLiteral("getVigenciaTab"), {"001"}, reply);
                    break;
                case 1:
                    status = client.call(QStringLiteral("GetPrecoHora"), {"001", start}, reply);
                    break;
                case 2:
                    if (!increment(client, start, products[2 + size_t(c)], t))
                        ++t.errors;
                    continue;
                default:
                    if (!increment(client, start, products[size_t(r / 4) % 2], t))
                        ++t.errors;
                    continue;
                }
                ++t.requests;
                if (status != 200)
                    ++t.errors;
            }
        });
    }
    for (std::thread &t : threads)
        t.join();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;

    int requests = 0, errors = 0, conflicts = 0;
    std::vector<int> expected(products.size(), 0);
    for (const Tally &t : tallies) {
        requests += t.requests;
        errors += t.errors;
        conflicts += t.conflicts;
        for (const auto &[code, n] : t.saves)
            for (size_t i = 0; i < products.size(); ++i)
                if (products[i] == code)
                    expected[i] += n;
    }
    int lost = 0;
    for (size_t i = 0; i < products.size(); ++i)
        lost += expected[i] - int(suggested(products[i]) - initial[i] + 0.5);

    std::printf("%d clients x %d mixed rounds (loads, reload+save of own and shared items)\n",
                kClients, kRounds);
    std::printf("  requests: %d in %.2f s = %.0f requests/s\n", requests, seconds,
                requests / seconds);
    std::printf("  conflicts answered 409 and retried: %d\n", conflicts);
    std::printf("  errors: %d (goal 0)\n", errors);
    std::printf("  lost updates: %d (goal 0)\n", lost);
    return errors == 0 && lost == 0 ? 0 : 1;
}
