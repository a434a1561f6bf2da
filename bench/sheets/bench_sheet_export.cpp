// The export of 100,000 item prices as the form page does it (cells read from the client
// dataset with the grid's titles, the picture and the flag and time texts) against writing
// the same cells, already in memory as the program holds values (doubles, QStrings), with the
// library alone: libxlsxwriter for the workbook, the CSV encoder and a plain buffered file
// for the CSV. The ratio is what reading the dataset and the writers' own bookkeeping (column
// widths, checks, progress) add. Rounds alternate which goes first; the best of each counts.
// Run by hand:
//   bench_sheet_export [items]   (default 100000)

#include "pricetable/csvsheet.h"
#include "pricetable/gridformat.h"
#include "pricetable/itempricefields.h"
#include "pricetable/pricesheet.h"
#include "pricetable/sheetexport.h"
#include "pricing/messagetable.h"
#include "pricing/tabgeralmessages.h"

#include <xlsxwriter.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace vnd;
using namespace vnd::pricetable;

namespace
{

// A workbook side takes 1.5 s, a CSV side under 0.1 s: at five rounds the best CSV side still
// moved by 15 ms from run to run while other work shared the machine.
const int kRounds = 5;
const int kCsvRounds = 21;

// One row per product, as getItemPreco answers it: some prices empty, some flags on, some
// products with a sales window.
data::DataPacket itemPacket(int items)
{
    data::DataPacket p;
    p.fields = itemPrecoFieldDefs();
    p.rows.reserve(size_t(items));
    const QDateTime start(QDate(2026, 1, 1), QTime(0, 0));
    for (int i = 0; i < items; ++i) {
        const QString code = QStringLiteral("%1").arg(i + 1, 10, 10, QLatin1Char('0'));
        const double price = 1 + (i % 5000) * 0.37;
        p.rows.push_back({QStringLiteral("PRODUTO SINTÉTICO %1").arg(i + 1), code,
                          QStringLiteral("001"), code, 0.0, price,
                          i % 3 ? QVariant(price) : QVariant(), price * 1.1, 0.0, start,
                          QStringLiteral("N"), price * 1.05,
                          QStringLiteral("1%1").arg(i, 9, 10, QLatin1Char('0')), price * 0.4, 150.0,
                          i % 7 ? QStringLiteral("N") : QStringLiteral("S"),
                          QStringLiteral("789%1").arg(i, 10, 10, QLatin1Char('0')),
                          i % 4 ? QVariant() : QVariant(QStringLiteral("1100")),
                          i % 4 ? QVariant() : QVariant(QStringLiteral("2359"))});
    }
    return p;
}

const QList<GridColumn> kColumns = {
    {QStringLiteral("CDARVPROD"), QStringLiteral("Produto")},
    {QStringLiteral("CDBARPRODUTO"), QStringLiteral("Código de Barra")},
    {QStringLiteral("NMPRODUTO"), QStringLiteral("Nome")},
    {QStringLiteral("VRPRECITEM"), QStringLiteral("Preço")},
    {QStringLiteral("VRPRECITEMCL"), QStringLiteral("Preço Subs.")},
    {QStringLiteral("VRPRECITEMDLV"), QStringLiteral("Pr. Delivery")},
    {QStringLiteral("VRPRECITEMCMD"), QStringLiteral("Pr. Comanda")},
    {QStringLiteral("IDPRECVARIA"), QStringLiteral("Pr. Variável")},
    {QStringLiteral("VRPRESUGITEM"), QStringLiteral("Pr. Sugerido")},
    {QStringLiteral("VRCUSTITEM"), QStringLiteral("Pr. Calculado")},
    {QStringLiteral("VRMKUPITEM"), QStringLiteral("Mark Up")},
    {QStringLiteral("IDPRODPROMOC"), QStringLiteral("Promoção")},
    {QStringLiteral("HRINIVENPROD"), QStringLiteral("Hora Inicial")},
    {QStringLiteral("HRFIMVENPROD"), QStringLiteral("Hora Final")},
};

// The library alone: the same cells, taken out of the dataset beforehand, written straight.
struct BareCells {
    std::vector<std::vector<SheetCell>> rows;
};

double bareXlsx(const BareCells &cells, const QList<SheetColumn> &columns, const QString &path)
{
    QElapsedTimer t;
    t.start();
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook *book = workbook_new_opt(path.toLocal8Bit().constData(), &options);
    lxw_format *bold = workbook_add_format(book);
    format_set_bold(bold);
    lxw_format *money = workbook_add_format(book);
    format_set_num_format(money, "#,##0.00");
    lxw_format *time = workbook_add_format(book);
    format_set_num_format(time, "hh:mm");
    lxw_worksheet *sheet = workbook_add_worksheet(book, "Preços");
    for (int c = 0; c < columns.size(); ++c)
        worksheet_write_string(sheet, 0, lxw_col_t(c), columns[c].title.toUtf8().constData(), bold);
    worksheet_freeze_panes(sheet, 1, 0);
    for (size_t r = 0; r < cells.rows.size(); ++r) {
        const auto &row = cells.rows[r];
        for (size_t c = 0; c < row.size(); ++c) {
            const SheetCell &cell = row[c];
            if (cell.empty)
                continue;
            if (cell.kind == CellKind::Text)
                worksheet_write_string(sheet, lxw_row_t(r + 1), lxw_col_t(c),
                                       cell.text.toUtf8().constData(), nullptr);
            else
                worksheet_write_number(sheet, lxw_row_t(r + 1), lxw_col_t(c), cell.number,
                                       cell.kind == CellKind::Time ? time : money);
        }
    }
    for (int c = 0; c < columns.size(); ++c)
        worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), 12, nullptr);
    workbook_close(book);
    return double(t.nsecsElapsed());
}

