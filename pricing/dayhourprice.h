#pragma once
// The price arithmetic of a day/hour rule, the same for the window and the server: the price
// a rule's value gives, and the value a typed price gives, each step exact in decimal.

#include "pricing/decimal.h"

#include <QString>

namespace vnd::pricing
{

// How a rule moves the price (IDPERVALORPR, IDDESCACREPR).
struct DayHourTerms {
    bool fixedAmount = true; // "V"; any other code is a percentage
    bool increase = true;    // "A"; any other code is a discount

    // Stored codes; an empty code reads as the window's default, "V" or "A".
    static DayHourTerms fromCodes(const QString &perValor, const QString &descAcre);
};

// Fixed amount: B + V or B − V, not cut. Percentage: A = Trunc2(V / 100 × B), then
// Trunc2(A + B) or Trunc2(B − A). Throws DecimalError when the price does not fit.
Decimal priceFromValue(DayHourTerms terms, Decimal value, Decimal base);

// Fixed amount: P − B for an increase, B − P for a discount. Percentage:
// Trunc2(P × 100 / B) − 100, signed for an increase (a price below the base gives a value the
// checks refuse, never a rule that shows a lower price than it charges) and absolute for a
// discount; 0 over a base of 0 or less, which the checks refuse. Throws DecimalError when the
// value does not fit.
Decimal valueFromPrice(DayHourTerms terms, Decimal price, Decimal base);

} // namespace vnd::pricing
