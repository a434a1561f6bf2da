#include "wire/value.h"

#include <stdexcept>

namespace vnd::data
{

QVariant Value::toVariant() const
{
    switch (kind()) {
    case Kind::Null:
        return QVariant();
    case Kind::Bool:
        return toBool();
    case Kind::Integer:
        return qlonglong(toInteger());
    case Kind::Float:
        return toFloat();
    case Kind::String:
        return toString();
    case Kind::Date:
        return toDate();
    case Kind::DateTime:
        return toDateTime();
    case Kind::Packet:
    case Kind::Delta:
    case Kind::Array:
        break;
    }
    throw std::logic_error("Value::toVariant: not a scalar value");
}

Value Value::fromVariant(const QVariant &v)
{
    if (v.isNull() || !v.isValid())
        return Value();
    switch (v.typeId()) {
    case QMetaType::Bool:
        return Value(v.toBool());
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::SChar:
    case QMetaType::UShort:
    case QMetaType::UInt:
    case QMetaType::UChar:
        return Value(qint64(v.toLongLong()));
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const qulonglong u = v.toULongLong();
        if (u > qulonglong(std::numeric_limits<qint64>::max()))
            return Value(double(u));
        return Value(qint64(u));
    }
    case QMetaType::Double:
    case QMetaType::Float:
        return Value(v.toDouble());
    case QMetaType::QString:
        return Value(v.toString());
    case QMetaType::QByteArray:
        return Value(QString::fromUtf8(v.toByteArray()));
    case QMetaType::QDate:
        return v.toDate().isValid() ? Value(v.toDate()) : Value();
    case QMetaType::QDateTime:
        return v.toDateTime().isValid() ? Value(v.toDateTime()) : Value();
    default:
        break;
    }
    if (v.canConvert<QString>())
        return Value(v.toString());
    throw std::invalid_argument(std::string("Value::fromVariant: unsupported type ") +
                                v.typeName());
}

bool operator==(const Value &a, const Value &b)
{
    if (a.kind() != b.kind())
        return false;
    switch (a.kind()) {
    case Value::Kind::Null:
        return true;
    case Value::Kind::Bool:
        return a.toBool() == b.toBool();
    case Value::Kind::Integer:
        return a.toInteger() == b.toInteger();
    case Value::Kind::Float:
        return a.toFloat() == b.toFloat();
    case Value::Kind::String:
        return a.toString() == b.toString();
    case Value::Kind::Date:
        return a.toDate() == b.toDate();
    case Value::Kind::DateTime:
        return a.toDateTime() == b.toDateTime();
    case Value::Kind::Packet:
        return a.packet() == b.packet();
    case Value::Kind::Delta:
        return a.delta() == b.delta();
    case Value::Kind::Array:
        return a.array() == b.array();
    }
    return false;
}

} // namespace vnd::data
