#pragma once
// Small helpers shared by the item and day/hour price rules: how a refusal is raised, when a
// field counts as empty, and how dates go into fields of either date type.

#include "host/data/clientdataset.h"
#include "pricing/decimal.h"

#include <QDate>
#include <QString>

namespace vnd
{
class MessageTable;
}

namespace vnd::pricetable
{

// Focus on the field first, so the user lands where the fault is, then the message.
[[noreturn]] void refuse(data::Field &field, const MessageTable &messages, const char *key);
// A refusal that leaves the focus where it is.
[[noreturn]] void refuse(const MessageTable &messages, const char *key);

// The record is being edited or inserted.
bool isEditing(const data::ClientDataSet &ds);
// A one-letter flag field holds "S".
bool isFlagOn(const data::ClientDataSet &ds, QStringView fieldName);

// Empty as the user sees it: no value, or a text that is blank or shows only mask literals.
bool isEmptyField(const data::Field &field);

// A price, value or percentage field as an exact decimal: no value reads 0, a value beyond
// the decimal's range is held at its limit.
pricing::Decimal decimalOf(const data::Field &field);

// Stores a date into a Date or DateTime field; an invalid date clears it.
void setDate(data::Field &field, const QDate &date);
// The date part of a Date or DateTime field; invalid when the field has no value.
QDate dateOf(const data::Field &field);

// dd/MM/yyyy, the host's short date format.
QString shortDateText(const QDate &date);

// A stored HHMM time as typed and shown: "1030" -> "10:30"; whenEmpty for an empty text.
QString timeEditText(const QString &stored, const QString &whenEmpty);

// A stored HHMM time as the grids' check reads it: valid as a time, and its shown text
// (hours, colon, minutes) within 23 and 59.
bool storedTimeValid(const QString &stored, const QString &shown);

// The time check of both grids: an invalid time focuses the field, is emptied and is refused
// with "'<edit text>'Hora inválida.". editText is the field's text as shown before emptying.
void checkStoredTime(data::Field &hora, const QString &editText, const MessageTable &messages);

} // namespace vnd::pricetable
