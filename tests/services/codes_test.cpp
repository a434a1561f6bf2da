#include "host/services/codes.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

using namespace vnd;

namespace
{

TEST(Ajusta, PadsDigitCodesAndLeavesTheRest)
{
    struct Case {
        const char *in;
        int width;
        const char *out;
    } cases[] = {
        {"1", 3, "001"},       {" 7 ", 2, "07"}, {"12", 4, "0012"}, {"001", 3, "001"},
        {"12345", 3, "12345"}, {"T", 2, "T"},    {" T ", 3, "T"},   {"", 3, ""},
        {"   ", 3, ""},        {"1a", 3, "1a"},  {"-1", 3, "-1"},   {"1 2", 4, "1 2"},
        {"٣", 3, "٣"}, // a digit of another script is not a code digit
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(Ajusta(QString::fromUtf8(c.in), c.width), QString::fromUtf8(c.out));
    }
}

TEST(Trunc2, CutsTowardZeroOnTheDecimalDigits)
{
    const std::pair<double, double> cases[] = {
        {1.15, 1.15},    {12.349, 12.34}, {0.29, 0.29},
        {-1.999, -1.99}, {0.57, 0.57}, // 0.57 * 100 = 56.99999...
        {1.005, 1.0},    {4.35, 4.35}, // 4.35 * 100 = 434.99999...
        {-4.35, -4.35},  {99.999, 99.99}, {0.001, 0.0},
        {-0.001, 0.0},   {0.0, 0.0},      {123456789.129, 123456789.12},
        {1e20, 1e20},    {1e-300, 0.0},   {5.0, 5.0},
    };
    for (const auto &[in, out] : cases) {
        SCOPED_TRACE(in);
        EXPECT_EQ(Trunc2(in), out);
        EXPECT_FALSE(std::signbit(Trunc2(in)) && out == 0) << "no negative zero";
    }
    EXPECT_TRUE(std::isnan(Trunc2(std::nan(""))));
    EXPECT_EQ(Trunc2(DBL_MAX), DBL_MAX);
}

TEST(RoundDec, RoundsHalfAwayFromZeroOnTheDecimalDigits)
{
    struct Case {
        double in;
        int decimals;
        double out;
    } cases[] = {
        {2.675, 2, 2.68},     {1.005, 2, 1.01}, {-0.5, 0, -1.0},      {0.5, 0, 1.0},
        {1.5, 0, 2.0},        {2.5, 0, 3.0},    {-2.5, 0, -3.0},      {0.125, 2, 0.13},
        {9.995, 2, 10.0},     {99.5, 0, 100.0}, {0.994, 2, 0.99},     {0.0049, 2, 0.0},
        {1.23456, 4, 1.2346}, {1.2, 4, 1.2},    {1234.5, -1, 1230.0}, {1235.0, -1, 1240.0},
        {4.35, 1, 4.4},       {-4.35, 1, -4.4}, {1.45, 1, 1.5},       {8.325, 2, 8.33},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.in << " @" << c.decimals);
        EXPECT_EQ(RoundDec(c.in, c.decimals), c.out);
    }
    EXPECT_EQ(RoundDec(0.4, 0), 0.0);
    EXPECT_FALSE(std::signbit(RoundDec(-0.4, 0)));
}

TEST(EmptyString, BlankOrOnlyMaskLiterals)
{
    const std::pair<const char *, bool> cases[] = {
        {"", true},
        {"   ", true},
        {"  /  /    ", true},
        {"  :  ", true},
        {" .  .   .    ", true},
        {"\t", true},
        {"0", false},
        {"  :0 ", false},
        {"01/01/2024", false},
        {"a", false},
        {" .  .   .   1", false},
    };
    for (const auto &[text, empty] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(EmptyString(QString::fromUtf8(text)), empty);
    }
}

} // namespace
