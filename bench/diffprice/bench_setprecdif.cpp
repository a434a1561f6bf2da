// One differentiated price for 100,000 products on seven days through SetPrecDif, end to end
// over HTTP, against a bare prepared INSERT of the same 700,000 rules run by sqlite3 on the
// same database. Each run's rules are removed before the next, untimed, so every run writes
// into the same table; several rounds of each, alternating; the best of each counts.

#include "benchserver.h"

#include <sqlite3.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <string>
#include <vector>

using namespace vnd::server;
using namespace vnd::server::bench;
using namespace vnd;

namespace
{

const int kProducts = 100000;
const int kRounds = 3;
const char *const kDays[] = {"1", "2", "3", "4", "5", "6", "7"};

std::vector<std::string> column(const RawDatabase &db, const std::string &sql)
{
    std::vector<std::string> out;
    sqlite3_stmt *q = nullptr;
    sqlite3_prepare_v2(db.handle(), sql.c_str(), -1, &q, nullptr);
    while (sqlite3_step(q) == SQLITE_ROW)
        out.emplace_back(reinterpret_cast<const char *>(sqlite3_column_text(q, 0)));
    sqlite3_finalize(q);
    return out;
}

// The rows SetPrecDif writes, one prepared INSERT each.
bool bareInsert(const RawDatabase &db, const std::vector<std::string> &products,
                const std::string &start, const std::string &end, const char *time)
{
    sqlite3_stmt *ins = nullptr;
    if (!db.exec("BEGIN IMMEDIATE") ||
        sqlite3_prepare_v2(db.handle(),
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
    return ok && db.exec("COMMIT");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::fprintf(stderr, "loading %d synthetic products...\n", kProducts);
    BenchServer server(kProducts, 8);
    BenchClient client(server.port(), server.token());

    RawDatabase db(server.dbPath());
    const std::string start = server.currentStart().toString(Qt::ISODate).toStdString();
    const std::string period = "CDTABEPREC = '001' AND DTINIVGPREC = '" + start + "'";
    const std::string end = column(db, "SELECT DTFINVGPREC FROM TABEVEND WHERE " + period).at(0);
    const std::vector<std::string> products =
        column(db, "SELECT CDPRODUTO FROM ITEMPRECO WHERE " + period +
                       " AND CDPRODUTO = CDPRPAITABPR AND VRPRECITEM IS NOT NULL");
    const qint64 rows = qint64(products.size()) * 7;
    const auto cleanUp = [&db] {
        return db.exec("DELETE FROM ITEMPRECODIA WHERE HRINIPRECDIA = '0002'");
    };

    // Every product, Sunday to Saturday, 1.00 off from 00:02 to 23:59 over the whole period.
    data::ValueArray args{false, false, false, true, true, true, true, true, true, true};
    args.insert(args.end(),
                {false, true, false, 0, 0, "001", "", "", "00:02", "23:59", server.currentStart(),
                 QDate::fromString(QString::fromStdString(end), Qt::ISODate), server.currentStart(),
                 1.0, "", nullptr, "T", 1});
    double bestServer = 0, bestBare = 0;
    const bool ok = bestOfAlternating(
        kRounds,
        [&](int) {
            const double ns = timedCall(client, QStringLiteral("SetPrecDif"), args, rows);
            return cleanUp() ? ns : -1.0;
        },
        [&](int) {
            QElapsedTimer timer;
            timer.start();
            const bool inserted = bareInsert(db, products, start, end, "0002");
            const double ns = double(timer.nsecsElapsed());
            return inserted && cleanUp() ? ns : -1.0;
        },
        bestServer, bestBare);
    if (!ok)
        return 1;

    std::printf("SetPrecDif, all products, seven days: %lld day/hour rules, best of %d\n",
                static_cast<long long>(rows), kRounds);
    std::printf("  server, end to end over HTTP/CBOR: %.0f ms\n", bestServer / 1e6);
    std::printf("  bare prepared INSERT by sqlite3, same rows, same database: %.0f ms\n",
                bestBare / 1e6);
    std::printf("  ratio server / bare: %.2f (goal <= 1.5)\n", bestServer / bestBare);
    return 0;
}
