#include "server/dayhourprice.h"

#include <gtest/gtest.h>

namespace vnd::server
{
namespace
{

struct PriceCase {
    const char *name;
    const char *percentOrValue;
    const char *discountOrRaise;
    QVariant value, itemPrice, clientPrice;
    QVariant expected;
};

TEST(DayHourPrice, FollowsTheWindowsArithmetic)
{
    const PriceCase cases[] = {
        {"percent discount", "P", "D", 15.0, 10.0, 0.0, 8.50},
        {"percent increase", "P", "A", 15.0, 10.0, 0.0, 11.50},
        {"fixed discount", "V", "D", 2.5, 10.0, 0.0, 7.50},
        {"fixed increase", "V", "A", 2.5, 10.0, 0.0, 12.50},
        {"client price joins the base", "P", "D", 15.0, 8.0, 2.0, 8.50},
        {"delivery base", "P", "D", 25.0, 12.0, 0.0, 9.00},
        {"cut, not rounded", "P", "D", 33.0, 9.99, 0.0, 6.70},
        {"empty terms read as fixed increase", "", "", 2.0, 10.0, 0.0, 12.0},
        {"no item price reads as zero", "V", "A", 3.0, QVariant(), QVariant(), 3.0},
        {"no value, no price", "P", "D", QVariant(), 10.0, 0.0, QVariant()},
        {"exact where binary falls a cent short", "P", "D", 20.0, 24.90, 0.0, 19.92},
        {"numbers read as text", "P", "D", "7", "1.00", QVariant(), 0.93},
        {"too large to represent: no value", "P", "A", 1.7e308, 999.0, 0.0, QVariant()},
    };
    for (const PriceCase &c : cases) {
        const QVariant got = dayHourPrice(
            {QString::fromLatin1(c.percentOrValue), QString::fromLatin1(c.discountOrRaise)},
            c.value, c.itemPrice, c.clientPrice);
        EXPECT_EQ(got.isNull(), c.expected.isNull()) << c.name;
        if (!c.expected.isNull()) {
            EXPECT_EQ(got.toDouble(), c.expected.toDouble()) << c.name;
        }
    }
}

} // namespace
} // namespace vnd::server
