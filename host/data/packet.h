#pragma once
// Record sets as they travel between the application server and the client datasets.

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>

#include <vector>

namespace vnd::data {

enum class FieldType { String, FixedString, Integer, Float, Date, DateTime, Boolean };

// Wire names: "string", "fixedstring", "integer", "float", "date", "datetime", "boolean".
QString fieldTypeName(FieldType type);
// Throws std::invalid_argument for an unknown name.
FieldType fieldTypeFromName(const QString &name);

struct FieldDef {
    QString name;
    FieldType type = FieldType::String;
    int size = 0; // characters for texts, 0 otherwise

    friend bool operator==(const FieldDef &, const FieldDef &) = default;
};

// One value per field, in field order. A null QVariant is "no value"; an empty QString is an
// empty text, which is not the same thing. Value types by field type: String/FixedString ->
// QString, Integer -> qlonglong, Float -> double, Date -> QDate, DateTime -> QDateTime,
// Boolean -> bool.
using Row = QList<QVariant>;

struct DataPacket {
    QList<FieldDef> fields;
    std::vector<Row> rows;

    // Case-insensitive; -1 when absent.
    int indexOf(QStringView fieldName) const;
    bool isEmpty() const { return rows.empty(); }

    friend bool operator==(const DataPacket &, const DataPacket &) = default;
};

struct Change {
    enum class Op { Insert, Modify, Delete };
    Op op = Op::Insert;
    Row oldRow; // Modify and Delete: the row as loaded (or last merged)
    Row newRow; // Insert and Modify: the row now

    friend bool operator==(const Change &, const Change &) = default;
};

struct ChangeSet {
    QList<FieldDef> fields;
    std::vector<Change> changes;

    int indexOf(QStringView fieldName) const;
    bool isEmpty() const { return changes.empty(); }

    friend bool operator==(const ChangeSet &, const ChangeSet &) = default;
};

// Converts a value to the representation its field type uses in a Row (see Row), or
// returns false when it cannot be represented. Null stays null.
bool normalizeValue(FieldType type, QVariant &value);

} // namespace vnd::data
