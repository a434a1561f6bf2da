#pragma once
// The resulting price of a day/hour rule in one sales modality, computed from the stored rule
// and the item's current prices with the window's own arithmetic, so it never goes stale.

#include <QString>
#include <QVariant>

namespace vnd::server
{

struct DayHourTerms {
    QString percentOrValue;  // IDPERVALORPR: "V" fixed amount, anything else a percentage
    QString discountOrRaise; // IDDESCACREPR: "A" increase, anything else a discount
};

// value: the rule's entered value for the modality; itemPrice and clientPrice: the item's
// price of that modality and its client price (no value reads as 0), as read from the
// database. No value in, no value out; a value or price that cannot be represented travels
// as no value too.
QVariant dayHourPrice(const DayHourTerms &terms, const QVariant &value, const QVariant &itemPrice,
                      const QVariant &clientPrice);

} // namespace vnd::server
