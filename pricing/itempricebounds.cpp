#include "pricing/itempricebounds.h"

namespace vnd::pricing
{

const char *priceBoundFault(const PriceBound &bound, double price)
{
    if (bound.belowZero && price < 0)
        return bound.belowZero;
    const std::optional<Decimal> d = Decimal::fromDouble(price);
    if (!d || *d >= kPriceLimit)
        return bound.atLimit;
    return nullptr;
}

} // namespace vnd::pricing
