#pragma once
// The item price limit that the windows and the server share: a price at or above it is
// refused.

#include "pricing/decimal.h"

namespace vnd::pricing
{

inline constexpr double kPriceLimit = 999999999999999.0;

// Every price below the limit, a price plus its client price (a day/hour rule's base) and
// twice that (the highest price a rule may give) fit the decimal type, so every price that can
// be stored can be computed with.
static_assert(Decimal::Units(999'999'999'999'999) * 2 * 2 * Decimal::kScale < Decimal::kMaxUnits);

} // namespace vnd::pricing
