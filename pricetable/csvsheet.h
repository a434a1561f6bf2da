#pragma once
// CSV as Brazilian spreadsheets read it: UTF-8 with a byte order mark, ";" between fields,
// decimal comma, dates dd/mm/yyyy, CRLF line ends, a field quoted only when it holds ";",
// a quote or a line break.

#include "pricetable/sheetwriter.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>

namespace vnd::pricetable
{

// A number as the file carries it: every digit it has (a price of 12.349 stays 12,349, so
// the file reads back as the same value), at least two decimals, comma, no grouping.
QString csvNumber(double value);
// One field: quoted when it must be, inner quotes doubled.
QString csvField(const QString &text);
// The cell's text in the file.
QString csvCellText(const SheetCell &cell);
// The same, appended to the file's bytes (UTF-8): what the writer does for every cell.
void appendCsvCell(QByteArray &out, const SheetCell &cell);

// Writes the sheets to one file each: the first to the path, each further one beside it with
// its name appended ("precos.csv", "precos - Preços Diferenciados.csv").
class CsvSheetWriter final : public SheetWriter
{
public:
    explicit CsvSheetWriter(QString path);
    ~CsvSheetWriter() override;

    void beginSheet(const QString &name, const QList<SheetColumn> &columns) override;
    void writeRow(const std::vector<SheetCell> &cells) override;
    void endSheet() override;
    void finish() override;

    // Files written, in sheet order.
    const QStringList &files() const { return m_files; }
    // The file a sheet after the first goes to.
    static QString sheetPath(const QString &path, const QString &sheetName);

private:
    void flush();

    QString m_path;
    QFile m_file;
    QByteArray m_buffer;
    QStringList m_files;
};

} // namespace vnd::pricetable
