#pragma once
// Writes the sheets of the form page to a workbook or to CSV files, row by row, reporting
// progress so the window can stay responsive and let the user stop.

#include "pricetable/pricesheet.h"

#include <QStringList>

#include <functional>

namespace vnd::pricetable
{

enum class SheetFormat { Xlsx, Csv };

// By the file's extension: ".csv" (any case) is CSV, anything else a workbook.
SheetFormat sheetFormatOf(const QString &path);

// Rows written so far and the total; answering false stops the export.
using ExportProgress = std::function<bool(qint64 done, qint64 total)>;

// The files written, in sheet order; empty when the progress stopped it, in which case no
// file stays behind. Throws vnd::Error when a file cannot be written.
QStringList exportSheets(const QList<const PriceSheet *> &sheets, const QString &path,
                         const ExportProgress &progress = {});

} // namespace vnd::pricetable
