#pragma once
// How a database table's columns are stored, and the conversions between the values of
// packets and change sets and the values bound to SQL.

#include "host/data/packet.h"

#include <QString>
#include <QVariant>

#include <vector>

namespace vnd::server
{

enum class Storage { Text, Float, Integer, Date };

struct Column {
    QString name;
    Storage storage = Storage::Text;
    int size = 0;          // characters, texts only
    bool key = false;      // part of the primary key
    bool required = false; // NOT NULL; for texts also not blank
};

struct TableSpec {
    QString table;
    std::vector<Column> columns;

    const Column *column(QStringView name) const; // case-insensitive; null when absent
};

// A value of a change set made ready for binding: texts checked against the column width
// (fixed-width texts lose their trailing blanks), numbers checked finite, dates turned into
// ISO text. Throws ServiceError (400 for a value of the wrong kind, 422 for one that breaks
// the column's limits).
QVariant toStorage(const Column &column, data::FieldType sentAs, const QVariant &value);

// A value read from SQL turned into what a packet field of the given type holds.
QVariant fromStorage(data::FieldType type, const QVariant &sqlValue);

// Equality of two storage values, NULL equal to NULL, floats exact.
bool sameStored(const QVariant &a, const QVariant &b);

} // namespace vnd::server
