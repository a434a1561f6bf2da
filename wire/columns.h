#pragma once
// Values of a record set kept by column: numbers, dates and flags in one typed array, texts
// in one buffer with an offset per row, absent values in a bit array. Loading a hundred
// thousand rows costs a few buffers, not an object per cell.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

namespace vnd::data
{

enum class FieldType;

class Column
{
public:
    explicit Column(FieldType type);

    FieldType type() const { return m_type; }
    qsizetype size() const { return qsizetype(m_null.size()); }
    bool isNull(qsizetype row) const { return m_null[size_t(row)]; }

    // The value in the representation a Row holds for this type (null: invalid QVariant).
    QVariant value(qsizetype row) const;

    // Typed reads of a present value.
    qint64 integer(qsizetype row) const { return qint64(m_words[size_t(row)]); }
    double number(qsizetype row) const;
    qint64 stamp(qsizetype row) const { return qint64(m_words[size_t(row)]); } // dates
    bool flag(qsizetype row) const { return m_words[size_t(row)] != 0; }
    // Calls f with the text as a QLatin1StringView or a QStringView (null: empty).
    template <typename F> decltype(auto) withText(qsizetype row, F &&f) const
    {
        const size_t b = m_offsets[size_t(row)], e = m_offsets[size_t(row) + 1];
        if (!m_isWide)
            return f(QLatin1StringView(m_narrow.constData() + b, qsizetype(e - b)));
        return f(QStringView(m_wide.data() + b, qsizetype(e - b)));
    }

    void reserve(qsizetype rows);
    void appendNull();
    // False when the bytes are not valid UTF-8 (nothing appended).
    bool appendUtf8(QByteArrayView bytes);
    void appendText(QStringView text);
    void appendInteger(qint64 v);
    void appendNumber(double v);
    void appendStamp(qint64 v);
    void appendFlag(bool v);
    // A value already in the representation of the type (see Row); null appends null.
    void appendValue(const QVariant &v);
    // Gives back the room reserved but not used.
    void squeeze();

private:
    void widen();
    void endText();

    FieldType m_type;
    std::vector<bool> m_null;
    std::vector<quint64> m_words;   // integers, doubles (bits), date stamps, flags
    std::vector<quint32> m_offsets; // texts: row i is [offsets[i], offsets[i+1])
    QByteArray m_narrow;            // texts while every character fits in Latin-1
    std::vector<char16_t> m_wide;   // texts once one does not
    bool m_isWide = false;
};

// Columns of one packet, in the packet's field order; they are never changed once built,
// so datasets and packets share them.
struct ColumnTable {
    std::vector<std::shared_ptr<const Column>> columns;
    qsizetype rowCount = 0;
};

// Date and date-time values as one comparable number (milliseconds from the Julian epoch).
QVariant dateFromStamp(qint64 stamp);
QVariant dateTimeFromStamp(qint64 stamp);

// The hash of a text, alike for the same characters whatever their storage.
quint64 hashText(QStringView s);
quint64 hashText(QLatin1StringView s);

} // namespace vnd::data
