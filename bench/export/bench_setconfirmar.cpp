// Copying a table of 100,000 priced products in one period through setConfirmar, end to end
// over HTTP: "Todos" against the bare INSERT ... SELECT statements that copy the same rows, run
// by sqlite3 on the same database, then "Lista" with every product ticked against "Todos".
// Several rounds of each, alternating; the best of each counts.

#include "benchserver.h"

#include <sqlite3.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>

using namespace vnd::server;
using namespace vnd::server::bench;

namespace
{

const int kProducts = 100000;
const int kDefaultRounds = 4;

// The origin: table 900 with the current period of table 001, its prices and rules.
bool makeOrigin(const RawDatabase &db, const QDate &start)
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
    return db.exec(sql.constData());
}

// What setConfirmar stores, as bare statements: the table, its period, prices and rules.
bool bareCopy(const RawDatabase &db, const char *dest)
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
    return db.exec(sql.constData());
}

// The list text of every product the origin offers, as the window's picker builds it.
QString everyProduct(const RawDatabase &db)
{
    sqlite3_stmt *q = nullptr;
    sqlite3_prepare_v2(db.handle(),
                       "SELECT CDPRODUTO FROM ITEMPRECO WHERE CDTABEPREC = '900'"
                       " AND CDPRPAITABPR = CDPRODUTO ORDER BY CDPRODUTO",
                       -1, &q, nullptr);
    QStringList codes;
    while (sqlite3_step(q) == SQLITE_ROW)
        codes << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(q, 0)));
    sqlite3_finalize(q);
    QString list;
    for (const QString &c : codes)
        list += u'_' + c.leftJustified(10, u' ');
    return list + u'_';
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // --rounds N: fewer rounds for a quick look.
    const int kRounds =
        argc > 2 && qstrcmp(argv[1], "--rounds") == 0 ? std::max(1, atoi(argv[2])) : kDefaultRounds;
    std::fprintf(stderr, "loading %d synthetic products...\n", kProducts);
    BenchServer server(kProducts, 8);
    BenchClient client(server.port(), server.token());

    RawDatabase db(server.dbPath());
    if (!makeOrigin(db, server.currentStart()))
        return 1;
    sqlite3_stmt *count = nullptr;
    sqlite3_prepare_v2(db.handle(), "SELECT COUNT(*) FROM ITEMPRECO WHERE CDTABEPREC = '900'", -1,
                       &count, nullptr);
    sqlite3_step(count);
    const qint64 rows = sqlite3_column_int64(count, 0);
    sqlite3_finalize(count);

    double bestServer = 0, bestBare = 0;
    const bool ok = bestOfAlternating(
        kRounds,
        [&](int round) {
            return timedCall(client, QStringLiteral("setConfirmar"),
                             {QString::number(910 + round), "BENCH", "900", "", "T"}, rows);
        },
        [&](int round) {
            QElapsedTimer timer;
            timer.start();
            return bareCopy(db, QByteArray::number(950 + round).constData())
                       ? double(timer.nsecsElapsed())
                       : -1.0;
        },
        bestServer, bestBare);
    if (!ok)
        return 1;

    std::printf("setConfirmar, all products, one period: %lld item price rows (and their "
                "day/hour rules), best of %d\n",
                static_cast<long long>(rows), kRounds);
    std::printf("  server, end to end over HTTP/CBOR: %.0f ms\n", bestServer / 1e6);
    std::printf("  bare INSERT ... SELECT by sqlite3, same rows, same database: %.0f ms\n",
                bestBare / 1e6);
    std::printf("  ratio server / bare: %.2f (goal <= 1.3)\n", bestServer / bestBare);

    const QString list = everyProduct(db);
    double bestList = 0, bestAll = 0;
    if (!bestOfAlternating(
            kRounds,
            [&](int round) {
                return timedCall(client, QStringLiteral("setConfirmar"),
                                 {QString::number(920 + round), "LISTA", "900", list, "L"}, rows);
            },
            [&](int round) {
                return timedCall(client, QStringLiteral("setConfirmar"),
                                 {QString::number(930 + round), "TODOS", "900", "", "T"}, rows);
            },
            bestList, bestAll))
        return 1;
    std::printf("setConfirmar, \"Lista\" with all %lld products ticked (%lld characters of list "
                "text) against \"Todos\", same rows, best of %d\n",
                static_cast<long long>(list.size() / 11), static_cast<long long>(list.size()),
                kRounds);
    std::printf("  \"Lista\": %.0f ms\n", bestList / 1e6);
    std::printf("  \"Todos\": %.0f ms\n", bestAll / 1e6);
    std::printf("  ratio Lista / Todos: %.2f (goal <= 1.3)\n", bestList / bestAll);
    return 0;
}
