// The decimal type at its edges: text both ways, doubles both ways, rounding and overflow.

#include "decimalprinter.h"
#include "pricing/decimal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using vnd::pricing::Decimal;
using vnd::pricing::DecimalError;
using vnd::pricing::Rounding;

namespace
{

Decimal dec(const char *text)
{
    const auto d = Decimal::parse(QString::fromLatin1(text));
    if (!d)
        throw std::invalid_argument(text);
    return *d;
}

TEST(Decimal, ParsesBothSeparatorsAndFormatsBack)
{
    const std::pair<const char *, Decimal::Units> cases[] = {
        {"12.34", 123400},
        {"12,34", 123400},
        {"-0.5", -5000},
        {" 7 ", 70000},
        {"1.234,56", 12345600},
        {"+3,", 30000},
        {".25", 2500},
        {"0.00005", 1},
        {"0.000049", 0},
        {"-0.00005", -1},
        {"1.2345", 12345},
        {"922337203685477.5807", INT64_MAX},
        {"950000000000000", Decimal::Units(9'500'000'000'000'000'000u)},
        {"-999999999999999999.9999", -Decimal::kMaxUnits},
    };
    for (const auto &[text, units] : cases) {
        SCOPED_TRACE(text);
        ASSERT_TRUE(Decimal::parse(QString::fromLatin1(text)).has_value());
        EXPECT_EQ(dec(text).units(), units);
    }
    for (const char *bad :
         {"", "-", "1.2.3", "1,2,3", "12a", "1,234.5", "1..2", ".,5", "1e5", "1000000000000000000",
          "999999999999999999.99995", "99999999999999999999"})
        EXPECT_FALSE(Decimal::parse(QString::fromLatin1(bad)).has_value()) << bad;

    EXPECT_EQ(dec("12.50").toString(), "12.5");
    EXPECT_EQ(dec("-0.0001").toString(), "-0.0001");
    EXPECT_EQ(dec("100").toString(), "100");
    EXPECT_EQ(dec("1234567.891").toText(2, u',', u'.'), "1.234.567,89");
    EXPECT_EQ(dec("1234.565").toText(2, u','), "1234,57"); // half away from zero
    EXPECT_EQ(dec("-1234.565").toText(2, u','), "-1234,57");
    EXPECT_EQ(dec("-0.004").toText(2, u','), "0,00"); // no "-0,00"
    EXPECT_EQ(dec("999.5").toText(0, u','), "1000");
    EXPECT_EQ(dec("950000000000000.1").toText(2, u',', u'.'), "950.000.000.000.000,10");
    EXPECT_EQ(Decimal::max().toString(), "999999999999999999.9999");
    EXPECT_EQ(Decimal::max().toText(0, u'.'), "1000000000000000000");
}

TEST(Decimal, DoublesTravelThroughTheirShortestForm)
{
    // The double of 0.1 is 0.1000000000000000055...; 24.9 - 4.98 is 19.919999999999998.
    const std::pair<double, Decimal::Units> cases[] = {
        {0.1, 1000},
        {4.35, 43500},
        {1.15, 11500},
        {-2.675, -26750},
        {24.9 - 4.98, 199200},
        {0.12345, 1235},
        {-0.12345, -1235},
        {0.00005, 1},
        {1e-300, 0},
        {123456789012.3456, 1234567890123456},
        {922337203685477.5, 9223372036854775000},
        {950000000000000.0, Decimal::Units(9'500'000'000'000'000'000u)},
        {-999999999999998.0, -Decimal::Units(9'999'999'999'999'980'000u)},
    };
    for (const auto &[value, units] : cases) {
        SCOPED_TRACE(value);
        ASSERT_TRUE(Decimal::fromDouble(value).has_value());
        EXPECT_EQ(Decimal::fromDouble(value)->units(), units);
    }
    for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e18, -1e19})
        EXPECT_FALSE(Decimal::fromDouble(bad).has_value()) << bad;
    EXPECT_EQ(Decimal::clampedFromDouble(1e300), Decimal::max());
    EXPECT_EQ(Decimal::clampedFromDouble(-1e300), Decimal::min());

    // Every two-decimal value comes back as the same double, so it prints as typed.
    for (std::int64_t cents = -100000; cents <= 100000000; cents += 997) {
        const Decimal d = Decimal::fromUnits(cents * 100);
        const double asDouble = d.toDouble();
        EXPECT_EQ(asDouble, std::strtod(d.toString().toLatin1().constData(), nullptr)) << cents;
        EXPECT_EQ(Decimal::fromDouble(asDouble), d) << cents;
    }
    EXPECT_EQ(Decimal::max().toDouble(), 1e18);
    EXPECT_EQ(dec("950000000000000.5").toDouble(), 950000000000000.5);

    EXPECT_EQ(Decimal::fromVariant(QVariant(QStringLiteral("12.34"))), dec("12.34"));
    EXPECT_EQ(Decimal::fromVariant(QVariant(qlonglong(5))), dec("5"));
    EXPECT_EQ(Decimal::fromVariant(QVariant(2.5)), dec("2.5"));
    EXPECT_FALSE(Decimal::fromVariant(QVariant()).has_value());
    EXPECT_EQ(Decimal::fromVariant(QVariant(qlonglong(950000000000000))), dec("950000000000000"));
    EXPECT_FALSE(Decimal::fromVariant(QVariant(qlonglong(1) << 62)).has_value());
}

