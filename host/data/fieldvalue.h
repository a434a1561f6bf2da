#pragma once
// How a field's value is read, compared and turned into text and back, by field type.

#include "wire/packet.h"

namespace vnd::data::internal
{

inline bool isNullValue(const QVariant &v)
{
    return !v.isValid() || v.isNull();
}

inline bool isTextType(FieldType t)
{
    return t == FieldType::String || t == FieldType::FixedString;
}

// The metatype a stored value of this field type has (see Row).
int storedMetaType(FieldType t);

// Text of a text value as it is read: a fixed-width text without its trailing blanks;
// a null value reads as empty. The view points into v.
QStringView textView(FieldType t, const QVariant &v);

// The value as code reads it (fixed-width texts without trailing blanks).
QVariant readValue(FieldType t, const QVariant &v);

// null -> "", floats in shortest form with ".", dates dd/MM/yyyy, date-times with
// " hh:mm:ss" when not midnight, booleans "Sim"/"Não".
QString defaultText(FieldType t, const QVariant &v);

// Parses typed text for a field; "" on a non-text field gives null. Throws vnd::Error
// naming the field when the text does not fit the type.
QVariant parseText(FieldType t, const QString &text, const QString &fieldName);

// Brings a value to the stored representation of the type, texts cut to size (when given).
// False when it cannot be represented.
bool conformValue(FieldType t, int size, QVariant &v);

// Date and date-time values as one comparable number (milliseconds from the Julian epoch).
qint64 stampOf(const QVariant &v);

// Exact equality of two stored values; null equals only null.
bool sameValue(const QVariant &a, const QVariant &b);
bool sameRow(const Row &a, const Row &b);

// Order of two stored values of a field: null first, texts as read.
int compareValues(FieldType t, const QVariant &a, const QVariant &b);

// Parses a number typed with "." or "," as decimal separator ("1.234,56", "12,5", "12.5").
bool parseNumber(const QString &text, double &out);
// Parses dd/MM/yyyy (also d/M/yyyy and yyyy-MM-dd), with an optional time for date-times.
bool parseDateTime(const QString &text, QDateTime &out);

} // namespace vnd::data::internal
