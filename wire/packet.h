#pragma once
// Record sets as they travel between the application server and the client datasets.

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>

#include <initializer_list>
#include <memory>
#include <vector>

namespace vnd::data
{

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

struct ColumnTable;

// The rows of a packet. A decoded packet holds its values by column (see columns.h) and builds
// rows only when they are asked for, so a client dataset takes the columns as they came.
class PacketRows
{
public:
    using value_type = Row;
    using iterator = std::vector<Row>::iterator;
    using const_iterator = std::vector<Row>::const_iterator;
    using size_type = size_t;
    using reference = Row &;
    using const_reference = const Row &;

    PacketRows() = default;
    PacketRows(std::initializer_list<Row> rows) : m_rows(rows) {}
    PacketRows(std::vector<Row> rows) : m_rows(std::move(rows)) {}
    PacketRows &operator=(std::initializer_list<Row> rows)
    {
        m_table.reset();
        m_rows = rows;
        return *this;
    }

    size_t size() const;
    bool empty() const { return size() == 0; }
    Row &operator[](size_t i) { return rows()[i]; }
    const Row &operator[](size_t i) const { return rows()[i]; }
    Row &at(size_t i) { return rows().at(i); }
    const Row &at(size_t i) const { return rows().at(i); }
    Row &front() { return rows().front(); }
    const Row &front() const { return rows().front(); }
    Row &back() { return rows().back(); }
    const Row &back() const { return rows().back(); }
    iterator begin() { return rows().begin(); }
    iterator end() { return rows().end(); }
    const_iterator begin() const { return rows().begin(); }
    const_iterator end() const { return rows().end(); }
    const_iterator cbegin() const { return rows().cbegin(); }
    const_iterator cend() const { return rows().cend(); }
    void push_back(const Row &r) { rows().push_back(r); }
    void push_back(Row &&r) { rows().push_back(std::move(r)); }
    template <typename... A> Row &emplace_back(A &&...a)
    {
        return rows().emplace_back(std::forward<A>(a)...);
    }
    void pop_back() { rows().pop_back(); }
    void reserve(size_t n) { rows().reserve(n); }
    void clear()
    {
        m_table.reset();
        m_rows.clear();
    }

    // As rows, built from the columns the first time.
    std::vector<Row> &rows();
    const std::vector<Row> &rows() const;
    operator const std::vector<Row> &() const { return rows(); }

    // The columns of a decoded packet; null once rows were asked for (or never held).
    const std::shared_ptr<const ColumnTable> &columns() const { return m_table; }
    void setColumns(std::shared_ptr<const ColumnTable> table);

    friend bool operator==(const PacketRows &a, const PacketRows &b)
    {
        return a.rows() == b.rows();
    }

private:
    void materialize() const;

    mutable std::vector<Row> m_rows;
    mutable std::shared_ptr<const ColumnTable> m_table;
};

struct DataPacket {
    QList<FieldDef> fields;
    PacketRows rows;

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
