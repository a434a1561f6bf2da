// Each bulk tool's preview against its real call, end to end over HTTP on 100,000 synthetic
// products: the preview runs the same writes and then rolls them back, and tells what they
// were. Before every run the database is put back, untimed, as the other run found it, so
// both write the same rows; rounds alternate which goes first, and the best of each counts.
// Run by hand:
//   bench_previews [products] [--db postgresql://... (an empty database)]
//   (default 100,000 products on SQLite)

#include "benchserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace vnd;
using namespace vnd::server::bench;

namespace
{

const int kRounds = 3;

struct Tool {
    const char *what;
    const char *method;
    std::function<data::ValueArray()> args;
    std::function<bool()> reset; // the database as the call finds it
};

// The call's time in nanoseconds; -1 (with the error printed) when it fails.
double timed(BenchClient &client, const QString &method, const data::ValueArray &args)
{
    data::Reply reply;
    QElapsedTimer timer;
    timer.start();
    const int status = client.call(method, args, reply);
    const double ns = double(timer.nsecsElapsed());
    if (status != 200) {
        std::fprintf(stderr, "%s failed (%d): %s\n", qPrintable(method), status,
                     qPrintable(reply.errorMessage));
        return -1;
    }
    return ns;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    EndToEndBench bench(argc, argv);
    const int products = bench.products;
    BenchClient &client = bench.client;
    const RawDatabase &db = bench.db;
    // Putting the database back is no change to record: on PostgreSQL the record's statement
    // triggers, run outside the server, took over 15 minutes to note 100,000 names put back.
    const auto reset = [&db](const QByteArray &sql) {
        return db.postgres() ? db.exec("SET session_replication_role = replica; " + sql +
                                       "; SET session_replication_role = DEFAULT")
                             : db.exec(sql.constData());
    };
    const QDate start = bench.start;
    const QByteArray &iso = bench.startIso;

    // The current period's end, for the differentiated price's validity.
    QDate periodEnd;
    {
        data::Reply periods;
        client.call(QStringLiteral("getVigenciaTab"), {"001"}, periods);
        for (const data::Row &r : periods.result.packet().rows)
            if (r[1].toDate() == start)
                periodEnd = r[2].toDate();
    }
    int copies = 0;
    QString destination;

    const std::vector<Tool> tools = {
        {"copy of table 001 to a new table, all products", "setConfirmar",
         [&] {
             return data::ValueArray{destination, "COPIA", "001", "", "T"};
         },
         [&] {
             // A code not taken yet, for each run.
             destination = QStringLiteral("%1").arg(500 + copies++, 3, 10, QLatin1Char('0'));
             return true;
         }},
        {"promotion flag, all products", "SetUpdItemPrecoAlt",
         [&] { return data::ValueArray{"S", "", "", "", "T", nullptr, false, "001", start}; },
         [&] {
             return reset("UPDATE ITEMPRECO SET IDPRODPROMOC = 'N' WHERE CDTABEPREC = '001' "
                          "AND DTINIVGPREC = '" +
                          iso + "'");
         }},
        {"name prefix, all products", "SetAddPrefixo",
         [] {
             return data::ValueArray{"PROMO ", "", "", "", "T"};
         },
         [&] {
             return reset("UPDATE PRODUTO SET NMPRODUTO = substr(NMPRODUTO, 7) WHERE "
                          "substr(NMPRODUTO, 1, 6) = 'PROMO '");
         }},
        {"differentiated price, all products, Sunday", "SetPrecDif",
         [&] {
             data::ValueArray a(10, false);
             a[3] = true;
             a.insert(a.end(), {false, true, false, 0, 1, "001", "", "", "00:01", "23:59", start,
                                periodEnd, start, 10.0, QString(), nullptr, "T", 1});
             return a;
         },
         [&] {
             return reset("DELETE FROM ITEMPRECODIA WHERE CDTABEPREC = '001' AND "
                          "DTINIVGPREC = '" +
                          iso +
                          "' AND NRDIASEMANPR = '1' AND HRINIPRECDIA = '0001' AND "
                          "HRFINPRECDIA = '2359'");
         }},
    };

    std::printf("Each bulk tool's preview against its real call, %d products, %s, best of %d\n",
                products, db.postgres() ? "PostgreSQL" : "SQLite", kRounds);
    for (const Tool &t : tools) {
        const QString method = QString::fromLatin1(t.method);
        double bestPreview = 1e18, bestReal = 1e18;
        const auto run = [&](bool preview) {
            if (!t.reset())
                return false;
            const double ns =
                timed(client, preview ? method + QStringLiteral("Previa") : method, t.args());
            double &best = preview ? bestPreview : bestReal;
            best = std::min(best, ns);
            return ns >= 0;
        };
        for (int round = 0; round < kRounds; ++round)
            if (!(round % 2 ? run(false) && run(true) : run(true) && run(false)))
                return 1;
        std::printf("  %s (%s): preview %.0f ms, real call %.0f ms, ratio %.2f (goal <= 1.2)\n",
                    t.what, t.method, bestPreview / 1e6, bestReal / 1e6, bestPreview / bestReal);
    }
    return 0;
}
