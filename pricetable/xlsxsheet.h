#pragma once
// A workbook (.xlsx) with one worksheet per sheet: money as numbers with two decimals shown,
// dates as dates, times of day as times, the title row bold and frozen, column widths fitted to the
// longest text. Rows are streamed to the file, so memory does not grow with them.

#include "pricetable/sheetwriter.h"

#include <vector>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace vnd::pricetable
{

class XlsxSheetWriter final : public SheetWriter
{
public:
    explicit XlsxSheetWriter(const QString &path);
    ~XlsxSheetWriter() override;

    void beginSheet(const QString &name, const QList<SheetColumn> &columns) override;
    void writeRow(const std::vector<SheetCell> &cells) override;
    void endSheet() override;
    void finish() override;

private:
    void check(int error);

    QString m_path;
    lxw_workbook *m_book = nullptr;
    lxw_worksheet *m_sheet = nullptr;
    lxw_format *m_title = nullptr, *m_money = nullptr, *m_date = nullptr, *m_time = nullptr;
    unsigned m_row = 0;
    std::vector<int> m_widths; // characters, per column
};

} // namespace vnd::pricetable
