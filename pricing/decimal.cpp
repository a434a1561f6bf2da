#include "pricing/decimal.h"

#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

namespace vnd::pricing
{

namespace
{

using Wide = __int128;

constexpr std::int64_t kMaxUnits = INT64_MAX;
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
    std::uint64_t units = 0;
    auto push = [&units](char digit) {
        return !__builtin_mul_overflow(units, 10u, &units) &&
               !__builtin_add_overflow(units, std::uint64_t(digit - '0'), &units);
    };
    for (char c : whole)
        if (!push(c))
            return std::nullopt;
    for (int i = 0; i < Decimal::kDecimals; ++i)
        if (!push(i < int(fraction.size()) ? fraction[size_t(i)] : '0'))
            return std::nullopt;
    if (fraction.size() > size_t(Decimal::kDecimals) && fraction[Decimal::kDecimals] >= '5')
        ++units;
    if (units > std::uint64_t(kMaxUnits))
        return std::nullopt;
    const auto signedUnits = std::int64_t(units);
    return Decimal::fromUnits(negative ? -signedUnits : signedUnits);
}

// Appends the digits of a whole number, with `group` between thousands when given.
void wholeDigits(std::uint64_t whole, QChar group, std::string &out)
{
    const std::string digits = std::to_string(whole);
    for (size_t i = 0; i < digits.size(); ++i) {
        if (!group.isNull() && i > 0 && (digits.size() - i) % 3 == 0)
            out.push_back(char(group.unicode()));
        out.push_back(digits[i]);
    }
}

std::uint64_t magnitude(std::int64_t units)
{
    return units < 0 ? std::uint64_t(0) - std::uint64_t(units) : std::uint64_t(units);
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
    } else if (!(std::fabs(value) < 1e16)) {
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
        std::int64_t units;
        if (value.typeId() == QMetaType::ULongLong && value.toULongLong() > INT64_MAX)
            return std::nullopt;
        if (__builtin_mul_overflow(value.toLongLong(), kScale, &units) || units == INT64_MIN)
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
    if (magnitude(m_units) <= (std::uint64_t(1) << 53))
        return double(m_units) / double(kScale);
    const std::string text = toString().toStdString();
    double d = 0;
    std::from_chars(text.data(), text.data() + text.size(), d);
    return d;
}

QString Decimal::toString() const
{
    const std::uint64_t mag = magnitude(m_units);
    std::string out = m_units < 0 ? "-" : "";
    wholeDigits(mag / kScale, QChar(), out);
    std::uint64_t fraction = mag % kScale;
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
    const std::uint64_t step = std::uint64_t(detail::kPow10[kDecimals - decimals]);
    const std::uint64_t mag = magnitude(m_units);
    std::uint64_t q = mag / step;
    if (mag % step >= step - mag % step)
        ++q; // half away from zero, on the magnitude
    const std::uint64_t scale = std::uint64_t(detail::kPow10[decimals]);
    std::string out = m_units < 0 && q != 0 ? "-" : "";
    wholeDigits(q / scale, group, out);
    if (decimals > 0) {
        const std::string digits = std::to_string(q % scale);
        out.push_back(char(point.unicode()));
        out.append(size_t(decimals) - digits.size(), '0');
        out.append(digits);
    }
    return QString::fromLatin1(out);
}

Decimal detail::mulDivWide(Decimal a, Decimal b, Decimal c, int decimals, Rounding rounding)
{
    const Wide step = kPow10[Decimal::kDecimals - decimals];
    const Wide num = Wide(a.units()) * b.units();
    const Wide den = Wide(c.units()) * step;
    const Wide q = roundQuotient<Wide>(num / den, num % den, den, rounding);
    const Wide r = q * step;
    if (r > kMaxUnits || r < -kMaxUnits)
        Decimal::overflow();
    return Decimal::fromUnits(std::int64_t(r));
}

} // namespace vnd::pricing
