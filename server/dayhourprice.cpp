#include "server/dayhourprice.h"

#include "host/services/codes.h"

namespace vnd::server
{

QVariant dayHourPrice(const DayHourTerms &terms, const QVariant &value, const QVariant &itemPrice,
                      const QVariant &clientPrice)
{
    if (value.isNull())
        return {};
    // Empty terms read as the window's defaults: a fixed amount, an increase.
    const QString pv = terms.percentOrValue.trimmed();
    const QString da = terms.discountOrRaise.trimmed();
    const bool fixedAmount = pv.isEmpty() || pv == QLatin1String("V");
    const bool increase = da.isEmpty() || da == QLatin1String("A");
    const double v = value.toDouble();
    const double base = itemPrice.toDouble() + clientPrice.toDouble();
    if (fixedAmount)
        return increase ? v + base : base - v;
    const double a = vnd::Trunc2(v / 100 * base);
    return increase ? vnd::Trunc2(a + base) : vnd::Trunc2(base - a);
}

} // namespace vnd::server
