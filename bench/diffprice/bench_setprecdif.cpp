// One differentiated price for 100,000 products on seven days through SetPrecDif, end to end
// over HTTP, against a bare prepared INSERT of the same 700,000 rules run by sqlite3 on the
// same database. Each run's rules are removed before the next, untimed, so every run writes
// into the same table; several rounds of each, alternating; the best of each counts.

#include "benchserver.h"

#include <sqlite3.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace vnd::server;
using namespace vnd::server::bench;
using vnd::data::Reply;

namespace
{

const int kProducts = 100000;
const int kRounds = 3;
const char *const kDays[] = {"1", "2", "3", "4", "5", "6", "7"};

bool exec(sqlite3 *db, const char *sql)
{
    char *error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql, error ? error : "?");
        sqlite3_free(error);
        return false;
    }
    return true;
}

std::vector<std::string> column(sqlite3 *db, const char *sql)
{
    std::vector<std::string> out;
    sqlite3_stmt *q = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &q, nullptr);
    while (sqlite3_step(q) == SQLITE_ROW)
        out.emplace_back(reinterpret_cast<const char *>(sqlite3_column_text(q, 0)));
    sqlite3_finalize(q);
    return out;
}

// The rows SetPrecDif writes, one prepared INSERT each.
bool bareInsert(sqlite3 *db, const std::vector<std::string> &products, const std::string &start,
                const std::string &end, const char *time)
{
    sqlite3_stmt *ins = nullptr;
    if (!exec(db, "BEGIN IMMEDIATE") ||
        sqlite3_prepare_v2(db,
                           "INSERT INTO ITEMPRECODIA (CDTABEPREC, DTINIVGPREC, CDPRPAITABPR,"
                           " CDPRODUTO, NRDIASEMANPR, IDPERVALORPR, IDDESCACREPR, HRINIPRECDIA,"
                           " HRFINPRECDIA, VRPRECODIA, DTINIVALPREC, DTFINVALPREC, CDTIPOCONSPD,"
                           " IDVISUACUPOM, IDTPMODCMD, IDTPMODDLV, IDTPMODGERAL, VRPRECODIACMD,"
                           " VRPRECODIADLV) VALUES ('001', ?, ?, ?, ?, 'V', 'D', ?, '2359', 1.0,"
                           " ?, ?, 'T', 'N', 'N', 'N', 'S', NULL, NULL)",
                           -1, &ins, nullptr) != SQLITE_OK)
        return false;
    bool ok = true;
    for (const char *day : kDays)
        for (const std::string &p : products) {
            sqlite3_bind_text(ins, 1, start.c_str(), -1, SQLITE_STATIC);
            sqlite3_bind_text(ins, 2, p.c_str(), -1, SQLITE_STATIC);
            sqlite3_bind_text(ins, 3, p.c_str(), -1, SQLITE_STATIC);
            sqlite3_bind_text(ins, 4, day, -1, SQLITE_STATIC);
            sqlite3_bind_text(ins, 5, time, -1, SQLITE_STATIC);
            sqlite3_bind_text(ins, 6, start.c_str(), -1, SQLITE_STATIC);
            sqlite3_bind_text(ins, 7, end.c_str(), -1, SQLITE_STATIC);
            ok = ok && sqlite3_step(ins) == SQLITE_DONE;
            sqlite3_reset(ins);
        }
    sqlite3_finalize(ins);
    return ok && exec(db, "COMMIT");
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
    if (!exec(db, "PRAGMA foreign_keys = ON; PRAGMA synchronous = NORMAL"))
        return 1;
    const std::string start = server.currentStart().toString(Qt::ISODate).toStdString();
    const std::string end =
        column(db, ("SELECT DTFINVGPREC FROM TABEVEND WHERE CDTABEPREC = '001' AND "
                    "DTINIVGPREC = '" +
                    start + "'")
                       .c_str())
            .at(0);
    const std::vector<std::string> products =
        column(db, ("SELECT CDPRODUTO FROM ITEMPRECO WHERE CDTABEPREC = '001' AND DTINIVGPREC = '" +
                    start + "' AND CDPRODUTO = CDPRPAITABPR AND VRPRECITEM IS NOT NULL")
                       .c_str());
    const qint64 rows = qint64(products.size()) * 7;
    const auto cleanUp = [db] {
        return exec(db, "DELETE FROM ITEMPRECODIA WHERE HRINIPRECDIA = '0002'");
    };

    double bestServer = 1e18, bestBare = 1e18;
    QElapsedTimer timer;
    auto runServer = [&] {
        vnd::data::ValueArray args{false,
                                   false,
                                   false,
                                   true,
                                   true,
                                   true,
                                   true,
                                   true,
                                   true,
                                   true,
                                   false,
                                   true,
                                   false,
                                   0,
                                   0,
                                   "001",
                                   "",
                                   "",
                                   "00:02",
                                   "23:59",
                                   server.currentStart(),
                                   QDate::fromString(QString::fromStdString(end), Qt::ISODate),
                                   server.currentStart(),
                                   1.0,
                                   "",
                                   nullptr,
                                   "T",
                                   1};
        Reply reply;
        timer.start();
        const int status = client.call(QStringLiteral("SetPrecDif"), args, reply);
        const double ns = double(timer.nsecsElapsed());
        if (status != 200 || reply.result.toVariant().toLongLong() != rows) {
            std::fprintf(stderr, "SetPrecDif failed (%d): %s\n", status,
                         qPrintable(reply.errorMessage));
            return false;
        }
        bestServer = std::min(bestServer, ns);
        return cleanUp();
    };
    auto runBare = [&] {
        timer.start();
        if (!bareInsert(db, products, start, end, "0002"))
            return false;
        bestBare = std::min(bestBare, double(timer.nsecsElapsed()));
        return cleanUp();
    };
    // Alternating which goes first, so neither always finds the other's pages cached.
    for (int round = 0; round < kRounds; ++round)
        if (!(round % 2 ? runBare() && runServer() : runServer() && runBare()))
            return 1;
    sqlite3_close(db);

    std::printf("SetPrecDif, all products, seven days: %lld day/hour rules, best of %d\n",
                static_cast<long long>(rows), kRounds);
    std::printf("  server, end to end over HTTP/CBOR: %.0f ms\n", bestServer / 1e6);
    std::printf("  bare prepared INSERT by sqlite3, same rows, same database: %.0f ms\n",
                bestBare / 1e6);
    std::printf("  ratio server / bare: %.2f (goal <= 1.5)\n", bestServer / bestBare);
    return 0;
}