TEST(Decimal, RoundsInTheNamedDirection)
{
    struct Case {
        const char *in;
        int decimals;
        const char *trunc, *half;
    } cases[] = {
        {"12.349", 2, "12.34", "12.35"},   {"-1.999", 2, "-1.99", "-2"},
        {"2.675", 2, "2.67", "2.68"},      {"-2.5", 0, "-2", "-3"},
        {"0.0049", 2, "0", "0"},           {"9.995", 2, "9.99", "10"},
        {"1.2345", 4, "1.2345", "1.2345"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(dec(c.in).rounded(c.decimals, Rounding::TowardZero), dec(c.trunc));
        EXPECT_EQ(dec(c.in).rounded(c.decimals, Rounding::HalfAwayFromZero), dec(c.half));
    }
    EXPECT_EQ(Trunc2(dec("4.35")), dec("4.35"));
    EXPECT_EQ(RoundDec(dec("1.005"), 2), dec("1.01"));
}

TEST(Decimal, MulDivIsExactThenRoundedOnceAndOverflowThrows)
{
    // 1/3 of 1.00 at four places, both ways; signs follow the quotient.
    EXPECT_EQ(Decimal::mulDiv(1, 1, 3, 4, Rounding::TowardZero), dec("0.3333"));
    EXPECT_EQ(Decimal::mulDiv(2, 1, 3, 4, Rounding::HalfAwayFromZero), dec("0.6667"));
    EXPECT_EQ(Decimal::mulDiv(-2, 1, 3, 4, Rounding::TowardZero), dec("-0.6666"));
    EXPECT_EQ(Decimal::mulDiv(2, -1, 3, 2, Rounding::HalfAwayFromZero), dec("-0.67"));
    EXPECT_EQ(Decimal::mulDiv(dec("15.555"), dec("9.99"), 100, 4, Rounding::TowardZero),
              dec("1.5539")); // 1.5539445 exactly
    // Products beyond 64 bits, and beyond 128, take the wide paths and stay exact.
    EXPECT_EQ(
        Decimal::mulDiv(dec("900000000000"), dec("90000"), dec("100000"), 2, Rounding::TowardZero),
        dec("810000000000"));
    EXPECT_EQ(Decimal::mulDiv(dec("950000000000000"), 2, 3, 4, Rounding::HalfAwayFromZero),
              dec("633333333333333.3333"));
    const Decimal big = dec("123456789012345678.9"), by = dec("98765432109876543.21");
    EXPECT_EQ(Decimal::mulDiv(big, big, by, 2, Rounding::TowardZero), dec("154320984859182111.29"));
    EXPECT_EQ(Decimal::mulDiv(-big, big, by, 4, Rounding::HalfAwayFromZero),
              dec("-154320984859182111.2988"));
    EXPECT_THROW(Decimal::mulDiv(dec("900000000000000000"), 10, 1, 2, Rounding::TowardZero),
                 DecimalError);
    EXPECT_THROW(Decimal::mulDiv(big, big, 1, 2, Rounding::TowardZero), DecimalError);
    EXPECT_THROW(Decimal::mulDiv(1, 1, 0, 2, Rounding::TowardZero), DecimalError);
    EXPECT_THROW(Decimal::max() + Decimal::fromUnits(1), DecimalError);
    EXPECT_THROW(Decimal::min() - Decimal::fromUnits(1), DecimalError);
    EXPECT_THROW(Decimal::max().rounded(0, Rounding::HalfAwayFromZero), DecimalError);
    EXPECT_EQ(-Decimal::min(), Decimal::max());
}

} // namespace
