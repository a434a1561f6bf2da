#pragma once
// Exact decimal money, values and percentages: a count of ten-thousandths in 128 bits, below
// 10^18 in magnitude, so that every price the windows accept (below 10^15 - 1), the sum of two
// of them and twice that sum are held. Arithmetic is exact or names its rounding; a result
// that does not fit throws DecimalError instead of wrapping. Doubles only meet it at the
// edges, through their shortest decimal form.

#include <QString>
#include <QStringView>
#include <QVariant>

#include <compare>
#include <cstdint>
#include <optional>
#include <stdexcept>

namespace vnd::pricing
{

enum class Rounding { TowardZero, HalfAwayFromZero };

// A result that cannot be represented: out of range, or a division by zero.
class DecimalError : public std::range_error
{
public:
    using std::range_error::range_error;
};

class Decimal
{
public:
    using Units = __int128;
    static constexpr int kDecimals = 4;
    static constexpr std::int64_t kScale = 10'000;
    // 10^22 - 1 units: 999,999,999,999,999,999.9999.
    static constexpr Units kMaxUnits = Units(1'000'000'000'000'000'000) * 10'000 - 1;

    constexpr Decimal() = default;
    // Whole numbers read naturally in formulas: mulDiv(price, 100, base, ...).
    constexpr Decimal(int whole) : m_units(std::int64_t(whole) * kScale) {}
    Decimal(double) = delete; // a double goes through fromDouble, never silently

    // Units beyond kMaxUnits are the caller's error: they are not checked here.
    static constexpr Decimal fromUnits(Units units)
    {
        Decimal d;
        d.m_units = units;
        return d;
    }
    static constexpr Decimal max() { return fromUnits(kMaxUnits); }
    static constexpr Decimal min() { return fromUnits(-kMaxUnits); }

    // The decimal the double stands for: its shortest round-trip form ("0.1", not
    // 0.1000000000000000055...), rounded half away from zero beyond four decimals.
    // nullopt for NaN, infinities and values out of range.
    static std::optional<Decimal> fromDouble(double value);
    // The same, with out-of-range values held at max()/min() and NaN read as 0.
    static Decimal clampedFromDouble(double value);
    // A number of a field or column: no value, or a value that is no number, gives nullopt.
    static std::optional<Decimal> fromVariant(const QVariant &value);
    // "12.34", "-0.5", "12,34" and "1.234,56" (with a comma, dots group thousands); blanks
    // around are ignored; digits beyond four decimals round half away from zero.
    static std::optional<Decimal> parse(QStringView text);

    // The nearest double, so it prints back as the same decimal.
    double toDouble() const;
    constexpr Units units() const { return m_units; }

    // Shortest form with '.' ("12.5", "-3", "0.0001").
    QString toString() const;
    // Exactly `decimals` places (0-4, rounded half away from zero), `point` as the separator
    // and, when given, `group` between thousands: toText(2, ',', '.') == "1.234,50".
    QString toText(int decimals, QChar point, QChar group = QChar()) const;

    // Rounded to `decimals` places (0-4) in the given direction.
    Decimal rounded(int decimals, Rounding rounding) const;

    // a × b ÷ c computed exactly and rounded once, to `decimals` places (0-4).
    static Decimal mulDiv(Decimal a, Decimal b, Decimal c, int decimals, Rounding rounding);

    constexpr bool isZero() const { return m_units == 0; }
    constexpr bool isNegative() const { return m_units < 0; }
    Decimal abs() const { return m_units < 0 ? -*this : *this; }

    // Two values in range never overflow 128 bits: only the range is checked.
    friend Decimal operator+(Decimal a, Decimal b) { return checked(a.m_units + b.m_units); }
    friend Decimal operator-(Decimal a, Decimal b) { return checked(a.m_units - b.m_units); }
    // The range is symmetric, so negation cannot leave it.
    friend constexpr Decimal operator-(Decimal a) { return fromUnits(-a.m_units); }
    Decimal &operator+=(Decimal b) { return *this = *this + b; }
    Decimal &operator-=(Decimal b) { return *this = *this - b; }

    friend constexpr auto operator<=>(Decimal, Decimal) = default;
    friend constexpr bool operator==(Decimal, Decimal) = default;

    [[noreturn]] static void overflow();

private:
    static Decimal checked(Units units)
    {
        if (units > kMaxUnits || units < -kMaxUnits)
            overflow();
        return fromUnits(units);
    }

    Units m_units = 0;
};

// Cut toward zero at two decimals.
inline Decimal Trunc2(Decimal x)
{
    return x.rounded(2, Rounding::TowardZero);
}

// Round half away from zero at `decimals` places (0-4).
inline Decimal RoundDec(Decimal x, int decimals)
{
    return x.rounded(decimals, Rounding::HalfAwayFromZero);
}

namespace detail
{
inline constexpr std::int64_t kPow10[] = {1, 10, 100, 1'000, 10'000};

constexpr bool fits64(Decimal::Units u)
{
    return u >= INT64_MIN && u <= INT64_MAX;
}

// q rounded from the exact quotient q + r/den.
template <typename Int> Int roundQuotient(Int q, Int r, Int den, Rounding rounding)
{
    if (rounding == Rounding::HalfAwayFromZero && r != 0) {
        const Int ar = r < 0 ? -r : r;
        const Int ad = den < 0 ? -den : den;
        if (ar >= ad - ar) // |r| >= |den| / 2 without overflow
            q += ((r < 0) != (den < 0)) ? -1 : 1;
    }
    return q;
}

Decimal mulDivWide(Decimal a, Decimal b, Decimal c, int decimals, Rounding rounding);
} // namespace detail

// Values that fit 64 bits (every everyday price) take 64-bit division, which the compiler
// turns into a multiplication for a constant step; 128-bit division is a library call.
inline Decimal Decimal::rounded(int decimals, Rounding rounding) const
{
    const std::int64_t step = detail::kPow10[kDecimals - decimals];
    if (detail::fits64(m_units)) {
        const auto units = std::int64_t(m_units);
        return checked(Units(detail::roundQuotient(units / step, units % step, step, rounding)) *
                       step);
    }
    return checked(detail::roundQuotient<Units>(m_units / step, m_units % step, step, rounding) *
                   step);
}

// Inline so that constant arguments (100, two decimals) turn the divisions into
// multiplications; only products beyond 64 bits take the wide path.
inline Decimal Decimal::mulDiv(Decimal a, Decimal b, Decimal c, int decimals, Rounding rounding)
{
    // In units: a·b/c, then to a multiple of `step`.
    const std::int64_t step = detail::kPow10[kDecimals - decimals];
    std::int64_t num, den;
    if (c.m_units == 0)
        throw DecimalError("decimal division by zero");
    if (!detail::fits64(a.m_units) || !detail::fits64(b.m_units) || !detail::fits64(c.m_units) ||
        __builtin_mul_overflow(std::int64_t(a.m_units), std::int64_t(b.m_units), &num) ||
        __builtin_mul_overflow(std::int64_t(c.m_units), step, &den) || num == INT64_MIN ||
        den == INT64_MIN)
        return detail::mulDivWide(a, b, c, decimals, rounding);
    const std::int64_t q = detail::roundQuotient(num / den, num % den, den, rounding);
    return checked(Units(q) * step);
}

} // namespace vnd::pricing
