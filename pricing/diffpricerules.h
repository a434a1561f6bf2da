#pragma once
// The rules of a bulk differentiated price that need no widgets, shared by the window and the
// server: which day codes the day boxes give, and the checks of the amount, the times and
// the validity. Each check answers the message key of its fault (diffpricemessages.h), or nullptr.

#include "pricing/decimal.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace vnd::diffprice
{

// The day boxes in the order the server receives them.
enum DayBox {
    TodosDias,
    VesperaFeriado,
    Feriado,
    Domingo,
    Segunda,
    Terca,
    Quarta,
    Quinta,
    Sexta,
    Sabado,
    kDayBoxes
};
using DayBoxes = std::array<bool, kDayBoxes>;

// "T" alone when every day is ticked, whatever the other boxes hold; otherwise one code per
// ticked box: "F", "V", then "1" (Sunday) to "7" (Saturday).
QStringList dayCodes(const DayBoxes &boxes);

// "VALINF": a fixed amount that is not above 0.
const char *valueFault(bool percentage, pricing::Decimal amount);
// "VRDESC" or "VRACRE": a percentage not strictly between 0 and 100.
const char *percentFault(bool percentage, bool increase, pricing::Decimal amount);

// A time as the masked field shows it, "HH:MM" (a blank for a missing digit), as the rules
// store it: four digits HHMM. nullopt when it is no time of day (hours 0-23, minutes 0-59).
std::optional<QString> storedTime(const QString &shown);

// "HORARIO" when the start time comes after the end time, both as the masked fields show
// them, compared as times of day: " 9:30" is after "09:00" although a blank sorts before a
// digit. Equal times pass. The window and the server refuse by this one rule.
const char *timeOrderFault(const QString &shownFrom, const QString &shownTo);

// "ValDe" when the validity ends before it starts; "DTVALIDADEINI" when it starts before the
// period; "DTVALIDADEFIN" when it ends after it. A missing date counts as earlier than any.
const char *validityFault(QDate from, QDate to, QDate periodStart, QDate periodEnd);

} // namespace vnd::diffprice
