#pragma once
// The resulting price of a day/hour rule in one sales modality, with the same arithmetic
// the price table window uses, so a stored rule never shows a stale price.

#include <QString>
#include <QVariant>

namespace vnd::server
{

struct DayHourTerms {
    QString percentOrValue;  // IDPERVALORPR: "V" fixed amount, anything else a percentage
    QString discountOrRaise; // IDDESCACREPR: "A" increase, anything else a discount
};

// value: the rule's entered value for the modality; itemPrice and clientPrice: the item's
// price of that modality and its client price (no value reads as 0). No value in, no value
// out.
QVariant dayHourPrice(const DayHourTerms &terms, const QVariant &value, const QVariant &itemPrice,
                      const QVariant &clientPrice);

} // namespace vnd::server
