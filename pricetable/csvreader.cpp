#include "pricetable/csvreader.h"

#include <QStringDecoder>

namespace vnd::pricetable
{

namespace
{

QString decode(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes.data(), bytes.size());
}

QChar separatorOf(QStringView text)
{
    const qsizetype end = text.indexOf(u'\n');
    const QStringView title = end < 0 ? text : text.left(end);
    if (title.contains(u';'))
        return u';';
    if (title.contains(u','))
        return u',';
    if (title.contains(u'\t'))
        return u'\t';
    return u';';
}

bool blank(const QStringList &record)
{
    for (const QString &f : record)
        if (!f.trimmed().isEmpty())
            return false;
    return true;
}

} // namespace

CsvTable readCsv(const QByteArray &bytes)
{
    const QString text = decode(bytes);
    const QChar sep = separatorOf(text);
    CsvTable table;
    QStringList record;
    QString field;
    bool quoted = false, fieldStarted = false;
    int line = 1, recordLine = 1;
    const auto endRecord = [&] {
        record << field;
        field.clear();
        fieldStarted = false;
        if (table.header.isEmpty() && table.records.empty())
            table.header = record;
        else if (!blank(record)) {
            table.records.push_back(record);
            table.lines.push_back(recordLine);
        }
        record.clear();
        recordLine = line;
    };
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < n && text.at(i + 1) == u'"') {
                    field += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == u'\n')
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == u'"' && !fieldStarted) {
            quoted = true;
            fieldStarted = true;
        } else if (c == sep) {
            record << field;
            field.clear();
            fieldStarted = false;
        } else if (c == u'\n') {
            ++line;
            endRecord();
        } else if (c == u'\r') {
            if (i + 1 < n && text.at(i + 1) == u'\n')
                continue;
            ++line;
            endRecord();
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    if (fieldStarted || !record.isEmpty() || !field.isEmpty())
        endRecord();
    return table;
}

} // namespace vnd::pricetable
