// The CSV form of the cells: numbers that read back as the same value with a decimal comma,
// fields quoted only when they must be.

#include "pricetable/csvsheet.h"

#include <gtest/gtest.h>

namespace vnd::pricetable
{
namespace
{

TEST(CsvCells, NumbersKeepEveryDigitWithAtLeastTwoDecimals)
{
    const struct {
        double value;
        const char *text;
    } cases[] = {
        {0, "0,00"},
        {-0.0, "0,00"},
        {5.7, "5,70"},
        {12, "12,00"},
        {12.349, "12,349"},
        {-3.5, "-3,50"},
        {0.1, "0,10"},
        {1234567.89, "1234567,89"},
        {999999999999998.0, "999999999999998,00"},
        {0.12345, "0,12345"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(csvNumber(c.value), QString::fromUtf8(c.text)) << c.value;
}

TEST(CsvCells, FieldsAreQuotedOnlyWhenTheyHoldASeparatorAQuoteOrALineBreak)
{
    const struct {
        const char *text;
        const char *field;
    } cases[] = {
        {"X-BURGUER", "X-BURGUER"},
        {"PÃO; MANTEIGA", "\"PÃO; MANTEIGA\""},
        {"TV 32\"", "\"TV 32\"\"\""},
        {"DUAS\nLINHAS", "\"DUAS\nLINHAS\""},
        {"", ""},
        {"1,5 L", "1,5 L"},
        {"CAFÉ™ 😀;", "\"CAFÉ™ 😀;\""}, // two-, three- and four-byte characters
    };
    for (const auto &c : cases)
        EXPECT_EQ(csvField(QString::fromUtf8(c.text)), QString::fromUtf8(c.field)) << c.text;
}

TEST(CsvCells, DatesAreDayMonthYearAndEmptyCellsEmpty)
{
    SheetCell date;
    date.kind = CellKind::Date;
    date.empty = false;
    date.date = QDate(2026, 8, 1);
    EXPECT_EQ(csvCellText(date), QStringLiteral("01/08/2026"));
    SheetCell money;
    money.kind = CellKind::Money;
    EXPECT_EQ(csvCellText(money), QString());
}

} // namespace
} // namespace vnd::pricetable
