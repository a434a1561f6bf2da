// A spreadsheet import of 100,000 rows end to end, as the form page does it: the file read,
// every row checked against the loaded items by the grid's rules, the preview's model built,
// the changed rows saved in one SetImportaPreco over HTTP; against the bulk update
// benchmark's bare UPDATE of the same rows by sqlite3 (libpq on PostgreSQL) on the same
// database. Both sides run with the change record's triggers in place (as the server runs),
// then both without them.
// Each round's file gives every product a new price; the items are read again, untimed,
// after each save, as the window does. Rounds alternate which goes first; the best of each
// counts, and the import's stages are those of its best round.
// Run by hand:
//   bench_sheet_import [products] [--db postgresql://... (an empty database)]
//   (default 100,000 products on SQLite)

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

#include <array>
#include <cstdio>
#include <string>

using namespace vnd;
using namespace vnd::pricetable;
using namespace vnd::server::bench;

namespace
{

const int kRounds = 4;
const char *const kPrices[] = {"2,50", "3,75"};

const QList<GridColumn> kGrid = {{"CDARVPROD", "Produto"}, {"VRPRECITEM", "Preço"}};

const char *const kStages[] = {"read the file", "check every row", "preview's model", "change set",
                               "SetImportaPreco over HTTP"};
using Stages = std::array<double, std::size(kStages)>;

// Every item's product with the price, as a spreadsheet saves it.
QByteArray file(const data::ClientDataSet &items, const char *price)
{
    QByteArray out = "\xEF\xBB\xBFProduto;Preço\r\n";
    const int tree = items.fieldByName(u"CDARVPROD").index();
    for (int r = 0; r < items.recordCount(); ++r)
        out += items.valueAt(r, tree).toString().toUtf8() + ';' + price + "\r\n";
    return out;
}

// The record's trigger on item price updates: SQLite's dropped and put back as stored,
// PostgreSQL's disabled and enabled.
class ItemUpdateTrigger
{
public:
    explicit ItemUpdateTrigger(const RawDatabase &db) : m_db(db)
    {
        if (db.postgres())
            return;
        sqlite3_stmt *q = nullptr;
        sqlite3_prepare_v2(db.handle(),
                           "SELECT sql FROM sqlite_master WHERE name = 'ITEMPRECO_HIST_A'", -1, &q,
                           nullptr);
        if (sqlite3_step(q) == SQLITE_ROW)
            m_sql = reinterpret_cast<const char *>(sqlite3_column_text(q, 0));
        sqlite3_finalize(q);
    }
    bool set(bool on)
    {
        if (on == m_on)
            return true;
        m_on = on;
        // PostgreSQL records an import's rows with its row trigger, a bulk call's with the
        // statement one: both go.
        if (m_db.postgres())
            return m_db.exec(on ? "ALTER TABLE ITEMPRECO ENABLE TRIGGER ITEMPRECO_HIST_A;"
                                  " ALTER TABLE ITEMPRECO ENABLE TRIGGER ITEMPRECO_HIST_LA"
                                : "ALTER TABLE ITEMPRECO DISABLE TRIGGER ITEMPRECO_HIST_A;"
                                  " ALTER TABLE ITEMPRECO DISABLE TRIGGER ITEMPRECO_HIST_LA");
        return m_db.exec(on ? m_sql.c_str() : "DROP TRIGGER ITEMPRECO_HIST_A");
    }

private:
    const RawDatabase &m_db;
    std::string m_sql;
    bool m_on = true;
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    EndToEndBench bench(argc, argv);
    const QDate start = bench.start;
    static const MessageTable messages(tabGeralMessages());

    data::ClientDataSet items;
    defineItemPrecoFields(items);
    installItemPrecoTextHooks(items, messages);
    const auto load = [&] {
        data::Reply reply;
        if (bench.client.call(QStringLiteral("getItemPreco"), {"001", start, "4", "", "T"},
                              reply) != 200)
            return false;
        items.loadPacket(reply.result.packet());
        return true;
    };
    if (!load())
        return 1;

