#include "pricetable/xlsxsheet.h"

#include "host/services/errors.h"

#include <xlsxwriter.h>

#include <QFile>

#include <algorithm>
#include <cmath>

namespace vnd::pricetable
{

namespace
{

const int kMaxWidth = 60;

// Characters "#,##0.00" shows for the value.
int moneyWidth(double v)
{
    const double a = std::fabs(v);
    const int digits = a < 1 ? 1 : int(std::floor(std::log10(a))) + 1;
    return digits + (digits - 1) / 3 + 3 + (v < 0 ? 1 : 0);
}

} // namespace

XlsxSheetWriter::XlsxSheetWriter(const QString &path) : m_path(path)
{
    // Rows go to a temporary file as they are written instead of staying in memory.
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    m_book = workbook_new_opt(path.toLocal8Bit().constData(), &options);
    if (!m_book)
        throw Error(QStringLiteral("Não foi possível criar a planilha %1.").arg(path));
    m_title = workbook_add_format(m_book);
    format_set_bold(m_title);
    m_money = workbook_add_format(m_book);
    format_set_num_format(m_money, "#,##0.00");
    m_date = workbook_add_format(m_book);
    format_set_num_format(m_date, "dd/mm/yyyy");
    m_time = workbook_add_format(m_book);
    format_set_num_format(m_time, "hh:mm");
}

XlsxSheetWriter::~XlsxSheetWriter()
{
    // An export given up writes nothing: the workbook is dropped unwritten (its file is only
    // created when it closes).
    if (m_book)
        lxw_workbook_free(m_book);
}

void XlsxSheetWriter::check(int error)
{
    if (error == LXW_NO_ERROR)
        return;
    throw Error(QStringLiteral("Não foi possível gravar a planilha %1: %2.")
                    .arg(m_path, QString::fromUtf8(lxw_strerror(lxw_error(error)))));
}

void XlsxSheetWriter::beginSheet(const QString &name, const QList<SheetColumn> &columns)
{
    m_sheet = workbook_add_worksheet(m_book, name.left(31).toUtf8().constData());
    if (!m_sheet)
        throw Error(QStringLiteral("Não foi possível criar a folha %1 na planilha.").arg(name));
    m_widths.assign(size_t(columns.size()), 0);
    for (int c = 0; c < columns.size(); ++c) {
        check(worksheet_write_string(m_sheet, 0, lxw_col_t(c),
                                     columns[c].title.toUtf8().constData(), m_title));
        m_widths[size_t(c)] = int(columns[c].title.size()) + 2;
    }
    worksheet_freeze_panes(m_sheet, 1, 0);
    m_row = 1;
}

void XlsxSheetWriter::writeRow(const std::vector<SheetCell> &cells)
{
    for (size_t c = 0; c < cells.size(); ++c) {
        const SheetCell &cell = cells[c];
        if (cell.empty)
            continue;
        const auto col = lxw_col_t(c);
        int width = 0;
        switch (cell.kind) {
        case CellKind::Money:
            check(worksheet_write_number(m_sheet, m_row, col, cell.number, m_money));
            width = moneyWidth(cell.number);
            break;
        case CellKind::Date: {
            lxw_datetime dt{cell.date.year(), cell.date.month(), cell.date.day(), 0, 0, 0};
            check(worksheet_write_datetime(m_sheet, m_row, col, &dt, m_date));
            width = 10;
            break;
        }
        case CellKind::Time:
            check(worksheet_write_number(m_sheet, m_row, col, cell.number, m_time));
            width = 5;
            break;
        case CellKind::Text:
            check(worksheet_write_string(m_sheet, m_row, col, cell.text.toUtf8().constData(),
                                         nullptr));
            width = int(cell.text.size());
            break;
        }
        if (c < m_widths.size())
            m_widths[c] = std::max(m_widths[c], width + 1);
    }
    ++m_row;
}

void XlsxSheetWriter::endSheet()
{
    // Column settings are written when the workbook closes, so they may follow the rows.
    for (size_t c = 0; c < m_widths.size(); ++c)
        check(worksheet_set_column(m_sheet, lxw_col_t(c), lxw_col_t(c),
                                   std::min(m_widths[c], kMaxWidth), nullptr));
    m_sheet = nullptr;
}

void XlsxSheetWriter::finish()
{
    lxw_workbook *book = std::exchange(m_book, nullptr);
    const lxw_error error = workbook_close(book);
    if (error != LXW_NO_ERROR) {
        QFile::remove(m_path);
        check(error);
    }
}

} // namespace vnd::pricetable
