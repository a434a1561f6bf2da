// Saving one modified item row through SetItemPreco, end to end over HTTP, against a bare
// single-row UPDATE through sqlite3 on the same database, and against that UPDATE plus a
// bare round trip to the server (the smallest call there is: getTabGeral).

#include "benchserver.h"

#include "server/changecontext.h"

#include <sqlite3.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

using namespace vnd::server;
using namespace vnd::server::bench;
using vnd::data::Reply;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = 500;
    BenchServer server(10000, 8);
    BenchClient client(server.port(), server.token());
    const QString code = QStringLiteral("0000000042");

    Reply reply;
    client.call(QStringLiteral("getItemPreco"), {"001", server.currentStart(), "4", code, ""},
                reply);
    if (!reply.ok) {
        std::fprintf(stderr, "getItemPreco failed: %s\n", qPrintable(reply.errorMessage));
        return 1;
    }
    vnd::data::DataPacket items = reply.result.packet();
    const int price = items.indexOf(u"VRPRECITEM");
    vnd::data::Row row = items.rows[0];

    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rounds; ++i) {
        vnd::data::Row changed = row;
        changed[price] = 10.0 + i * 0.01;
        vnd::data::ChangeSet cs;
        cs.fields = items.fields;
        cs.changes.push_back({vnd::data::Change::Op::Modify, row, changed});
        if (client.call(QStringLiteral("SetItemPreco"), {cs, ""}, reply) != 200) {
            std::fprintf(stderr, "save failed: %s\n", qPrintable(reply.errorMessage));
            return 1;
        }
        row = changed;
    }
    const double serverNs = double(timer.nsecsElapsed()) / rounds;

    sqlite3 *db = nullptr;
    sqlite3_open(server.dbPath().toUtf8().constData(), &db);
    registerChangeFunction(db); // the change record's triggers ask it
    sqlite3_busy_timeout(db, 10000);
    sqlite3_exec(db, "PRAGMA synchronous = NORMAL", nullptr, nullptr, nullptr);
    sqlite3_stmt *update = nullptr;
    sqlite3_prepare_v2(db,
                       "UPDATE ITEMPRECO SET VRPRECITEM = ? WHERE CDTABEPREC = '001' AND "
                       "DTINIVGPREC = ? AND CDPRODUTO = ? AND CDPRPAITABPR = ?",
                       -1, &update, nullptr);
    const QByteArray start = server.currentStart().toString(Qt::ISODate).toUtf8();
    const QByteArray product = code.toUtf8();
    timer.restart();
    for (int i = 0; i < rounds; ++i) {
        sqlite3_bind_double(update, 1, 20.0 + i * 0.01);
        sqlite3_bind_text(update, 2, start.constData(), -1, SQLITE_STATIC);
        sqlite3_bind_text(update, 3, product.constData(), -1, SQLITE_STATIC);
        sqlite3_bind_text(update, 4, product.constData(), -1, SQLITE_STATIC);
        if (sqlite3_step(update) != SQLITE_DONE) {
            std::fprintf(stderr, "update failed: %s\n", sqlite3_errmsg(db));
            return 1;
        }
        sqlite3_reset(update);
    }
    const double bareNs = double(timer.nsecsElapsed()) / rounds;
    sqlite3_finalize(update);
    sqlite3_close(db);

    timer.restart();
    for (int i = 0; i < rounds; ++i)
        if (client.call(QStringLiteral("getTabGeral"), {}, reply) != 200) {
            std::fprintf(stderr, "getTabGeral failed: %s\n", qPrintable(reply.errorMessage));
            return 1;
        }
    const double tripNs = double(timer.nsecsElapsed()) / rounds;

    std::printf("SetItemPreco, one modified row, %d saves end to end over HTTP/CBOR\n", rounds);
    std::printf("  server save: %.1f us per save\n", serverNs / 1000);
    std::printf("  bare sqlite3 single-row UPDATE (autocommit, WAL): %.1f us per update\n",
                bareNs / 1000);
    std::printf("  ratio server / bare: %.1f\n", serverNs / bareNs);
    std::printf("  bare round trip (getTabGeral over the same client): %.1f us\n", tripNs / 1000);
    std::printf("  ratio server / (round trip + bare update): %.2f (goal <= 1.5)\n",
                serverNs / (tripNs + bareNs));
    return 0;
}
