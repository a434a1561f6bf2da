#include "pricing/decimal.h"

#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

namespace vnd::pricing
{

namespace
{

using Units = Decimal::Units;
using Magnitude = unsigned __int128;

constexpr Units kMaxUnits = Decimal::kMaxUnits;
// Below this magnitude a double's spacing is under a ten-thousandth, so at most one decimal
// of four places reads back as it; 2^53 units also convert to double exactly.
constexpr double kFastLimit = 1e11;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The value of sign, integer digits and fraction digits; beyond four decimals the next digit
// rounds half away from zero. nullopt when it does not fit.
std::optional<Decimal> fromDigits(bool negative, std::string_view whole, std::string_view fraction)
{
    // Held within the range after every digit, so ten times it plus a digit never overflows.
    Units units = 0;
    auto push = [&units](char digit) {
        units = units * 10 + (digit - '0');
        return units <= kMaxUnits;
    };
    for (char c : whole)
        if (!push(c))
            return std::nullopt;
    for (int i = 0; i < Decimal::kDecimals; ++i)
        if (!push(i < int(fraction.size()) ? fraction[size_t(i)] : '0'))
            return std::nullopt;
    if (fraction.size() > size_t(Decimal::kDecimals) && fraction[Decimal::kDecimals] >= '5')
        ++units;
    if (units > kMaxUnits)
        return std::nullopt;
    return Decimal::fromUnits(negative ? -units : units);
}

std::string decimalDigits(Magnitude n)
{
    if (n <= UINT64_MAX)
        return std::to_string(std::uint64_t(n));
    std::string out;
    for (; n > 0; n /= 10)
        out.push_back(char('0' + int(n % 10)));
    return {out.rbegin(), out.rend()};
}

// Appends the digits of a whole number, with `group` between thousands when given.
void wholeDigits(Magnitude whole, QChar group, std::string &out)
{
    const std::string digits = decimalDigits(whole);
    for (size_t i = 0; i < digits.size(); ++i) {
        if (!group.isNull() && i > 0 && (digits.size() - i) % 3 == 0)
            out.push_back(char(group.unicode()));
        out.push_back(digits[i]);
    }
}

Magnitude magnitude(Units units)
{
    return units < 0 ? Magnitude(-units) : Magnitude(units);
}

// The 256-bit product of two magnitudes, as high and low halves.
struct Product {
    Magnitude high, low;
};

Product multiply(Magnitude a, Magnitude b)
{
    const Magnitude mask = UINT64_MAX;
    const Magnitude a0 = a & mask, a1 = a >> 64, b0 = b & mask, b1 = b >> 64;
    const Magnitude low = a0 * b0;
    const Magnitude mid1 = a1 * b0 + (low >> 64);
    const Magnitude mid2 = a0 * b1 + (mid1 & mask);
    return {a1 * b1 + (mid1 >> 64) + (mid2 >> 64), (mid2 << 64) | (low & mask)};
}

// n / d with its remainder, bit by bit; the quotient must fit 128 bits (n.high < d) and d
// must be below 2^127, so that the running remainder never overflows when shifted.
std::pair<Magnitude, Magnitude> divide(Product n, Magnitude d)
{
    Magnitude q = 0, r = n.high;
    for (int bit = 127; bit >= 0; --bit) {
        r = (r << 1) | ((n.low >> bit) & 1);
        q <<= 1;
        if (r >= d) {
            r -= d;
            q |= 1;
        }
    }
    return {q, r};
}

} // namespace

void Decimal::overflow()
{
    throw DecimalError("decimal out of range");
}

std::optional<Decimal> Decimal::fromDouble(double value)
{
    if (std::fabs(value) < kFastLimit) {
        // Usually the value has at most four decimals: take them and check they read back.
        const double scaled = value * double(kScale);
        const auto units = std::int64_t(scaled + (scaled < 0 ? -0.5 : 0.5));
        if (double(units) / double(kScale) == value)
            return fromUnits(units);
    } else if (!(std::fabs(value) < 1e19)) {
        return std::nullopt; // NaN, infinite or far out of range
    }
    // Keeps the fixed form short; 0.00005 itself (a double just above it) rounds up.
    if (std::fabs(value) < 0.00005)
        return Decimal();
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (r.ec != std::errc())
        return std::nullopt;
    std::string_view text(buf, size_t(r.ptr - buf));
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    const size_t dot = text.find('.');
    if (dot == std::string_view::npos)
        return fromDigits(negative, text, {});
    return fromDigits(negative, text.substr(0, dot), text.substr(dot + 1));
}

Decimal Decimal::clampedFromDouble(double value)
{
    if (std::isnan(value))
        return {};
    if (const auto d = fromDouble(value))
        return *d;
    return value < 0 ? min() : max();
}

std::optional<Decimal> Decimal::fromVariant(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return fromDouble(value.toDouble());
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong: {
        const Units units = value.typeId() == QMetaType::ULongLong
                                ? Units(value.toULongLong()) * kScale
                                : Units(value.toLongLong()) * kScale;
        if (units > kMaxUnits || units < -kMaxUnits)
            return std::nullopt;
        return fromUnits(units);
    }
    case QMetaType::QString:
        return parse(value.toString());
    default:
        return std::nullopt;
    }
}

