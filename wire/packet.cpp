#include "wire/packet.h"

#include "wire/columns.h"

#include <QTimeZone>

#include <array>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace vnd::data
{

namespace
{

struct TypeName {
    FieldType type;
    const char *name;
};

constexpr std::array<TypeName, 7> kTypeNames{{
    {FieldType::String, "string"},
    {FieldType::FixedString, "fixedstring"},
    {FieldType::Integer, "integer"},
    {FieldType::Float, "float"},
    {FieldType::Date, "date"},
    {FieldType::DateTime, "datetime"},
    {FieldType::Boolean, "boolean"},
}};

template <typename FieldList> int indexOfField(const FieldList &fields, QStringView name)
{
    for (int i = 0; i < fields.size(); ++i) {
        if (name.compare(fields[i].name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

// Doubles outside this range cannot be held by a qint64 (2^63 is exactly representable).
constexpr double kInt64Bound = 9223372036854775808.0;

bool integralDouble(double d, qlonglong &out)
{
    if (!std::isfinite(d) || d != std::trunc(d) || d >= kInt64Bound || d < -kInt64Bound)
        return false;
    out = static_cast<qlonglong>(d);
    return true;
}

bool textToInteger(const QString &text, qlonglong &out)
{
    bool ok = false;
    out = text.trimmed().toLongLong(&ok);
    return ok;
}

bool textToDouble(const QString &text, double &out)
{
    bool ok = false;
    out = text.trimmed().toDouble(&ok); // always "." as decimal separator
    return ok && std::isfinite(out);
}

// "YYYY-MM-DD", optionally followed by a time ("T" or " " then HH:MM[:SS[.zzz]]), as
// databases store them in text columns.
bool textToDateTime(const QString &raw, QDateTime &out, bool &hasTime)
{
    const QString text = raw.trimmed();
    const QDate date = QDate::fromString(text.left(10), Qt::ISODate);
    if (text.size() < 10 || !date.isValid())
        return false;
    hasTime = text.size() > 10;
    if (!hasTime) {
        out = QDateTime(date, QTime(0, 0));
        return true;
    }
    if (text.at(10) != u'T' && text.at(10) != u' ')
        return false;
    const QStringView rest = QStringView(text).mid(11);
    QTime time = QTime::fromString(rest.toString(), Qt::ISODateWithMs);
    if (!time.isValid())
        return false;
    out = QDateTime(date, time);
    return out.isValid();
}

bool toDate(QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QDate:
        if (!value.toDate().isValid())
            value = QVariant();
        return true;
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        value = dt.isValid() ? QVariant(dt.toLocalTime().date()) : QVariant();
        return true;
    }
    case QMetaType::QString: {
        if (value.toString().trimmed().isEmpty()) {
            value = QVariant();
            return true;
        }
        QDateTime dt;
        bool hasTime = false;
        if (!textToDateTime(value.toString(), dt, hasTime))
            return false;
        value = dt.date();
        return true;
    }
    default:
        return false;
    }
}

bool toDateTime(QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        if (!dt.isValid())
            value = QVariant();
        else if (dt.timeSpec() != Qt::LocalTime)
            value = dt.toLocalTime();
        return true;
    }
    case QMetaType::QDate: {
        const QDate d = value.toDate();
        value = d.isValid() ? QVariant(QDateTime(d, QTime(0, 0))) : QVariant();
        return true;
    }
    case QMetaType::QString: {
        if (value.toString().trimmed().isEmpty()) {
            value = QVariant();
            return true;
        }
        QDateTime dt;
        bool hasTime = false;
        if (!textToDateTime(value.toString(), dt, hasTime))
            return false;
        value = dt;
        return true;
    }
    default:
        return false;
    }
}

bool toInteger(QVariant &value)
{
    qlonglong out = 0;
    switch (value.typeId()) {
    case QMetaType::LongLong:
        return true;
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::SChar:
    case QMetaType::UShort:
    case QMetaType::UInt:
    case QMetaType::UChar:
        value = value.toLongLong();
        return true;
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const qulonglong u = value.toULongLong();
        if (u > qulonglong(std::numeric_limits<qlonglong>::max()))
            return false;
        value = qlonglong(u);
        return true;
    }
    case QMetaType::Double:
    case QMetaType::Float:
        if (!integralDouble(value.toDouble(), out))
            return false;
        value = out;
        return true;
    case QMetaType::QString:
        if (value.toString().trimmed().isEmpty()) {
            value = QVariant();
            return true;
        }
        if (!textToInteger(value.toString(), out))
            return false;
        value = out;
        return true;
    default:
        return false;
    }
}

bool toFloat(QVariant &value)
{
    double out = 0;
    switch (value.typeId()) {
    case QMetaType::Double:
        return std::isfinite(value.toDouble());
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::SChar:
    case QMetaType::UShort:
    case QMetaType::UInt:
    case QMetaType::UChar:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        value = value.toDouble();
        return std::isfinite(value.toDouble());
    case QMetaType::QString:
        if (value.toString().trimmed().isEmpty()) {
            value = QVariant();
            return true;
        }
        if (!textToDouble(value.toString(), out))
            return false;
        value = out;
        return true;
    default:
        return false;
    }
}

bool toBoolean(QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return true;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong: {
        const qlonglong n = value.toLongLong();
        if (n != 0 && n != 1)
            return false;
        value = n == 1;
        return true;
    }
    case QMetaType::QString: {
        const QString s = value.toString().trimmed().toLower();
        if (s.isEmpty())
            value = QVariant();
        else if (s == u"true" || s == u"1")
            value = true;
        else if (s == u"false" || s == u"0")
            value = false;
        else
            return false;
        return true;
    }
    default:
        return false;
    }
}

