#pragma once
// Rules of price tables and their validity periods that need no window.

#include <QColor>
#include <QDate>
#include <QString>

namespace vnd
{
class MessageTable;
}

namespace vnd::pricetable
{

// "1".."4" -> Pendente, Liberada, Confirmada, Aprovada; anything else -> "".
QString periodStatusText(const QString &code, const MessageTable &messages);

// Today within [start, end], both inclusive.
bool periodInForce(const QDate &start, const QDate &end, const QDate &today);

// Default start of a new period: today when the table has no period (or no end date),
// otherwise the day after the latest end, even when that lies in the past.
QDate defaultPeriodStart(const QDate &latestEnd, const QDate &today);

// Font colour of a period cell: black for the period in force, red for all others.
QColor periodFontColor(const QDate &start, const QDate &end, const QDate &today);

// What a window acting on one period of one table says it acts on:
// "Tabela 001 - TABELA PADRAO, vigência de 10/08/2026 a 07/11/2026" (no end: "a partir de");
// empty without a table.
QString periodCaption(const QString &table, const QString &name, const QDate &start,
                      const QDate &end);

// "%s" placeholders replaced in order (the message tables use the host's format syntax).
QString formatMessage(QString text, const QStringList &args);

} // namespace vnd::pricetable
