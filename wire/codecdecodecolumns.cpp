// The rows of a packet read in one pass straight into typed columns: no value object per
// cell, texts copied once from the body into their column's buffer.

#include "wire/codecvalue.h"

#include <QDate>
#include <QDateTime>

#include <cmath>
#include <optional>

namespace vnd::data::Internal
{

namespace
{

using namespace Qt::StringLiterals;

constexpr qint64 kMsPerDay = 86400000;
constexpr double kInt64Bound = 9223372036854775808.0;

// The first fault of a row, reported once the row's width is known to be right.
struct CellFault {
    qsizetype column = -1;
};

class ColumnReader
{
public:
    ColumnReader(TokenReader &r, const QList<FieldDef> &fields) : m_r(r), m_fields(fields)
    {
        for (const FieldDef &f : fields)
            m_columns.push_back(std::make_shared<Column>(f.type));
        m_last.resize(size_t(fields.size()));
    }

    std::shared_ptr<ColumnTable> read()
    {
        const qsizetype declared = m_r.enterArray();
        if (declared > 0) {
            // The bound only says every row takes a byte or more; a row takes several.
            const qsizetype rows = std::min<qsizetype>(declared, qsizetype(1) << 22);
            for (auto &c : m_columns)
                c->reserve(rows);
        }
        qsizetype row = 0;
        while (m_r.hasNext())
            readRow(row++);
        m_r.leave();
        auto table = std::make_shared<ColumnTable>();
        table->rowCount = row;
        for (auto &c : m_columns) {
            c->squeeze();
            table->columns.push_back(std::move(c));
        }
        return table;
    }

private:
    void readRow(qsizetype row)
    {
        const qsizetype width = m_fields.size();
        m_r.enterArray();
        qsizetype count = 0;
        CellFault fault;
        while (m_r.hasNext()) {
            if (count < width) {
                if (!readCell(count) && fault.column < 0)
                    fault.column = count;
            } else {
                skipScalar();
            }
            ++count;
        }
        m_r.leave();
        if (count != width)
            invalidData(
                u"linha %1 tem %2 valores para %3 campos"_s.arg(row + 1).arg(count).arg(width));
        if (fault.column >= 0) {
            const FieldDef &f = m_fields[fault.column];
            invalidData(u"linha %1, campo %2: esperado %3"_s.arg(row + 1).arg(
                f.name, QString::fromUtf8(fieldTypeWord(f.type))));
        }
    }

    void skipScalar()
    {
        switch (m_r.peek()) {
        case Token::Null:
            m_r.readNull();
            return;
        case Token::Bool:
            m_r.readBool();
            return;
        case Token::Integer:
            m_r.readInteger();
            return;
        case Token::Float:
            m_r.readFloat();
            return;
        case Token::String:
            m_r.readUtf8(m_scratch);
            return;
        case Token::Array:
        case Token::Map:
            break;
        }
        failAt(m_r.position(), u"valor de linha deve ser simples"_s);
    }

    // False when the value does not fit the field (it is read all the same).
    bool readCell(qsizetype c)
    {
        Column &col = *m_columns[size_t(c)];
        const Token t = m_r.peek();
        if (t == Token::Null) {
            m_r.readNull();
            col.appendNull();
            return true;
        }
        switch (m_fields[c].type) {
        case FieldType::String:
        case FieldType::FixedString:
            if (t != Token::String)
                break;
            if (!col.appendUtf8(m_r.readUtf8(m_scratch)))
                failAt(m_r.position(), u"texto UTF-8 inválido"_s);
            return true;
        case FieldType::Integer:
            if (t == Token::Integer) {
                col.appendInteger(m_r.readInteger());
                return true;
            }
            if (t == Token::Float) {
                const double d = m_r.readFloat();
                if (d != std::trunc(d) || d >= kInt64Bound || d < -kInt64Bound) {
                    col.appendNull();
                    return false;
                }
                col.appendInteger(qint64(d));
                return true;
            }
            break;
        case FieldType::Float:
            if (t == Token::Float) {
                col.appendNumber(m_r.readFloat());
                return true;
            }
            if (t == Token::Integer) {
                col.appendNumber(double(m_r.readInteger()));
                return true;
            }
            break;
        case FieldType::Date:
        case FieldType::DateTime:
            if (t != Token::String)
                break;
            if (const auto stamp = readStamp(c)) {
                col.appendStamp(*stamp);
                return true;
            }
            col.appendNull();
            return false;
        case FieldType::Boolean:
            if (t != Token::Bool)
                break;
            col.appendFlag(m_r.readBool());
            return true;
        }
        skipScalar();
        col.appendNull();
        return false;
    }

    // A column's dates mostly repeat (the period start of every row): the last one parsed
    // is reused, as building a local date-time costs a time-zone lookup.
    std::optional<qint64> readStamp(qsizetype c)
    {
        const QByteArrayView bytes = m_r.readUtf8(m_scratch);
        Last &last = m_last[size_t(c)];
        if (last.valid && bytes == QByteArrayView(last.text))
            return last.stamp;
        const QString text = QString::fromUtf8(bytes);
        qint64 stamp = 0;
        if (m_fields[c].type == FieldType::Date) {
            const QDate d = parseDate(text);
            if (!d.isValid())
                return std::nullopt;
            stamp = d.toJulianDay() * kMsPerDay;
        } else {
            const QDateTime dt = parseDateTime(text);
            if (!dt.isValid())
                return std::nullopt;
            stamp = dt.date().toJulianDay() * kMsPerDay + dt.time().msecsSinceStartOfDay();
        }
        last.text = bytes.toByteArray();
        last.stamp = stamp;
        last.valid = true;
        return stamp;
    }

    struct Last {
        QByteArray text;
        qint64 stamp = 0;
        bool valid = false;
    };

    TokenReader &m_r;
    const QList<FieldDef> &m_fields;
    std::vector<std::shared_ptr<Column>> m_columns;
    std::vector<Last> m_last;
    QByteArray m_scratch;
};

} // namespace

std::shared_ptr<ColumnTable> readRowColumns(TokenReader &r, const QList<FieldDef> &fields)
{
    return ColumnReader(r, fields).read();
}

} // namespace vnd::data::Internal
