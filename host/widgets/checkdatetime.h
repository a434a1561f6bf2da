#pragma once
// Checking and storing dates typed as text (dd/MM/yyyy, as the masks show them).

#include "host/data/clientdataset.h"

#include <QDate>
#include <QString>

#include <optional>

namespace vnd::widgets
{

// "" or a mask showing only its literals ("  /  /    ") -> a null date (no value);
// a real day/month/year -> the date; anything else -> nullopt. Two-digit years are refused.
std::optional<QDate> parseTypedDate(const QString &text);

// Stores the typed date into the field (no value for an empty text). A text that is no date
// shows "'text' não é uma data válida." through MensErro and ends the operation, leaving the
// field unchanged.
void CheckDateTime(data::Field &field, const QString &text);

// Portuguese week-day name: "Domingo", "Segunda", ..., "Sábado".
QString weekDayName(const QDate &date);

} // namespace vnd::widgets
