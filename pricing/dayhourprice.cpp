#include "pricing/dayhourprice.h"

namespace vnd::pricing
{

DayHourTerms DayHourTerms::fromCodes(const QString &perValor, const QString &descAcre)
{
    const QString pv = perValor.trimmed();
    const QString da = descAcre.trimmed();
    return {pv.isEmpty() || pv == QLatin1String("V"), da.isEmpty() || da == QLatin1String("A")};
}

Decimal priceFromValue(DayHourTerms terms, Decimal value, Decimal base)
{
    if (terms.fixedAmount)
        return terms.increase ? base + value : base - value;
    // V / 100 × B in one exact step: cutting V / 100 first would lose digits of V.
    const Decimal amount = Decimal::mulDiv(value, base, 100, 2, Rounding::TowardZero);
    return Trunc2(terms.increase ? amount + base : base - amount);
}

Decimal valueFromPrice(DayHourTerms terms, Decimal price, Decimal base)
{
    if (terms.fixedAmount)
        return terms.increase ? price - base : base - price;
    if (base <= 0)
        return {};
    const Decimal percent = Decimal::mulDiv(price, 100, base, 2, Rounding::TowardZero) - 100;
    return terms.increase ? percent : percent.abs();
}

} // namespace vnd::pricing
