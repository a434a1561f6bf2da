#include "pricetable/sheetexport.h"

#include "pricetable/csvsheet.h"
#include "pricetable/xlsxsheet.h"

#include <QFile>
#include <QFileInfo>

#include <memory>

namespace vnd::pricetable
{

namespace
{

// How often progress is reported: often enough for a smooth bar, rarely enough to cost
// nothing.
const int kProgressEvery = 2000;

} // namespace

SheetFormat sheetFormatOf(const QString &path)
{
    return QFileInfo(path).suffix().compare(u"csv", Qt::CaseInsensitive) == 0 ? SheetFormat::Csv
                                                                              : SheetFormat::Xlsx;
}

QStringList exportSheets(const QList<const PriceSheet *> &sheets, const QString &path,
                         const ExportProgress &progress)
{
    qint64 total = 0;
    for (const PriceSheet *s : sheets)
        total += s->rowCount();

    std::unique_ptr<SheetWriter> writer;
    CsvSheetWriter *csv = nullptr;
    if (sheetFormatOf(path) == SheetFormat::Csv)
        writer.reset(csv = new CsvSheetWriter(path));
    else
        writer = std::make_unique<XlsxSheetWriter>(path);

    const auto stop = [&] {
        if (csv)
            for (const QString &f : csv->files())
                QFile::remove(f);
        return QStringList();
    };
    qint64 done = 0;
    std::vector<SheetCell> cells;
    try {
        for (const PriceSheet *sheet : sheets) {
            writer->beginSheet(sheet->name(), sheet->columns());
            const int rows = sheet->rowCount();
            for (int r = 0; r < rows; ++r) {
                sheet->readRow(r, cells);
                writer->writeRow(cells);
                if (++done % kProgressEvery == 0 && progress && !progress(done, total)) {
                    writer->endSheet();
                    return stop();
                }
            }
            writer->endSheet();
        }
        writer->finish();
    } catch (...) {
        stop();
        throw;
    }
    if (progress)
        progress(total, total);
    return csv ? csv->files() : QStringList{path};
}

} // namespace vnd::pricetable
