#include "server/dayhourprice.h"

#include "pricing/dayhourprice.h"

namespace vnd::server
{

using pricing::Decimal;

QVariant dayHourPrice(const DayHourTerms &terms, const QVariant &value, const QVariant &itemPrice,
                      const QVariant &clientPrice)
{
    if (value.isNull())
        return {};
    const auto orZero = [](const QVariant &v) {
        return v.isNull() ? std::optional<Decimal>(Decimal()) : Decimal::fromVariant(v);
    };
    const std::optional<Decimal> v = Decimal::fromVariant(value);
    const std::optional<Decimal> item = orZero(itemPrice);
    const std::optional<Decimal> client = orZero(clientPrice);
    if (!v || !item || !client)
        return {};
    try {
        const auto t =
            pricing::DayHourTerms::fromCodes(terms.percentOrValue, terms.discountOrRaise);
        return pricing::priceFromValue(t, *v, *item + *client).toDouble();
    } catch (const pricing::DecimalError &) {
        return {};
    }
}

} // namespace vnd::server
