#pragma once
// The texts of the day/hour rule messages, by the keys of the window's message table. The
// window's table takes them from here, so the server refuses a rule with the very text the
// window shows.

#include <QString>
#include <QStringView>

namespace vnd::pricing
{

// The text of a rule message key (DIAINF, HoraInv, ACREVAL, TpConsNCad, ...); empty for a key
// that is no rule message.
QString dayHourMessage(QStringView key);

// A time refusal as the window words it: the time as shown ("HH:MM", a lone ":" when empty)
// between apostrophes, then the text of HoraInv.
QString invalidTimeMessage(const QString &stored);

} // namespace vnd::pricing
