#pragma once
// Argument and result values of application-server calls.

#include "wire/packet.h"

#include <QStringList>

#include <memory>
#include <variant>

namespace vnd::data
{

class Value;
using ValueArray = std::vector<Value>;

class Value
{
public:
    enum class Kind { Null, Bool, Integer, Float, String, Date, DateTime, Packet, Delta, Array };

    Value() = default;
    Value(std::nullptr_t) {}
    Value(bool b) : m_v(b) {}
    Value(int i) : m_v(qint64(i)) {}
    Value(qint64 i) : m_v(i) {}
    Value(double d) : m_v(d) {}
    Value(const char *s) : m_v(QString::fromUtf8(s)) {}
    Value(QString s) : m_v(std::move(s)) {}
    Value(QDate d) : m_v(d) {}
    Value(QDateTime d) : m_v(std::move(d)) {}
    Value(DataPacket p) : m_v(std::make_shared<DataPacket>(std::move(p))) {}
    Value(ChangeSet c) : m_v(std::make_shared<ChangeSet>(std::move(c))) {}
    Value(ValueArray a) : m_v(std::make_shared<ValueArray>(std::move(a))) {}

    Kind kind() const { return static_cast<Kind>(m_v.index()); }
    bool isNull() const { return kind() == Kind::Null; }

    bool toBool() const { return std::get<bool>(m_v); }
    qint64 toInteger() const { return std::get<qint64>(m_v); }
    double toFloat() const { return std::get<double>(m_v); }
    const QString &toString() const { return std::get<QString>(m_v); }
    QDate toDate() const { return std::get<QDate>(m_v); }
    const QDateTime &toDateTime() const { return std::get<QDateTime>(m_v); }
    const DataPacket &packet() const { return *std::get<std::shared_ptr<DataPacket>>(m_v); }
    DataPacket &packet() { return *std::get<std::shared_ptr<DataPacket>>(m_v); }
    const ChangeSet &delta() const { return *std::get<std::shared_ptr<ChangeSet>>(m_v); }
    const ValueArray &array() const { return *std::get<std::shared_ptr<ValueArray>>(m_v); }

    // Scalars only (Null..DateTime), as the QVariant a Row would hold.
    QVariant toVariant() const;
    static Value fromVariant(const QVariant &v);

    // Deep comparison: packets, change sets and arrays by content.
    friend bool operator==(const Value &a, const Value &b);

private:
    std::variant<std::monostate, bool, qint64, double, QString, QDate, QDateTime,
                 std::shared_ptr<DataPacket>, std::shared_ptr<ChangeSet>,
                 std::shared_ptr<ValueArray>>
        m_v;
};

// A server answer: success with a result and the by-reference arguments' values, or an error.
struct Reply {
    bool ok = false;
    Value result;
    ValueArray refs;      // one per argument; null where the argument is not by reference
    QString errorCode;    // short word: "bad_request", "not_found", "conflict", "rule", ...
    QString errorMessage; // Portuguese, shown to the user as it stands
    QStringList errorRows; // a conflict's rows, when the method names them (their keys)
};

enum class Encoding { Json, Cbor };

} // namespace vnd::data
