// Reading CSV files as spreadsheets save them.

#include "pricetable/csvreader.h"

#include <gtest/gtest.h>

namespace vnd::pricetable
{
namespace
{

TEST(CsvReader, ReadsWhatSpreadsheetsWrite)
{
    const struct {
        const char *name;
        QByteArray bytes;
        QStringList header;
        std::vector<QStringList> records;
        std::vector<int> lines;
    } cases[] = {
        {"BOM, semicolons, CRLF",
         "\xEF\xBB\xBFProduto;Preço\r\n1.01;5,70\r\n1.02;6\r\n",
         {"Produto", "Preço"},
         {{"1.01", "5,70"}, {"1.02", "6"}},
         {2, 3}},
        {"LF, last line without end, blank lines left out",
         "A;B\n\n1;2\n;\n3;4",
         {"A", "B"},
         {{"1", "2"}, {"3", "4"}},
         {3, 5}},
        {"quotes, doubled quotes, separator and line break inside",
         "A;B\n\"X; Y\";\"TV 32\"\"\"\n\"DUAS\nLINHAS\";9\n10;11\n",
         {"A", "B"},
         {{"X; Y", "TV 32\""}, {"DUAS\nLINHAS", "9"}, {"10", "11"}},
         {2, 3, 5}},
        {"commas when the title has no semicolon",
         "Produto,Preço\n1.01,5.70\n",
         {"Produto", "Preço"},
         {{"1.01", "5.70"}},
         {2}},
        {"Latin-1 when the bytes are not UTF-8",
         "Produto;Pre\xE7o\n1;2\n",
         {"Produto", "Preço"},
         {{"1", "2"}},
         {2}},
        {"empty fields kept", "A;B;C\n1;;\n", {"A", "B", "C"}, {{"1", "", ""}}, {2}},
    };
    for (const auto &c : cases) {
        const CsvTable t = readCsv(c.bytes);
        EXPECT_EQ(t.header, c.header) << c.name;
        EXPECT_EQ(t.records, c.records) << c.name;
        EXPECT_EQ(t.lines, c.lines) << c.name;
    }
}

} // namespace
} // namespace vnd::pricetable