bool toText(QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return true;
    case QMetaType::QByteArray:
        value = QString::fromUtf8(value.toByteArray());
        return true;
    case QMetaType::QChar:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        value = value.toString();
        return true;
    case QMetaType::Double: {
        const double d = value.toDouble();
        if (!std::isfinite(d))
            return false;
        value = QString::number(d, 'g', QLocale::FloatingPointShortest);
        return true;
    }
    default:
        return false;
    }
}

} // namespace

QString fieldTypeName(FieldType type)
{
    for (const TypeName &t : kTypeNames) {
        if (t.type == type)
            return QString::fromLatin1(t.name);
    }
    return QString();
}

FieldType fieldTypeFromName(const QString &name)
{
    for (const TypeName &t : kTypeNames) {
        if (name == QLatin1StringView(t.name))
            return t.type;
    }
    throw std::invalid_argument("unknown field type: " + name.toStdString());
}

size_t PacketRows::size() const
{
    return m_table ? size_t(m_table->rowCount) : m_rows.size();
}

std::vector<Row> &PacketRows::rows()
{
    materialize();
    return m_rows;
}

const std::vector<Row> &PacketRows::rows() const
{
    materialize();
    return m_rows;
}

void PacketRows::setColumns(std::shared_ptr<const ColumnTable> table)
{
    m_rows.clear();
    m_table = std::move(table);
}

void PacketRows::materialize() const
{
    if (!m_table)
        return;
    const ColumnTable &t = *m_table;
    std::vector<Row> rows(size_t(t.rowCount));
    for (qsizetype i = 0; i < t.rowCount; ++i) {
        Row &row = rows[size_t(i)];
        row.reserve(qsizetype(t.columns.size()));
        for (const auto &c : t.columns)
            row.append(c->value(i));
    }
    m_rows = std::move(rows);
    m_table.reset();
}

int DataPacket::indexOf(QStringView fieldName) const
{
    return indexOfField(fields, fieldName);
}

int ChangeSet::indexOf(QStringView fieldName) const
{
    return indexOfField(fields, fieldName);
}

bool normalizeValue(FieldType type, QVariant &value)
{
    if (value.isNull() || !value.isValid()) {
        value = QVariant();
        return true;
    }
    switch (type) {
    case FieldType::String:
    case FieldType::FixedString:
        return toText(value);
    case FieldType::Integer:
        return toInteger(value);
    case FieldType::Float:
        return toFloat(value);
    case FieldType::Date:
        return toDate(value);
    case FieldType::DateTime:
        return toDateTime(value);
    case FieldType::Boolean:
        return toBoolean(value);
    }
    return false;
}

} // namespace vnd::data
