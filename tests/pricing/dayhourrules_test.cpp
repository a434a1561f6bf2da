// The rule checks that need no user, at their borders.

#include "decimalprinter.h"
#include "pricing/dayhourcodes.h"
#include "pricing/dayhourrules.h"

#include <gtest/gtest.h>

using namespace vnd::pricing;

namespace
{

Decimal d(const char *text)
{
    return *Decimal::parse(QString::fromLatin1(text));
}

std::string fault(const char *key)
{
    return key ? key : "";
}

TEST(DayHourRules, ModalityValueAndPriceBorders)
{
    struct Case {
        const char *value, *price, *base, *fault;
    } cases[] = {
        {"2", "8", "10", ""},          {"0", "8", "10", "VALMAIOR"},
        {"-1", "8", "10", "VALMAIOR"}, {"0.0001", "0", "10", "PRECMAI"},
        {"2", "19.99", "10", ""},      {"2", "20.00", "10", "ACREVAL"},
        {"2", "0.01", "0", "ACREVAL"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(fault(modalityFault(d(c.value), d(c.price), d(c.base))), c.fault)
            << c.value << " " << c.price << " " << c.base;
    // Twice a base near the limit does not overflow.
    EXPECT_EQ(fault(modalityFault(1, Decimal::max(), Decimal::max())), "");
}

TEST(DayHourRules, TypedPriceAboveTheBaseOnlyUnderAPercentageDiscount)
{
    EXPECT_EQ(fault(typedPriceFault({false, false}, d("10.01"), d("10"))), "VRPRODDESC_MAIOR");
    EXPECT_EQ(fault(typedPriceFault({false, false}, d("10"), d("10"))), "");
    EXPECT_EQ(fault(typedPriceFault({false, true}, d("12"), d("10"))), "");
    EXPECT_EQ(fault(typedPriceFault({true, false}, d("12"), d("10"))), "");
}

TEST(DayHourRules, Times)
{
    for (const char *ok : {"0000", "2359", "1200", " 930", "09 5"})
        EXPECT_TRUE(isValidStoredTime(QString::fromLatin1(ok))) << ok;
    for (const char *bad : {"", "930", "2400", "1260", "12:0", "ab00", "12345", "    "})
        EXPECT_FALSE(isValidStoredTime(QString::fromLatin1(bad))) << bad;
    EXPECT_EQ(fault(timeOrderFault("1200", "1200")), "");
    EXPECT_EQ(fault(timeOrderFault("1300", "1200")), "HORAMAIOR");
    // A blank first hour digit sorts before "0" as a text, yet 09:30 is after 08:00.
    EXPECT_EQ(fault(timeOrderFault(" 930", "0800")), "HORAMAIOR");
    EXPECT_EQ(fault(timeOrderFault(" 730", "0800")), "");
}

TEST(DayHourRules, StoredCodesAreExactMembersOfTheirTable)
{
    EXPECT_TRUE(isCode(diaSemanaCodes(), QStringLiteral("V")));
    EXPECT_TRUE(isCode(codeTableOf(QStringLiteral("iddescacrepr")), QStringLiteral("A")));
    for (const char *bad : {"v", "", "8", "VV"})
        EXPECT_FALSE(isCode(diaSemanaCodes(), QString::fromLatin1(bad))) << bad;
    EXPECT_TRUE(codeTableOf(QStringLiteral("PRECO")).empty());
}

} // namespace