std::optional<Decimal> Decimal::parse(QStringView text)
{
    text = text.trimmed();
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text = text.mid(1);
    }
    // A comma is the decimal separator of pt-BR, and then dots only group thousands.
    const bool commaDecimal = text.contains(u',');
    const QChar point = commaDecimal ? u',' : u'.';
    std::string whole, fraction;
    bool afterPoint = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == point && !afterPoint) {
            afterPoint = true;
        } else if (commaDecimal && c == u'.' && !afterPoint) {
            // A group separator needs digits on both sides.
            if (whole.empty() || i + 1 >= text.size() || !text[i + 1].isDigit())
                return std::nullopt;
        } else if (c.unicode() < 128 && isDigit(char(c.unicode()))) {
            (afterPoint ? fraction : whole).push_back(char(c.unicode()));
        } else {
            return std::nullopt;
        }
    }
    if (whole.empty() && fraction.empty())
        return std::nullopt;
    return fromDigits(negative, whole, fraction);
}

double Decimal::toDouble() const
{
    // Both operands are exact and IEEE division rounds correctly: the nearest double.
    if (magnitude(m_units) <= (Magnitude(1) << 53))
        return double(m_units) / double(kScale);
    const std::string text = toString().toStdString();
    double d = 0;
    std::from_chars(text.data(), text.data() + text.size(), d);
    return d;
}

QString Decimal::toString() const
{
    const Magnitude mag = magnitude(m_units);
    std::string out = m_units < 0 ? "-" : "";
    wholeDigits(mag / kScale, QChar(), out);
    auto fraction = std::uint64_t(mag % kScale);
    if (fraction != 0) {
        int places = kDecimals;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --places;
        }
        const std::string digits = std::to_string(fraction);
        out.push_back('.');
        out.append(size_t(places) - digits.size(), '0');
        out.append(digits);
    }
    return QString::fromLatin1(out);
}

QString Decimal::toText(int decimals, QChar point, QChar group) const
{
    const auto step = Magnitude(detail::kPow10[kDecimals - decimals]);
    const Magnitude mag = magnitude(m_units);
    Magnitude q = mag / step;
    if (mag % step >= step - mag % step)
        ++q; // half away from zero, on the magnitude
    const auto scale = Magnitude(detail::kPow10[decimals]);
    std::string out = m_units < 0 && q != 0 ? "-" : "";
    wholeDigits(q / scale, group, out);
    if (decimals > 0) {
        const std::string digits = decimalDigits(q % scale);
        out.push_back(char(point.unicode()));
        out.append(size_t(decimals) - digits.size(), '0');
        out.append(digits);
    }
    return QString::fromLatin1(out);
}

// On magnitudes, the sign put back at the end: the product may need 256 bits, the
// divisor (at most 10^26) and the quotient, when it is in range, fit 128.
Decimal detail::mulDivWide(Decimal a, Decimal b, Decimal c, int decimals, Rounding rounding)
{
    const auto step = Magnitude(kPow10[Decimal::kDecimals - decimals]);
    const bool negative = ((a.units() < 0) != (b.units() < 0)) != (c.units() < 0);
    const Product num = multiply(magnitude(a.units()), magnitude(b.units()));
    const Magnitude den = magnitude(c.units()) * step;
    if (num.high >= den)
        Decimal::overflow(); // the quotient alone needs more than 128 bits
    auto [q, r] = divide(num, den);
    if (rounding == Rounding::HalfAwayFromZero && r >= den - r)
        ++q;
    if (q > Magnitude(kMaxUnits) / step)
        Decimal::overflow();
    const auto units = Units(q * step);
    return Decimal::fromUnits(negative && units != 0 ? -units : units);
}

} // namespace vnd::pricing
