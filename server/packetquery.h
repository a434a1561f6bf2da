#pragma once
// A packet described by the query that reads it: the statement, its values and the packet's
// fields, each read from a selected column (converted to the field's type) or computed from
// the row. The same description is read whole through QtSql (callers that want the packet)
// or streamed row by row (see PacketStream).

#include "wire/packet.h"

#include <QString>
#include <QVariant>
#include <QVariantList>

#include <functional>
#include <vector>

namespace vnd::server
{

class Database;

// The selected columns of the current row, as the QtSql driver gives them.
class RowValues
{
public:
    virtual ~RowValues() = default;
    virtual QVariant value(int column) const = 0;
};

// The current row of a statement that has value(column) (QtSql's or sqlite3's).
template <typename Statement> class StatementRow final : public RowValues
{
public:
    explicit StatementRow(const Statement &s) : m_s(s) {}
    QVariant value(int column) const override { return m_s.value(column); }

private:
    const Statement &m_s;
};

struct PacketQuery {
    static constexpr int kComputed = -1;

    const Database *database = nullptr;
    QString sql;
    QVariantList values; // bound in order
    QList<data::FieldDef> fields;
    // Per field: the selected column it comes from, or kComputed. Empty: field i from
    // column i.
    std::vector<int> columns;
    std::function<QVariant(const RowValues &row, int field)> computed;
    // Once per row, after its values (e.g. to log what could not be represented).
    std::function<void(const RowValues &row)> inspect;

    int columnOf(int field) const { return columns.empty() ? field : columns[size_t(field)]; }
};

// A packet whose fields come from the selected columns in order.
PacketQuery packetQuery(const Database &database, QString sql, QVariantList values,
                        QList<data::FieldDef> fields);

// Reads the whole packet through QtSql. Throws DbError.
data::DataPacket readPacket(const PacketQuery &query);

} // namespace vnd::server
