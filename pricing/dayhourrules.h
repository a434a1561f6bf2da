#pragma once
// The checks of a day/hour rule that need no user: times, and each modality's value and price.
// Each answers the message key of the fault it finds, so the window and the server refuse
// with the same text.

#include "pricing/dayhourprice.h"

#include <QString>

namespace vnd::pricing
{

// A time of day as the rules keep it: four characters HHMM reading as hours 0-23 and minutes
// 0-59 (blanks around the digits tolerated, as the optional first hour digit of the masks
// leaves one).
bool isValidStoredTime(const QString &stored);
// Its minutes since midnight; -1 for a text that is no valid stored time.
int storedTimeMinutes(const QString &stored);

// "HORAMAIOR" when the start is after the end (equal times pass); nullptr otherwise. Valid
// times compare as times (a blank hour digit reads as 0), any other texts as texts.
const char *timeOrderFault(const QString &start, const QString &end);

// The value and price of one modality: "VALMAIOR" when the value is not above 0, "PRECMAI"
// when the price is not above 0, "ACREVAL" when the price is not below twice the base;
// nullptr when all pass.
const char *modalityFault(Decimal value, Decimal price, Decimal base);

// "VRPRODDESC_MAIOR": a typed price above the base under a percentage discount.
const char *typedPriceFault(DayHourTerms terms, Decimal price, Decimal base);

} // namespace vnd::pricing
