// A spreadsheet import of 100,000 rows end to end, as the form page does it: the file read,
// every row checked against the loaded items by the grid's rules, the preview's model built,
// the changed rows saved in one SetImportaPreco over HTTP; against the bulk update
// benchmark's bare UPDATE of the same rows by sqlite3 on the same database. Each round's file
// gives every product a new price; the items are read again, untimed, after each save, as
// the window does. Rounds alternate which goes first; the best of each counts.
// Run by hand:
//   bench_sheet_import [products]   (default 100000)

#include "benchserver.h"
#include "pricetable/csvreader.h"
#include "pricetable/frmpreviaimportacao.h"
#include "pricetable/gridformat.h"
#include "pricetable/importpreviewmodel.h"
#include "pricetable/itempricefields.h"
#include "pricetable/priceimport.h"
#include "pricing/messagetable.h"
#include "pricing/tabgeralmessages.h"

#include <QApplication>
#include <QElapsedTimer>

#include <sqlite3.h>

#include <cstdio>

using namespace vnd;
using namespace vnd::pricetable;
using namespace vnd::server::bench;

namespace
{

const int kRounds = 4;
const char *const kPrices[] = {"2,50", "3,75"};

const QList<GridColumn> kGrid = {{"CDARVPROD", "Produto"}, {"VRPRECITEM", "Preço"}};

// Every item's product with the price, as a spreadsheet saves it.
QByteArray file(const data::ClientDataSet &items, const char *price)
{
    QByteArray out = "\xEF\xBB\xBFProduto;Preço\r\n";
    const int tree = items.fieldByName(u"CDARVPROD").index();
    for (int r = 0; r < items.recordCount(); ++r)
        out += items.valueAt(r, tree).toString().toUtf8() + ';' + price + "\r\n";
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int products = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    std::fprintf(stderr, "loading %d synthetic products...\n", products);
    BenchServer server(products, 8);
    BenchClient client(server.port(), server.token());
    RawDatabase db(server.dbPath());
    const QDate start = server.currentStart();
    const QByteArray iso = start.toString(Qt::ISODate).toUtf8();
    static const MessageTable messages(tabGeralMessages());

    data::ClientDataSet items;
    defineItemPrecoFields(items);
    installItemPrecoTextHooks(items, messages);
    const auto load = [&] {
        data::Reply reply;
        if (client.call(QStringLiteral("getItemPreco"), {"001", start, "4", "", "T"}, reply) != 200)
            return false;
        items.loadPacket(reply.result.packet());
        return true;
    };
    if (!load())
        return 1;

    const int name = items.fieldByName(u"NMPRODUTO").index();
    int next = 0; // the price the next run gives
    qint64 saved = 0, updated = 0;
    const auto import = [&](int) -> double {
        const QByteArray bytes = file(items, kPrices[next % 2]);
        // A connection of its own: the loading one may have idled past the server's limit
        // while the file was made.
        BenchClient saver(server.port(), server.token());
        QElapsedTimer timer;
        timer.start();
        const ImportCheck check = checkImport(readCsv(bytes), items, kGrid, messages);
        // The preview window's rows: each with its product's name.
        QStringList names;
        names.reserve(int(check.rows.size()));
        for (const ImportRow &r : check.rows)
            names << (r.itemRow >= 0 ? items.valueAt(r.itemRow, name).toString() : QString());
        const ImportPreviewModel preview(check, names, messages);
        data::Reply reply;
        const int status = saver.call(QStringLiteral("SetImportaPreco"),
                                      {"001", start, importChanges(check)}, reply);
        const double ns = double(timer.nsecsElapsed());
        if (status != 200 || check.refused != 0) {
            std::fprintf(stderr, "import failed (%d, %d refused): %s\n", status, check.refused,
                         qPrintable(reply.errorMessage));
            return -1;
        }
        saved = reply.result.toVariant().toLongLong();
        ++next;
        return load() ? ns : -1;
    };
    const auto bare = [&](int) -> double {
        QByteArray price = kPrices[next % 2];
        price.replace(',', '.');
        const QByteArray sql = "BEGIN IMMEDIATE; UPDATE ITEMPRECO SET VRPRECITEM = " + price +
                               " WHERE CDTABEPREC = '001' AND DTINIVGPREC = '" + iso +
                               "' AND CDPRPAITABPR = CDPRODUTO; COMMIT;";
        QElapsedTimer timer;
        timer.start();
        if (!db.exec(sql.constData()))
            return -1;
        const double ns = double(timer.nsecsElapsed());
        updated = sqlite3_changes(db.handle());
        ++next;
        // The window's items as the database now holds them.
        return load() ? ns : -1;
    };
    double bestImport = 0, bestBare = 0;
    if (!bestOfAlternating(kRounds, import, bare, bestImport, bestBare))
        return 1;
    std::printf("Spreadsheet import, %d products, best of %d\n", products, kRounds);
    std::printf("  read, check, preview and save (%lld rows written): %.0f ms\n",
                static_cast<long long>(saved), bestImport / 1e6);
    std::printf("  bare UPDATE of the same rows by sqlite3 (%lld rows): %.0f ms\n",
                static_cast<long long>(updated), bestBare / 1e6);
    std::printf("  ratio import / bare: %.2f (goal <= 2)\n", bestImport / bestBare);
    return 0;
}
