#include "pricetable/csvsheet.h"

#include "host/services/errors.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vnd::pricetable
{

namespace
{

const char kBom[] = "\xEF\xBB\xBF";
const qsizetype kFlushAt = 1 << 20;

} // namespace

namespace
{

void appendNumber(QByteArray &out, double value)
{
    if (!std::isfinite(value))
        return;
    if (value == 0) {
        out += "0,00"; // also for -0
        return;
    }
    // The shortest digits that read back as the same double, in plain notation.
    char buf[400];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (ec != std::errc())
        return;
    char *point = std::find(buf, end, '.');
    const qsizetype decimals = point == end ? 0 : end - point - 1;
    out.append(buf, point - buf);
    out += ',';
    if (decimals > 0)
        out.append(point + 1, decimals);
    for (qsizetype i = decimals; i < 2; ++i)
        out += '0';
}

bool needsQuotes(QStringView text)
{
    for (QChar c : text)
        if (c == u';' || c == u'"' || c == u'\n' || c == u'\r')
            return true;
    return false;
}

// UTF-16 to UTF-8 without a temporary per cell, written in place: appending byte by byte
// cost most of what the export adds to writing the file.
void appendUtf8(QByteArray &out, QStringView text)
{
    const qsizetype n = text.size();
    const char16_t *s = text.utf16();
    const qsizetype start = out.size();
    out.resize(start + 3 * n); // a UTF-16 unit never takes more than three bytes
    char *p = out.data() + start;
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = s[i];
        if (c < 0x80) {
            *p++ = char(c);
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1]))
            c = QChar::surrogateToUcs4(char16_t(c), s[++i]);
        else if (QChar::isSurrogate(c))
            c = 0xFFFD;
        if (c < 0x800) {
            *p++ = char(0xC0 | (c >> 6));
        } else if (c < 0x10000) {
            *p++ = char(0xE0 | (c >> 12));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
        } else {
            *p++ = char(0xF0 | (c >> 18));
            *p++ = char(0x80 | ((c >> 12) & 0x3F));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
        }
        *p++ = char(0x80 | (c & 0x3F));
    }
    out.resize(p - out.constData());
}

void appendField(QByteArray &out, QStringView text)
{
    if (!needsQuotes(text)) {
        appendUtf8(out, text);
        return;
    }
    out += '"';
    appendUtf8(out, text.toString().replace(u'"', QStringLiteral("\"\"")));
    out += '"';
}

void appendTwoDigits(QByteArray &out, int n)
{
    out += char('0' + n / 10 % 10);
    out += char('0' + n % 10);
}

} // namespace

QString csvNumber(double value)
{
    QByteArray out;
    appendNumber(out, value);
    return QString::fromLatin1(out);
}

QString csvField(const QString &text)
{
    QByteArray out;
    appendField(out, text);
    return QString::fromUtf8(out);
}

void appendCsvCell(QByteArray &out, const SheetCell &cell)
{
    if (cell.empty)
        return;
    switch (cell.kind) {
    case CellKind::Money:
        appendNumber(out, cell.number);
        return;
    case CellKind::Date:
        appendTwoDigits(out, cell.date.day());
        out += '/';
        appendTwoDigits(out, cell.date.month());
        out += '/';
        appendTwoDigits(out, cell.date.year() / 100);
        appendTwoDigits(out, cell.date.year() % 100);
        return;
    case CellKind::Text:
    case CellKind::Time:
        appendField(out, cell.text);
        return;
    }
}

QString csvCellText(const SheetCell &cell)
{
    QByteArray out;
    appendCsvCell(out, cell);
    return QString::fromUtf8(out);
}

CsvSheetWriter::CsvSheetWriter(QString path) : m_path(std::move(path)) {}

CsvSheetWriter::~CsvSheetWriter() = default;

QString CsvSheetWriter::sheetPath(const QString &path, const QString &sheetName)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix().isEmpty() ? QStringLiteral("csv") : info.suffix();
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(" - ") + sheetName + u'.' +
                               suffix);
}

void CsvSheetWriter::beginSheet(const QString &name, const QList<SheetColumn> &columns)
{
    const QString path = m_files.isEmpty() ? m_path : sheetPath(m_path, name);
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw Error(QStringLiteral("Não foi possível gravar o arquivo %1: %2.")
                        .arg(path, m_file.errorString()));
    m_files << path;
    m_buffer = QByteArray(kBom);
    QStringList titles;
    for (const SheetColumn &c : columns)
        titles << csvField(c.title);
    m_buffer += titles.join(u';').toUtf8();
    m_buffer += "\r\n";
}

void CsvSheetWriter::writeRow(const std::vector<SheetCell> &cells)
{
    for (size_t i = 0; i < cells.size(); ++i) {
        if (i > 0)
            m_buffer += ';';
        appendCsvCell(m_buffer, cells[i]);
    }
    m_buffer += "\r\n";
    if (m_buffer.size() >= kFlushAt)
        flush();
}

void CsvSheetWriter::flush()
{
    if (m_file.write(m_buffer) != m_buffer.size())
        throw Error(QStringLiteral("Não foi possível gravar o arquivo %1: %2.")
                        .arg(m_file.fileName(), m_file.errorString()));
    m_buffer.resize(0); // keeps its capacity for the next megabyte
}

void CsvSheetWriter::endSheet()
{
    flush();
    if (!m_file.flush())
        throw Error(QStringLiteral("Não foi possível gravar o arquivo %1: %2.")
                        .arg(m_file.fileName(), m_file.errorString()));
    m_file.close();
}

void CsvSheetWriter::finish()
{
    if (m_file.isOpen())
        endSheet();
}

} // namespace vnd::pricetable
