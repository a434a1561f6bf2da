// The differentiated-price rules shared by the window and the server, on the edge cases the
// window's users meet.

#include "pricing/diffpricerules.h"

#include <gtest/gtest.h>

using namespace vnd::diffprice;
using vnd::pricing::Decimal;

namespace
{

Decimal dec(const char *text)
{
    return *Decimal::parse(QString::fromLatin1(text));
}

} // namespace

TEST(DiffPriceRules, DayBoxesGiveEveryDayAloneOrEachTickedDay)
{
    DayBoxes boxes{};
    EXPECT_TRUE(dayCodes(boxes).isEmpty());
    boxes[Sabado] = boxes[Feriado] = boxes[VesperaFeriado] = boxes[Domingo] = true;
    EXPECT_EQ(dayCodes(boxes), (QStringList{"F", "V", "1", "7"}));
    boxes[TodosDias] = true;
    EXPECT_EQ(dayCodes(boxes), QStringList{"T"});
    boxes.fill(true);
    boxes[TodosDias] = false;
    EXPECT_EQ(dayCodes(boxes), (QStringList{"F", "V", "1", "2", "3", "4", "5", "6", "7"}));
}

TEST(DiffPriceRules, AmountAsValueOrPercentage)
{
    struct Case {
        bool percentage, increase;
        const char *amount;
        const char *valueKey, *percentKey;
    } cases[] = {
        {false, false, "0", "VALINF", nullptr},   {false, false, "0.01", nullptr, nullptr},
        {false, true, "-1", "VALINF", nullptr},   {false, false, "150", nullptr, nullptr},
        {true, false, "100", nullptr, "VRDESC"},  {true, true, "100", nullptr, "VRACRE"},
        {true, false, "99.99", nullptr, nullptr}, {true, true, "0", nullptr, "VRACRE"},
        {true, false, "0.01", nullptr, nullptr},  {true, false, "-5", nullptr, "VRDESC"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.amount);
        EXPECT_STREQ(valueFault(c.percentage, dec(c.amount)), c.valueKey);
        EXPECT_STREQ(percentFault(c.percentage, c.increase, dec(c.amount)), c.percentKey);
    }
}

TEST(DiffPriceRules, ShownTimesAndTheirStoredForm)
{
    EXPECT_EQ(storedTime(QStringLiteral("00:01")), QStringLiteral("0001"));
    EXPECT_EQ(storedTime(QStringLiteral("23:59")), QStringLiteral("2359"));
    EXPECT_EQ(storedTime(QStringLiteral(" 7:30")), QStringLiteral("0730"));
    for (const char *bad : {"24:00", "12:60", "25:00", "  :  ", "1230", "12:3", "ab:cd"})
        EXPECT_FALSE(storedTime(QString::fromLatin1(bad))) << bad;
}

TEST(DiffPriceRules, TimesInOrderAsTimesOfDay)
{
    struct Case {
        const char *from, *to, *fault;
    } cases[] = {
        {" 9:30", "09:00", "HORARIO"}, // a text compare lets it through
        {"09:00", " 9:30", nullptr},   {" 9:30", "09:30", nullptr},   {"00:01", "23:59", nullptr},
        {"12:00", "12:00", nullptr},   {"12:01", "12:00", "HORARIO"}, {" 7:05", "10:00", nullptr},
        {"10:00", " 7:05", "HORARIO"},
    };
    for (const Case &c : cases)
        EXPECT_STREQ(timeOrderFault(QString::fromLatin1(c.from), QString::fromLatin1(c.to)),
                     c.fault)
            << c.from << " " << c.to;
}

TEST(DiffPriceRules, ValidityInsideThePeriod)
{
    const QDate start(2024, 3, 1), end(2024, 3, 31);
    EXPECT_STREQ(validityFault(start.addDays(5), start.addDays(4), start, end), "ValDe");
    EXPECT_STREQ(validityFault(start, start, start, end), nullptr);
    EXPECT_STREQ(validityFault(start, end, start, end), nullptr);
    EXPECT_STREQ(validityFault(start.addDays(-1), end, start, end), "DTVALIDADEINI");
    EXPECT_STREQ(validityFault(start, end.addDays(1), start, end), "DTVALIDADEFIN");
    // Missing dates count as the earliest: no start is before the period, no end before the
    // start.
    EXPECT_STREQ(validityFault(QDate(), end, start, end), "DTVALIDADEINI");
    EXPECT_STREQ(validityFault(start, QDate(), start, end), "ValDe");
}
