// A whole period's item prices, end to end: getItemPreco through the module's connection
// (CBOR over loopback, decoded while it arrives) into a client dataset, against a bare sqlite3
// loop reading the same rows of the same join on the same database; and the heap the loaded
// dataset holds against the size of the body it came in.
// Usage: bench_getitempreco [products] [rounds]

#include "bench/benchstats.h"
#include "benchserver.h"
#include "host/net/clientsession.h"

#include "contracts/rdmtabgeral.h"
#include "host/data/clientdataset.h"
#include "host/net/netconnection.h"
#include "server/itempricerepository.h"
#include "wire/codec.h"

#include <sqlite3.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace vnd;

namespace
{

using vnd::bench::best;
using vnd::bench::median;

// The server's query for a period's items, read column by column as a client would.
qint64 bareScan(sqlite3 *db, const QByteArray &start, double &checksum)
{
    static const char *sql =
        "SELECT P.NMPRODUTO, P.CDPRODUTO,"
        " (SELECT COUNT(*) FROM PRODCOMP C WHERE C.CDPRODUTO = P.CDPRODUTO),"
        " I.VRPRECITEM, I.VRPRECITEMCMD, I.VRPRECITEMDLV, I.VRPRECITEMCL, I.IDPRECVARIA,"
        " I.VRPRESUGITEM, P.CDARVPROD, I.VRCUSTITEM, I.VRMKUPITEM, I.IDPRODPROMOC,"
        " P.CDBARPRODUTO, I.HRINIVENPROD, I.HRFIMVENPROD "
        "FROM PRODUTO P LEFT JOIN ITEMPRECO I ON I.CDTABEPREC = ? AND I.DTINIVGPREC = ? AND"
        " I.CDPRODUTO = P.CDPRODUTO AND I.CDPRPAITABPR = P.CDPRODUTO "
        "WHERE P.CDNVPRODUTO = ? ORDER BY P.CDARVPROD";
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
        return -1;
    sqlite3_bind_text(stmt, 1, "001", -1, SQLITE_STATIC);
    sqlite3_bind_text(stmt, 2, start.constData(), int(start.size()), SQLITE_STATIC);
    sqlite3_bind_int(stmt, 3, 4);
    qint64 rows = 0;
    const int columns = sqlite3_column_count(stmt);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            if (sqlite3_column_type(stmt, c) == SQLITE_TEXT)
                checksum += sqlite3_column_bytes(stmt, c) + *sqlite3_column_text(stmt, c);
            else
                checksum += sqlite3_column_double(stmt, c);
        }
        ++rows;
    }
    sqlite3_finalize(stmt);
    return rows;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int products = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int rounds = std::max(1, argc > 2 ? std::atoi(argv[2]) : 5);

    QElapsedTimer timer;
    timer.start();
    server::bench::BenchServer server(products, 2);
    std::printf("getItemPreco, whole period, %d products (database built in %.1f s)\n", products,
                timer.nsecsElapsed() / 1e9);

    net::TNetConnection conn;
    conn.Port = server.port();
    net::ClientSession::instance().adopt(QStringLiteral("127.0.0.1"), server.port(),
                                         QByteArray::fromStdString(server.token()));
    contracts::RdmTabGeral rdm(conn);
    data::ClientDataSet items;
    const QDate start = server.currentStart();

    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(server.dbPath().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(server.dbPath()));
        return 1;
    }
    const QByteArray isoStart = start.toString(Qt::ISODate).toUtf8();

    // Rounds alternate between the two sides, after one warm-up of each (page cache).
    std::vector<double> callSeconds, loadSeconds, endToEnd, bare;
    qint64 bareRows = 0;
    double checksum = 0;
    for (int round = -1; round < rounds; ++round) {
        QString product, mark = QStringLiteral("T");
        timer.restart();
        data::Reply reply =
            rdm.getItemPreco(QStringLiteral("001"), start, QStringLiteral("4"), product, mark);
        const double called = timer.nsecsElapsed() / 1e9;
        if (!reply.ok || reply.result.kind() != data::Value::Kind::Packet) {
            std::fprintf(stderr, "getItemPreco failed: %s\n", qPrintable(reply.errorMessage));
            return 1;
        }
        items.loadPacket(std::move(reply.result.packet()));
        const double total = timer.nsecsElapsed() / 1e9;

        timer.restart();
        bareRows = bareScan(db, isoStart, checksum);
        const double scanned = timer.nsecsElapsed() / 1e9;
        if (round < 0)
            continue;
        callSeconds.push_back(called);
        loadSeconds.push_back(total - called);
        endToEnd.push_back(total);
        bare.push_back(scanned);
    }
    sqlite3_close(db);

    if (bareRows != items.recordCount()) {
        std::fprintf(stderr, "row counts differ: %lld bare, %d loaded\n",
                     static_cast<long long>(bareRows), items.recordCount());
        return 1;
    }
    // The same stages one by one, in this process, to show where the time goes.
    std::vector<double> query, encode, decode, load;
    qsizetype bodyBytes = 0;
    QString noProduct, allMarks = QStringLiteral("T");
    const server::ItemPriceRepository repository(server.database());
    for (int round = 0; round < rounds; ++round) {
        timer.restart();
        data::DataPacket packet =
            server::readPacket(repository.items(QStringLiteral("001"), start, 4, QString()));
        query.push_back(timer.nsecsElapsed() / 1e9);
        timer.restart();
        const QByteArray body = data::encodeReply(
            data::Reply{true, std::move(packet), {}, {}, {}, {}}, data::Encoding::Cbor);
        encode.push_back(timer.nsecsElapsed() / 1e9);
        timer.restart();
        data::Reply decoded = data::decodeReply(body, data::Encoding::Cbor);
        decode.push_back(timer.nsecsElapsed() / 1e9);
        timer.restart();
        items.loadPacket(std::move(decoded.result.packet()));
        load.push_back(timer.nsecsElapsed() / 1e9);
        bodyBytes = body.size();
    }
    items.close();
    const std::size_t before = mallinfo2().uordblks;
    {
        data::Reply reply = rdm.getItemPreco(QStringLiteral("001"), start, QStringLiteral("4"),
                                             noProduct, allMarks);
        items.loadPacket(std::move(reply.result.packet()));
    }
    const double heldRatio = double(mallinfo2().uordblks - before) / double(bodyBytes);

    const double ratio = best(endToEnd) / best(bare);
    std::printf("  rows: %d, %d rounds (best, median)\n", items.recordCount(), rounds);
    std::printf("  call (server query, CBOR, loopback, decode): %.3f s  %.3f s\n",
                best(callSeconds), median(callSeconds));
    std::printf("  load into the client dataset:                %.3f s  %.3f s\n",
                best(loadSeconds), median(loadSeconds));
    std::printf("  end to end:                                  %.3f s  %.3f s\n", best(endToEnd),
                median(endToEnd));
    std::printf("  bare sqlite3 loop, same join and rows:       %.3f s  %.3f s  (checksum %.0f)\n",
                best(bare), median(bare), checksum);
    // The whole-packet path (PostgreSQL's, and tools'), stage by stage; SQLite answers stream.
    std::printf("  whole-packet stages in process (best): query into packet %.3f s, CBOR encode "
                "%.3f s, decode %.3f s, dataset load %.3f s\n",
                best(query), best(encode), best(decode), best(load));
    std::printf("  ratio end to end / bare: %.2f (goal: 1.5 or less)\n", ratio);
    std::printf("  client heap held by the dataset / body (%.1f MiB): %.2f (goal: 2 or less)\n",
                bodyBytes / 1048576.0, heldRatio);
    return 0;
}
