#include "wire/columns.h"

#include "wire/packet.h"

#include <QDate>
#include <QDateTime>
#include <QUtf8StringView>

#include <bit>
#include <cmath>

namespace vnd::data
{

namespace
{

constexpr qint64 kMsPerDay = 86400000;

bool plainAscii(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

template <typename View> quint64 hashChars(View s)
{
    // FNV-1a over UTF-16 code units, so both storages of a text hash alike.
    quint64 h = 0xcbf29ce484222325ULL;
    for (qsizetype i = 0; i < s.size(); ++i) {
        h ^= quint64(s[i].unicode());
        h *= 0x100000001b3ULL;
    }
    return h;
}

} // namespace

Column::Column(FieldType type) : m_type(type)
{
    if (type == FieldType::String || type == FieldType::FixedString)
        m_offsets.push_back(0);
}

double Column::number(qsizetype row) const
{
    return std::bit_cast<double>(m_words[size_t(row)]);
}

QVariant Column::value(qsizetype row) const
{
    if (isNull(row))
        return QVariant();
    switch (m_type) {
    case FieldType::String:
    case FieldType::FixedString:
        return withText(row, [](auto view) { return QVariant(view.toString()); });
    case FieldType::Integer:
        return QVariant(qlonglong(integer(row)));
    case FieldType::Float:
        return QVariant(number(row));
    case FieldType::Date:
        return dateFromStamp(stamp(row));
    case FieldType::DateTime:
        return dateTimeFromStamp(stamp(row));
    case FieldType::Boolean:
        return QVariant(flag(row));
    }
    return QVariant();
}

void Column::reserve(qsizetype rows)
{
    m_null.reserve(size_t(rows));
    if (m_offsets.empty())
        m_words.reserve(size_t(rows));
    else
        m_offsets.reserve(size_t(rows) + 1);
}

void Column::endText()
{
    m_offsets.push_back(quint32(m_isWide ? m_wide.size() : size_t(m_narrow.size())));
}

void Column::appendNull()
{
    m_null.push_back(true);
    if (m_offsets.empty())
        m_words.push_back(0);
    else
        endText();
}

void Column::widen()
{
    m_wide.reserve(size_t(m_narrow.size()) * 2);
    for (const char c : std::as_const(m_narrow))
        m_wide.push_back(char16_t(static_cast<unsigned char>(c)));
    m_narrow = QByteArray();
    m_isWide = true;
}

bool Column::appendUtf8(QByteArrayView bytes)
{
    if (plainAscii(bytes)) {
        m_null.push_back(false);
        if (m_isWide) {
            for (const char c : bytes)
                m_wide.push_back(char16_t(c));
        } else {
            m_narrow.append(bytes);
        }
        endText();
        return true;
    }
    if (!QUtf8StringView(bytes.data(), bytes.size()).isValidUtf8())
        return false;
    appendText(QString::fromUtf8(bytes));
    return true;
}

void Column::appendText(QStringView text)
{
    if (!m_isWide) {
        for (const QChar c : text) {
            if (c.unicode() > 0xff) {
                widen();
                break;
            }
        }
    }
    m_null.push_back(false);
    if (m_isWide) {
        m_wide.insert(m_wide.end(), text.utf16(), text.utf16() + text.size());
    } else {
        const qsizetype at = m_narrow.size();
        m_narrow.resize(at + text.size());
        char *out = m_narrow.data() + at;
        for (const QChar c : text)
            *out++ = char(c.unicode());
    }
    endText();
}

void Column::appendInteger(qint64 v)
{
    m_null.push_back(false);
    m_words.push_back(quint64(v));
}

void Column::appendNumber(double v)
{
    m_null.push_back(false);
    m_words.push_back(std::bit_cast<quint64>(v));
}

void Column::appendStamp(qint64 v)
{
    appendInteger(v);
}

void Column::appendFlag(bool v)
{
    m_null.push_back(false);
    m_words.push_back(v ? 1 : 0);
}

void Column::appendValue(const QVariant &v)
{
    if (!v.isValid() || v.isNull()) {
        appendNull();
        return;
    }
    switch (m_type) {
    case FieldType::String:
    case FieldType::FixedString:
        appendText(v.toString());
        return;
    case FieldType::Integer:
        appendInteger(v.toLongLong());
        return;
    case FieldType::Float:
        appendNumber(v.toDouble());
        return;
    case FieldType::Date:
        appendStamp(v.toDate().toJulianDay() * kMsPerDay);
        return;
    case FieldType::DateTime: {
        const QDateTime dt = v.toDateTime();
        appendStamp(dt.date().toJulianDay() * kMsPerDay + dt.time().msecsSinceStartOfDay());
        return;
    }
    case FieldType::Boolean:
        appendFlag(v.toBool());
        return;
    }
}

void Column::squeeze()
{
    m_null.shrink_to_fit();
    m_words.shrink_to_fit();
    m_offsets.shrink_to_fit();
    m_narrow.squeeze();
    m_wide.shrink_to_fit();
}

QVariant dateFromStamp(qint64 stamp)
{
    return QVariant(QDate::fromJulianDay(stamp / kMsPerDay));
}

QVariant dateTimeFromStamp(qint64 stamp)
{
    const qint64 day = stamp / kMsPerDay;
    return QVariant(QDateTime(QDate::fromJulianDay(day),
                              QTime::fromMSecsSinceStartOfDay(int(stamp - day * kMsPerDay))));
}

quint64 hashText(QStringView s)
{
    return hashChars(s);
}

quint64 hashText(QLatin1StringView s)
{
    return hashChars(s);
}

} // namespace vnd::data
