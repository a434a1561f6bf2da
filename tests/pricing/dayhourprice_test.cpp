// The day/hour arithmetic against an oracle of plain integers: prices in cents, percentages
// in hundredths, every truncation a floor of a positive quotient.

#include "decimalprinter.h"
#include "pricing/dayhourprice.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace vnd::pricing;

namespace
{

constexpr DayHourTerms kPercentDiscount{false, false};
constexpr DayHourTerms kPercentIncrease{false, true};

Decimal cents(std::int64_t c)
{
    return Decimal::fromUnits(c * 100);
}

Decimal hundredths(std::int64_t h)
{
    return Decimal::fromUnits(h * 100);
}

// A = Trunc2(V / 100 × B): V/100 × B in cents is v·b / 10000 for v hundredths of a percent.
std::int64_t oraclePrice(std::int64_t b, std::int64_t v, bool increase)
{
    const std::int64_t a = v * b / 10000;
    return increase ? b + a : b - a;
}

// Trunc2(P × 100 / B) − 100 in hundredths: floor(p·10000 / b) − 10000.
std::int64_t oracleValue(std::int64_t b, std::int64_t p, bool increase)
{
    const std::int64_t percent = p * 10000 / b - 10000;
    return increase ? percent : (percent < 0 ? -percent : percent);
}

// Bases stride by a step prime to 100, so every cent ending is met.
TEST(DayHourPrice, PercentageValueToPriceMatchesTheOracle)
{
    long mismatches = 0, checked = 0;
    for (std::int64_t b = 1; b <= 99999; b += 7) {
        for (std::int64_t v = 1; v <= 9999; v += (v < 100 ? 1 : 7)) {
            for (const bool increase : {false, true}) {
                const Decimal got = priceFromValue(increase ? kPercentIncrease : kPercentDiscount,
                                                   hundredths(v), cents(b));
                ++checked;
                if (got != cents(oraclePrice(b, v, increase)) && ++mismatches <= 5)
                    ADD_FAILURE() << "base " << b << " cents, " << v << " hundredths %, "
                                  << (increase ? "increase" : "discount") << ": "
                                  << got.toString().toStdString();
            }
        }
    }
    EXPECT_EQ(mismatches, 0) << "of " << checked;
}

TEST(DayHourPrice, TypedPriceToPercentageMatchesTheOracle)
{
    long mismatches = 0, checked = 0;
    for (std::int64_t b = 1; b <= 99999; b += 37) {
        for (std::int64_t p = 1; p <= 2 * b; p += 1 + b / 2000) {
            const bool increase = p > b;
            const Decimal got =
                valueFromPrice(increase ? kPercentIncrease : kPercentDiscount, cents(p), cents(b));
            ++checked;
            if (got != hundredths(oracleValue(b, p, increase)) && ++mismatches <= 5)
                ADD_FAILURE() << "base " << b << " cents, typed " << p << ": "
                              << got.toString().toStdString();
        }
    }
    EXPECT_EQ(mismatches, 0) << "of " << checked;
}

TEST(DayHourPrice, NamedCases)
{
    const auto d = [](const char *text) { return *Decimal::parse(QString::fromLatin1(text)); };
    struct Case {
        const char *base, *percent, *price;
    } discounts[] = {
        {"24.90", "20", "19.92"}, {"1.00", "7", "0.93"},   {"19.90", "20", "15.92"},
        {"4.35", "20", "3.48"},   {"10.00", "15", "8.50"}, {"10.01", "33", "6.71"},
    };
    for (const Case &c : discounts)
        EXPECT_EQ(priceFromValue(kPercentDiscount, d(c.percent), d(c.base)), d(c.price))
            << c.base << " -" << c.percent << "%";
    EXPECT_EQ(priceFromValue(kPercentIncrease, d("15"), d("10.00")), d("11.50"));
    EXPECT_EQ(priceFromValue(kPercentIncrease, d("10"), d("1.05")), d("1.15"));

    // Typed 0.07 on a base of 1.00 under a discount: value 93, which gives 0.07 back.
    const Decimal value = valueFromPrice(kPercentDiscount, d("0.07"), d("1.00"));
    EXPECT_EQ(value, d("93"));
    EXPECT_EQ(priceFromValue(kPercentDiscount, value, d("1.00")), d("0.07"));
    EXPECT_EQ(valueFromPrice(kPercentIncrease, d("12.00"), d("10.00")), d("20"));
    EXPECT_EQ(valueFromPrice(kPercentIncrease, d("8.00"), d("10.00")), d("-20"));
    EXPECT_EQ(valueFromPrice(kPercentDiscount, d("5.00"), d("0")), d("0"));

    // Fixed amounts are not cut, whatever their decimals.
    const DayHourTerms fixedIncrease{true, true}, fixedDiscount{true, false};
    EXPECT_EQ(priceFromValue(fixedDiscount, d("2.505"), d("10.00")), d("7.495"));
    EXPECT_EQ(priceFromValue(fixedIncrease, d("2.50"), d("10.00")), d("12.50"));
    EXPECT_EQ(valueFromPrice(fixedIncrease, d("12.00"), d("10.00")), d("2.00"));
    EXPECT_EQ(valueFromPrice(fixedDiscount, d("7.50"), d("10.00")), d("2.50"));

    // Empty codes read as a fixed increase; anything but "V" and "A" as percentage, discount.
    const DayHourTerms empty = DayHourTerms::fromCodes({}, QStringLiteral(" "));
    EXPECT_TRUE(empty.fixedAmount && empty.increase);
    const DayHourTerms other = DayHourTerms::fromCodes(QStringLiteral("P"), QStringLiteral("X"));
    EXPECT_FALSE(other.fixedAmount || other.increase);
    EXPECT_THROW(priceFromValue(kPercentIncrease, d("1000000"), Decimal::max()), DecimalError);
}

} // namespace