double bareCsv(const BareCells &cells, const QList<SheetColumn> &columns, const QString &path)
{
    QElapsedTimer t;
    t.start();
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return -1;
    QByteArray out("\xEF\xBB\xBF");
    for (int c = 0; c < columns.size(); ++c)
        out += (c ? ";" : "") + columns[c].title.toUtf8();
    out += "\r\n";
    for (const auto &row : cells.rows) {
        for (size_t c = 0; c < row.size(); ++c) {
            if (c)
                out += ';';
            appendCsvCell(out, row[c]);
        }
        out += "\r\n";
        if (out.size() > (1 << 20)) {
            f.write(out);
            out.resize(0); // its room kept, as the writer keeps its own
        }
    }
    f.write(out);
    f.close();
    return double(t.nsecsElapsed());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int items = argc > 1 ? std::max(1, atoi(argv[1])) : 100000;
    QTemporaryDir dir;

    const MessageTable messages(tabGeralMessages());
    data::ClientDataSet ds;
    defineItemPrecoFields(ds);
    installItemPrecoTextHooks(ds, messages);
    ds.loadPacket(itemPacket(items));
    const ItemPriceSheet sheet(ds, kColumns, Picture(QStringLiteral("9.99.999.9999")), messages);

    BareCells bare;
    bare.rows.resize(size_t(items));
    for (int r = 0; r < items; ++r)
        sheet.readRow(r, bare.rows[size_t(r)]);

    double best[4] = {1e18, 1e18, 1e18, 1e18};
    const QString xlsx = dir.filePath(QStringLiteral("a.xlsx")),
                  bareX = dir.filePath(QStringLiteral("b.xlsx")),
                  csv = dir.filePath(QStringLiteral("a.csv")),
                  bareC = dir.filePath(QStringLiteral("b.csv"));
    QElapsedTimer t;
    for (int round = 0; round < kCsvRounds; ++round) {
        auto ours = [&](const QString &path, double &b) {
            t.start();
            exportSheets({&sheet}, path);
            b = std::min(b, double(t.nsecsElapsed()));
        };
        if (round % 2) {
            if (round < kRounds) {
                best[1] = std::min(best[1], bareXlsx(bare, sheet.columns(), bareX));
                ours(xlsx, best[0]);
            }
            best[3] = std::min(best[3], bareCsv(bare, sheet.columns(), bareC));
            ours(csv, best[2]);
        } else {
            if (round < kRounds) {
                ours(xlsx, best[0]);
                best[1] = std::min(best[1], bareXlsx(bare, sheet.columns(), bareX));
            }
            ours(csv, best[2]);
            best[3] = std::min(best[3], bareCsv(bare, sheet.columns(), bareC));
        }
    }
    std::printf("export of %d item prices (14 columns), best of %d (.xlsx) and %d (CSV)\n", items,
                kRounds, kCsvRounds);
    std::printf("  .xlsx: export %.0f ms, libxlsxwriter alone %.0f ms, ratio %.2f (goal <= 1.3)\n",
                best[0] / 1e6, best[1] / 1e6, best[0] / best[1]);
    std::printf("  CSV:   export %.0f ms, plain file writes %.0f ms, ratio %.2f (goal <= 1.3)\n",
                best[2] / 1e6, best[3] / 1e6, best[2] / best[3]);
    std::printf("  file sizes: .xlsx %lld / %lld bytes, CSV %lld / %lld bytes\n",
                QFile(xlsx).size(), QFile(bareX).size(), QFile(csv).size(), QFile(bareC).size());
    return 0;
}
