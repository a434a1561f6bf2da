// The promotion flag of all 100,000 products of a period through SetUpdItemPrecoAlt, end to
// end over HTTP, against the bare UPDATE of the same rows run by sqlite3 on the same database.
// Every run flips every row, so each writes as much as the other; rounds alternate which goes
// first, and the best of each counts.

#include "benchserver.h"

#include "server/changecontext.h"

#include <sqlite3.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>

using namespace vnd::server;
using namespace vnd::server::bench;
using vnd::data::Reply;

namespace
{

const int kProducts = 100000;
const int kRounds = 12;

// The products' own rows of table 001 in the period, all given the flag, in one transaction.
bool bareUpdate(sqlite3 *db, const QByteArray &start, const char *flag)
{
    const QByteArray sql = "BEGIN IMMEDIATE; UPDATE ITEMPRECO SET IDPRODPROMOC = '" +
                           QByteArray(flag) + "' WHERE CDTABEPREC = '001' AND DTINIVGPREC = '" +
                           start + "' AND CDPRPAITABPR = CDPRODUTO; COMMIT;";
    return execSql(db, sql.constData());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::fprintf(stderr, "loading %d synthetic products...\n", kProducts);
    BenchServer server(kProducts, 8);
    BenchClient client(server.port(), server.token());
    const QByteArray start = server.currentStart().toString(Qt::ISODate).toUtf8();

    sqlite3 *db = nullptr;
    sqlite3_open(server.dbPath().toUtf8().constData(), &db);
    registerChangeFunction(db); // the change record's triggers ask it
    sqlite3_busy_timeout(db, 10000);
    // The server's own connection settings; every row starts off promotion.
    if (!execSql(db, "PRAGMA foreign_keys = ON; PRAGMA synchronous = NORMAL") ||
        !bareUpdate(db, start, "N"))
        return 1;
    const qint64 rows = sqlite3_changes(db);

    const char *flags[] = {"S", "N"};
    int flip = 0;
    double bestServer = 1e18, bestBare = 1e18;
    QElapsedTimer timer;
    auto runServer = [&] {
        Reply reply;
        timer.start();
        const int status = client.call(
            QStringLiteral("SetUpdItemPrecoAlt"),
            {flags[flip % 2], "", "", "", "T", nullptr, false, "001", server.currentStart()},
            reply);
        const double ns = double(timer.nsecsElapsed());
        if (status != 200 || reply.result.toVariant().toLongLong() != rows) {
            std::fprintf(stderr, "SetUpdItemPrecoAlt failed (%d): %s\n", status,
                         qPrintable(reply.errorMessage));
            return false;
        }
        ++flip;
        bestServer = std::min(bestServer, ns);
        return true;
    };
    auto runBare = [&] {
        timer.start();
        if (!bareUpdate(db, start, flags[flip % 2]) || sqlite3_changes(db) != rows)
            return false;
        ++flip;
        bestBare = std::min(bestBare, double(timer.nsecsElapsed()));
        return true;
    };
    // Alternating which goes first, so neither always finds the other's pages cached.
    for (int round = 0; round < kRounds; ++round) {
        const bool ok = round % 2 ? runBare() && runServer() : runServer() && runBare();
        if (!ok)
            return 1;
    }
    sqlite3_close(db);

    std::printf("SetUpdItemPrecoAlt, all products, one period: %lld item price rows flipped, "
                "best of %d\n",
                static_cast<long long>(rows), kRounds);
    std::printf("  server, end to end over HTTP/CBOR: %.0f ms\n", bestServer / 1e6);
    std::printf("  bare UPDATE by sqlite3, same rows, same database: %.0f ms\n", bestBare / 1e6);
    std::printf("  ratio server / bare: %.2f (goal <= 1.3)\n", bestServer / bestBare);
    return 0;
}
