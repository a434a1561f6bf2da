#pragma once
// How a database table's columns are stored, and the conversions between the values of
// packets and change sets and the values bound to SQL.

#include "wire/packet.h"

#include <QString>
#include <QVariant>

#include <vector>

namespace vnd::server
{

enum class Storage { Text, Float, Integer, Date };

// A code column's form: digits left-padded with "0" to the column's size (as the windows'
// Ajusta leaves them), and for some also "T", all.
enum class CodeForm { None, Digits, DigitsOrAll };

struct Column {
    QString name;
    Storage storage = Storage::Text;
    int size = 0;          // characters, texts only
    bool key = false;      // part of the primary key
    bool required = false; // NOT NULL; for texts also not blank
    CodeForm code = CodeForm::None;
};

// CDTABEPREC, three digits, in every table that names a price table.
Column tableCodeColumn(bool key);

struct TableSpec {
    QString table;
    std::vector<Column> columns;

    const Column *column(QStringView name) const; // case-insensitive; null when absent
};

// What a value of a change set is for: to be stored (a new row), or to be matched against
// what is stored (an old row, which may hold what was stored before today's checks).
enum class Use { Store, Match };

// A value of a change set made ready for binding: texts checked against the column width
// (fixed-width texts lose their trailing blanks), numbers checked finite, dates turned into
// ISO text. A text to store is refused with control characters in it, and a code is
// normalised to its form or refused. Throws ServiceError (400 for a value of the wrong kind,
// 422 for one that breaks the column's limits).
QVariant toStorage(const Column &column, data::FieldType sentAs, const QVariant &value,
                   Use use = Use::Store);

// A value read from SQL turned into what a packet field of the given type holds. A number that
// cannot be represented (infinite, or no number at all) gives no value.
QVariant fromStorage(data::FieldType type, const QVariant &sqlValue);
// The number a REAL column holds; no value for one that cannot be represented.
QVariant storedReal(const QVariant &sqlValue);

// Equality of two storage values, NULL equal to NULL, floats exact.
bool sameStored(const QVariant &a, const QVariant &b);

} // namespace vnd::server
