#include "pricing/dayhourrules.h"

namespace vnd::pricing
{

namespace
{

// One part of "H:M" as the runtime's time conversion reads it: one or two digits, blanks
// around them ignored.
int timePart(QStringView part)
{
    const QStringView t = part.trimmed();
    if (t.isEmpty() || t.size() > 2)
        return -1;
    int n = 0;
    for (QChar c : t) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        n = n * 10 + (c.unicode() - '0');
    }
    return n;
}

// Minutes since midnight of a valid stored time; -1 for any other text.
int minutesOf(const QString &stored)
{
    if (stored.size() != 4)
        return -1;
    const int h = timePart(QStringView(stored).left(2));
    const int m = timePart(QStringView(stored).mid(2, 2));
    return h >= 0 && h <= 23 && m >= 0 && m <= 59 ? h * 60 + m : -1;
}

} // namespace

bool isValidStoredTime(const QString &stored)
{
    return minutesOf(stored) >= 0;
}

int storedTimeMinutes(const QString &stored)
{
    return minutesOf(stored);
}

const char *timeOrderFault(const QString &start, const QString &end)
{
    // As times, not texts: " 930" (09:30) is after "0800" though a blank sorts first.
    const int from = minutesOf(start), to = minutesOf(end);
    const bool after = from >= 0 && to >= 0 ? from > to : start > end;
    return after ? "HORAMAIOR" : nullptr;
}

const char *modalityFault(Decimal value, Decimal price, Decimal base)
{
    if (!(value > 0))
        return "VALMAIOR";
    if (!(price > 0))
        return "PRECMAI";
    // Twice the base in 128 bits: it may not fit the decimal itself.
    if (!(__int128(price.units()) < 2 * __int128(base.units())))
        return "ACREVAL";
    return nullptr;
}

const char *typedPriceFault(DayHourTerms terms, Decimal price, Decimal base)
{
    return !terms.fixedAmount && !terms.increase && price > base ? "VRPRODDESC_MAIOR" : nullptr;
}

} // namespace vnd::pricing
