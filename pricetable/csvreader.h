#pragma once
// Reads a CSV file as spreadsheets write it: an optional byte order mark, UTF-8 (or Latin-1
// when the bytes are not UTF-8, as some spreadsheets save), ";" between fields (or "," or a
// tab when the title line holds no ";"), quoted fields with doubled quotes and line breaks
// inside, CRLF or LF line ends.

#include <QByteArray>
#include <QStringList>

#include <vector>

namespace vnd::pricetable
{

struct CsvTable {
    QStringList header;
    std::vector<QStringList> records; // blank lines left out
    std::vector<int> lines;           // the file line each record starts on (the title is 1)
};

CsvTable readCsv(const QByteArray &bytes);

} // namespace vnd::pricetable
