// Copying a table of 100,000 priced products in one period through setConfirmar, end to end
// over HTTP, against the bare INSERT ... SELECT statements that copy the same rows, run by
// sqlite3 on the same database. Several rounds of each, alternating; the best of each counts.

#include "benchserver.h"

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
const int kRounds = 4;

// The origin: table 900 with the current period of table 001, its prices and rules.
bool makeOrigin(sqlite3 *db, const QDate &start)
{
    const QByteArray s = start.toString(Qt::ISODate).toUtf8();
    const QByteArray sql =
        "BEGIN IMMEDIATE;"
        "INSERT INTO TABEPRECGER (CDTABEPREC, NMTABEPREC) VALUES ('900', 'ORIGEM');"
        "INSERT INTO TABEVEND SELECT '900', DTINIVGPREC, DTFINVGPREC, VRREAJUSTE, DTREAJUSTE,"
        " IDSITVGPREC FROM TABEVEND WHERE CDTABEPREC = '001' AND DTINIVGPREC = '" +
        s +
        "';"
        "INSERT INTO ITEMPRECO SELECT '900', DTINIVGPREC, CDPRODUTO, CDPRPAITABPR, VRPRECITEM,"
        " VRPRECITEMCMD, VRPRECITEMDLV, VRPRECITEMCL, IDPRECVARIA, VRPRESUGITEM, VRCUSTITEM,"
        " VRMKUPITEM, IDPRODPROMOC, HRINIVENPROD, HRFIMVENPROD FROM ITEMPRECO"
        " WHERE CDTABEPREC = '001' AND DTINIVGPREC = '" +
        s +
        "';"
        "INSERT INTO ITEMPRECODIA SELECT '900', DTINIVGPREC, CDPRPAITABPR, CDPRODUTO,"
        " NRDIASEMANPR, IDPERVALORPR, IDDESCACREPR, HRINIPRECDIA, HRFINPRECDIA, VRPRECODIA,"
        " DTINIVALPREC, DTFINVALPREC, CDTIPOCONSPD, IDVISUACUPOM, IDTPMODCMD, IDTPMODDLV,"
        " IDTPMODGERAL, VRPRECODIACMD, VRPRECODIADLV FROM ITEMPRECODIA"
        " WHERE CDTABEPREC = '001' AND DTINIVGPREC = '" +
        s + "';COMMIT;";
    return execSql(db, sql.constData());
}

// What setConfirmar stores, as bare statements: the table, its period, prices and rules.
bool bareCopy(sqlite3 *db, const char *dest)
{
    const QByteArray d(dest);
    const QByteArray sql =
        "BEGIN IMMEDIATE;"
        "INSERT INTO TABEPRECGER (CDTABEPREC, NMTABEPREC) VALUES ('" +
        d +
        "', 'BARE');"
        "INSERT INTO TABEVEND SELECT '" +
        d +
        "', DTINIVGPREC, DTFINVGPREC, VRREAJUSTE, DTREAJUSTE, IDSITVGPREC FROM TABEVEND"
        " WHERE CDTABEPREC = '900';"
        "INSERT INTO ITEMPRECO SELECT '" +
        d +
        "', DTINIVGPREC, CDPRODUTO, CDPRPAITABPR, VRPRECITEM, VRPRECITEMCMD, VRPRECITEMDLV,"
        " VRPRECITEMCL, IDPRECVARIA, VRPRESUGITEM, VRCUSTITEM, VRMKUPITEM, IDPRODPROMOC,"
        " HRINIVENPROD, HRFIMVENPROD FROM ITEMPRECO WHERE CDTABEPREC = '900';"
        "INSERT INTO ITEMPRECODIA SELECT '" +
        d +
        "', DTINIVGPREC, CDPRPAITABPR, CDPRODUTO, NRDIASEMANPR, IDPERVALORPR, IDDESCACREPR,"
        " HRINIPRECDIA, HRFINPRECDIA, VRPRECODIA, DTINIVALPREC, DTFINVALPREC, CDTIPOCONSPD,"
        " IDVISUACUPOM, IDTPMODCMD, IDTPMODDLV, IDTPMODGERAL, VRPRECODIACMD, VRPRECODIADLV"
        " FROM ITEMPRECODIA WHERE CDTABEPREC = '900';"
        "COMMIT;";
    return execSql(db, sql.constData());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::fprintf(stderr, "loading %d synthetic products...\n", kProducts);
    BenchServer server(kProducts, 8);
    BenchClient client(server.port());

    sqlite3 *db = nullptr;
    sqlite3_open(server.dbPath().toUtf8().constData(), &db);
    sqlite3_busy_timeout(db, 10000);
    // The server's own connection settings.
    if (!execSql(db, "PRAGMA foreign_keys = ON; PRAGMA synchronous = NORMAL") ||
        !makeOrigin(db, server.currentStart()))
        return 1;
    sqlite3_stmt *count = nullptr;
    sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM ITEMPRECO WHERE CDTABEPREC = '900'", -1, &count,
                       nullptr);
    sqlite3_step(count);
    const qint64 rows = sqlite3_column_int64(count, 0);
    sqlite3_finalize(count);

    double bestServer = 1e18, bestBare = 1e18;
    QElapsedTimer timer;
    auto runServer = [&](int round) {
        const QString dest = QStringLiteral("%1").arg(910 + round);
        Reply reply;
        timer.start();
        const int status =
            client.call(QStringLiteral("setConfirmar"), {dest, "BENCH", "900", "", "T"}, reply);
        const double ns = double(timer.nsecsElapsed());
        if (status != 200 || reply.result.toVariant().toLongLong() != rows) {
            std::fprintf(stderr, "setConfirmar failed (%d): %s\n", status,
                         qPrintable(reply.errorMessage));
            return false;
        }
        bestServer = std::min(bestServer, ns);
        return true;
    };
    auto runBare = [&](int round) {
        const QByteArray dest = QByteArray::number(950 + round);
        timer.start();
        if (!bareCopy(db, dest.constData()))
            return false;
        bestBare = std::min(bestBare, double(timer.nsecsElapsed()));
        return true;
    };
    // Alternating which goes first, so neither always finds the other's pages cached.
    for (int round = 0; round < kRounds; ++round) {
        const bool ok =
            round % 2 ? runBare(round) && runServer(round) : runServer(round) && runBare(round);
        if (!ok)
            return 1;
    }
    sqlite3_close(db);

    std::printf("setConfirmar, all products, one period: %lld item price rows (and their "
                "day/hour rules), best of %d\n",
                static_cast<long long>(rows), kRounds);
    std::printf("  server, end to end over HTTP/CBOR: %.0f ms\n", bestServer / 1e6);
    std::printf("  bare INSERT ... SELECT by sqlite3, same rows, same database: %.0f ms\n",
                bestBare / 1e6);
    std::printf("  ratio server / bare: %.2f (goal <= 1.3)\n", bestServer / bestBare);
    return 0;
}