    const int name = items.fieldByName(u"NMPRODUTO").index();
    int next = 0; // the price the next run gives
    qint64 saved = 0, updated = 0;
    Stages stages{}, best{};
    const auto import = [&](int) -> double {
        const QByteArray bytes = file(items, kPrices[next % 2]);
        // A connection of its own: the loading one may have idled past the server's limit
        // while the file was made.
        BenchClient saver(bench.server.port(), bench.server.token());
        QElapsedTimer timer;
        timer.start();
        size_t stage = 0;
        const auto lap = [&] { stages[stage++] = double(timer.nsecsElapsed()); }; // since start
        const CsvTable csv = readCsv(bytes);
        lap();
        const ImportCheck check = checkImport(csv, items, kGrid, messages);
        lap();
        // The preview window's rows: each with its product's name.
        QStringList names;
        names.reserve(int(check.rows.size()));
        for (const ImportRow &r : check.rows)
            names << (r.itemRow >= 0 ? items.valueAt(r.itemRow, name).toString() : QString());
        const ImportPreviewModel preview(check, names, messages);
        lap();
        const data::ChangeSet changes = importChanges(check);
        lap();
        data::Reply reply;
        const int status = saver.call(QStringLiteral("SetImportaPreco"),
                                      {"001", start, changes, "precos.csv"}, reply);
        lap();
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
        const QByteArray update = "UPDATE ITEMPRECO SET VRPRECITEM = " + price +
                                  " WHERE CDTABEPREC = '001' AND DTINIVGPREC = '" + bench.startIso +
                                  "' AND CDPRPAITABPR = CDPRODUTO";
        // On PostgreSQL the statement alone is its transaction, and the count is its own.
        const QByteArray sql =
            bench.db.postgres() ? update : "BEGIN IMMEDIATE; " + update + "; COMMIT;";
        QElapsedTimer timer;
        timer.start();
        if (!bench.db.exec(sql.constData()))
            return -1;
        const double ns = double(timer.nsecsElapsed());
        updated = bench.db.changes();
        ++next;
        // The window's items as the database now holds them.
        return load() ? ns : -1;
    };
    // The import's stages are kept from its best round.
    double bestImport = 1e18;
    const auto importKeepingStages = [&](int round) {
        const double ns = import(round);
        if (ns >= 0 && ns < bestImport) {
            bestImport = ns;
            best = stages;
        }
        return ns;
    };

    ItemUpdateTrigger trigger(bench.db);
    const char *bareBy = bench.db.postgres() ? "libpq" : "sqlite3";
    std::printf("Spreadsheet import, %d products, %s, best of %d\n", bench.products,
                bench.db.postgres() ? "PostgreSQL" : "SQLite", kRounds);
    for (const bool recorded : {true, false}) {
        if (!trigger.set(recorded))
            return 1;
        double bestBare = 0;
        bestImport = 1e18;
        if (!bestOfAlternating(kRounds, importKeepingStages, bare, bestImport, bestBare))
            return 1;
        const char *off = bench.db.postgres() ? "disabled" : "dropped";
        std::printf(" change record's triggers %s on both sides:\n", recorded ? "in place" : off);
        std::printf("  read, check, preview and save (%lld rows written): %.0f ms\n",
                    static_cast<long long>(saved), bestImport / 1e6);
        for (size_t i = 0; i < best.size(); ++i)
            std::printf("    %-28s %6.0f ms\n", kStages[i],
                        (best[i] - (i ? best[i - 1] : 0)) / 1e6);
        std::printf("  bare UPDATE of the same rows by %s (%lld rows): %.0f ms\n", bareBy,
                    static_cast<long long>(updated), bestBare / 1e6);
        std::printf("  ratio import / bare: %.2f (goal <= 2)\n", bestImport / bestBare);
    }
    return trigger.set(true) ? 0 : 1;
}
