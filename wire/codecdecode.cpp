// Structure of values, packets and change sets, read through a token reader. Rows are read
// as plain scalars first and checked against their fields once the whole object is read,
// because a map's keys may come in any order.

#include "wire/codecvalue.h"

#include <QSet>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace vnd::data::Internal
{

void TokenReader::skip()
{
    const Token t = peek();
    if (t != Token::Array && t != Token::Map) {
        skipScalar(t);
        return;
    }
    t == Token::Array ? enterArray() : enterMap();
    while (hasNext()) {
        if (t == Token::Map)
            skipKey();
        skip();
    }
    leave();
}

namespace
{

using namespace Qt::StringLiterals;

// Fields declare sizes in characters; anything beyond this is not a column of ours.
constexpr qint64 kMaxFieldSize = 1 << 20;

[[noreturn]] void invalid(const QString &detail)
{
    invalidData(detail);
}

// The reader already bounds a declared count by the bytes left; a large body could still
// make that bound costly, so growth takes over past a modest reservation.
void reserveBounded(auto &container, qsizetype declared)
{
    constexpr qsizetype kMaxReserve = qsizetype(1) << 16;
    if (declared > 0)
        container.reserve(std::min(declared, kMaxReserve));
}

QString readTextValue(TokenReader &r, const QString &what)
{
    if (r.peek() != Token::String)
        failAt(r.position(), u"esperado texto em \"%1\""_s.arg(what));
    return r.readString();
}

FieldDef readField(TokenReader &r)
{
    FieldDef f;
    bool hasName = false;
    bool hasType = false;
    r.enterMap();
    while (r.hasNext()) {
        const QString key = r.readKey();
        if (key == u"name") {
            f.name = readTextValue(r, key);
            hasName = true;
        } else if (key == u"type") {
            const qsizetype at = r.position();
            const QString type = readTextValue(r, key);
            try {
                f.type = fieldTypeFromName(type);
            } catch (const std::invalid_argument &) {
                failAt(at, u"tipo de campo desconhecido \"%1\""_s.arg(type));
            }
            hasType = true;
        } else if (key == u"size") {
            const qsizetype at = r.position();
            if (r.peek() != Token::Integer)
                failAt(at, u"tamanho de campo deve ser inteiro"_s);
            const qint64 size = r.readInteger();
            if (size < 0 || size > kMaxFieldSize)
                failAt(at, u"tamanho de campo inválido (%1)"_s.arg(size));
            f.size = int(size);
        } else {
            r.skip();
        }
    }
    r.leave();
    if (!hasName || f.name.isEmpty())
        invalid(u"campo sem nome"_s);
    if (!hasType)
        invalid(u"campo \"%1\" sem tipo"_s.arg(f.name));
    return f;
}

QList<FieldDef> readFields(TokenReader &r)
{
    QList<FieldDef> fields;
    reserveBounded(fields, r.enterArray());
    while (r.hasNext())
        fields.append(readField(r));
    r.leave();
    return fields;
}

QVariant readScalar(TokenReader &r)
{
    switch (r.peek()) {
    case Token::Null:
        r.readNull();
        return QVariant();
    case Token::Bool:
        return r.readBool();
    case Token::Integer:
        return qlonglong(r.readInteger());
    case Token::Float:
        return r.readFloat();
    case Token::String:
        return r.readString();
    case Token::Array:
    case Token::Map:
        break;
    }
    failAt(r.position(), u"valor de linha deve ser simples"_s);
}

// widthHint: the expected number of values (JSON declares none).
Row readRawRow(TokenReader &r, qsizetype widthHint = 0)
{
    Row row;
    const qsizetype declared = r.enterArray();
    reserveBounded(row, declared >= 0 ? declared : widthHint);
    while (r.hasNext())
        row.append(readScalar(r));
    r.leave();
    return row;
}

const char *typeWord(FieldType type)
{
    return fieldTypeWord(type);
}

} // namespace

void invalidData(const QString &detail)
{
    throw DecodeError(u"Dados recebidos inválidos: %1."_s.arg(detail));
}

const char *fieldTypeWord(FieldType type)
{
    switch (type) {
    case FieldType::String:
    case FieldType::FixedString:
        return "texto";
    case FieldType::Integer:
        return "número inteiro";
    case FieldType::Float:
        return "número";
    case FieldType::Date:
        return "data AAAA-MM-DD";
    case FieldType::DateTime:
        return "data e hora AAAA-MM-DDTHH:MM:SS";
    case FieldType::Boolean:
        return "verdadeiro ou falso";
    }
    return "";
}

namespace
{

// Converts raw wire scalars to their fields' representations.
class RowConverter
{
public:
    explicit RowConverter(const QList<FieldDef> &fields)
        : m_fields(fields), m_last(size_t(fields.size()))
    {
    }

    void convert(Row &row, qsizetype rowIndex)
    {
        if (row.size() != m_fields.size())
            invalid(u"linha %1 tem %2 valores para %3 campos"_s.arg(rowIndex + 1)
                        .arg(row.size())
                        .arg(m_fields.size()));
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (!convertCell(i, row[i]))
                invalid(u"linha %1, campo %2: esperado %3"_s.arg(rowIndex + 1)
                            .arg(m_fields[i].name, QString::fromUtf8(typeWord(m_fields[i].type))));
        }
    }

private:
    // A column's dates mostly repeat (the period start of every row), and building a local
    // date-time costs a time-zone lookup: the last one parsed is reused.
    struct Last {
        QString text;
        QVariant value;
    };

    template <typename Parse> bool convertDate(qsizetype column, QVariant &v, Parse parse)
    {
        if (v.typeId() != QMetaType::QString)
            return false;
        const QString &text = *static_cast<const QString *>(v.constData());
        Last &last = m_last[size_t(column)];
        if (last.value.isValid() && text == last.text) {
            v = last.value;
            return true;
        }
        const auto parsed = parse(text);
        if (!parsed.isValid())
            return false;
        last.text = text;
        v = parsed;
        last.value = v;
        return true;
    }

    // False when the wire value does not fit the field.
    bool convertCell(qsizetype column, QVariant &v)
    {
        if (!v.isValid()) // raw no value
            return true;
        const int id = v.typeId();
        switch (m_fields[column].type) {
        case FieldType::String:
        case FieldType::FixedString:
            return id == QMetaType::QString;
        case FieldType::Integer:
            if (id == QMetaType::LongLong)
                return true;
            if (id == QMetaType::Double) {
                const double d = v.toDouble();
                if (d != std::trunc(d) || d >= 9223372036854775808.0 || d < -9223372036854775808.0)
                    return false;
                v = qlonglong(d);
                return true;
            }
            return false;
        case FieldType::Float:
            if (id == QMetaType::Double)
                return true;
            if (id == QMetaType::LongLong) {
                v = double(v.toLongLong());
                return true;
            }
            return false;
        case FieldType::Date:
            return convertDate(column, v, [](QStringView t) { return parseDate(t); });
        case FieldType::DateTime:
            return convertDate(column, v, [](QStringView t) { return parseDateTime(t); });
        case FieldType::Boolean:
            return id == QMetaType::Bool;
        }
        return false;
    }

    const QList<FieldDef> &m_fields;
    std::vector<Last> m_last;
};

void checkUniqueNames(const QList<FieldDef> &fields)
{
    QSet<QString> seen;
    for (const FieldDef &f : fields) {
        const QString upper = f.name.toUpper();
        if (seen.contains(upper))
            invalid(u"campo \"%1\" repetido"_s.arg(f.name));
        seen.insert(upper);
    }
}

DataPacket readPacket(TokenReader &r)
{
    DataPacket p;
    bool hasFields = false;
    // Rows after their fields (as every encoder writes them) go straight into columns; rows
    // before them are read as scalars and converted once the fields are known.
    std::shared_ptr<ColumnTable> table;
    std::vector<Row> raw;
    r.enterMap();
    while (r.hasNext()) {
        const QString key = r.readKey();
        if (key == u"fields") {
            if (table)
                invalid(u"pacote com \"fields\" depois de \"rows\""_s);
            p.fields = readFields(r);
            checkUniqueNames(p.fields);
            hasFields = true;
        } else if (key == u"rows" && hasFields) {
            raw.clear();
            table = readRowColumns(r, p.fields);
        } else if (key == u"rows") {
            raw.clear();
            reserveBounded(raw, r.enterArray());
            while (r.hasNext())
                raw.push_back(readRawRow(r, raw.empty() ? 0 : raw.back().size()));
            r.leave();
        } else {
            r.skip();
        }
    }
    r.leave();
    if (!hasFields)
        invalid(u"pacote sem \"fields\""_s);
    if (table) {
        p.rows.setColumns(std::move(table));
        return p;
    }
    RowConverter converter(p.fields);
    for (size_t i = 0; i < raw.size(); ++i)
        converter.convert(raw[i], qsizetype(i));
    p.rows = PacketRows(std::move(raw));
    return p;
}

struct RawChange {
    QString op;
    bool hasOld = false;
    bool hasNew = false;
    Change change;
};

RawChange readChange(TokenReader &r)
{
    RawChange c;
    r.enterMap();
    while (r.hasNext()) {
        const QString key = r.readKey();
        if (key == u"op") {
            c.op = readTextValue(r, key);
        } else if (key == u"old") {
            c.change.oldRow = readRawRow(r);
            c.hasOld = true;
        } else if (key == u"new") {
            c.change.newRow = readRawRow(r);
            c.hasNew = true;
        } else {
            r.skip();
        }
    }
    r.leave();
    return c;
}

ChangeSet readDelta(TokenReader &r)
{
    ChangeSet d;
    std::vector<RawChange> raw;
    bool hasFields = false;
    r.enterMap();
    while (r.hasNext()) {
        const QString key = r.readKey();
        if (key == u"fields") {
            d.fields = readFields(r);
            hasFields = true;
        } else if (key == u"changes") {
            raw.clear();
            reserveBounded(raw, r.enterArray());
            while (r.hasNext())
                raw.push_back(readChange(r));
            r.leave();
        } else {
            r.skip();
        }
    }
    r.leave();
    if (!hasFields)
        invalid(u"alterações sem \"fields\""_s);
    checkUniqueNames(d.fields);
    RowConverter converter(d.fields);
    d.changes.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        RawChange &c = raw[i];
        const qsizetype n = qsizetype(i);
        bool needOld = true;
        bool needNew = true;
        if (c.op == u"insert") {
            c.change.op = Change::Op::Insert;
            needOld = false;
        } else if (c.op == u"modify") {
            c.change.op = Change::Op::Modify;
        } else if (c.op == u"delete") {
            c.change.op = Change::Op::Delete;
            needNew = false;
        } else {
            invalid(u"alteração %1 com operação desconhecida \"%2\""_s.arg(n + 1).arg(c.op));
        }
        if (needOld != c.hasOld || needNew != c.hasNew)
            invalid(
                u"alteração %1 (%2) com linhas \"old\"/\"new\" incorretas"_s.arg(n + 1).arg(c.op));
        if (needOld)
            converter.convert(c.change.oldRow, n);
        if (needNew)
            converter.convert(c.change.newRow, n);
        d.changes.push_back(std::move(c.change));
    }
    return d;
}

Value readTypedMap(TokenReader &r)
{
    r.enterMap();
    if (!r.hasNext())
        invalid(u"objeto vazio no lugar de um valor"_s);
    const qsizetype at = r.position();
    const QString key = r.readKey();
    Value v;
    if (key == u"date") {
        const QDate d = parseDate(readTextValue(r, key));
        if (!d.isValid())
            failAt(at, u"data inválida (esperado AAAA-MM-DD)"_s);
        v = Value(d);
    } else if (key == u"datetime") {
        const QDateTime dt = parseDateTime(readTextValue(r, key));
        if (!dt.isValid())
            failAt(at, u"data e hora inválida (esperado AAAA-MM-DDTHH:MM:SS)"_s);
        v = Value(dt);
    } else if (key == u"packet") {
        v = Value(readPacket(r));
    } else if (key == u"delta") {
        v = Value(readDelta(r));
    } else {
        failAt(at, u"tipo de valor desconhecido \"%1\""_s.arg(key));
    }
    if (r.hasNext())
        failAt(r.position(), u"objeto de valor com chaves a mais"_s);
    r.leave();
    return v;
}

} // namespace

Value readValue(TokenReader &r)
{
    switch (r.peek()) {
    case Token::Null:
        r.readNull();
        return Value();
    case Token::Bool:
        return Value(r.readBool());
    case Token::Integer:
        return Value(r.readInteger());
    case Token::Float:
        return Value(r.readFloat());
    case Token::String:
        return Value(r.readString());
    case Token::Array:
        return Value(readValues(r));
    case Token::Map:
        return readTypedMap(r);
    }
    return Value();
}

ValueArray readValues(TokenReader &r)
{
    ValueArray values;
    reserveBounded(values, r.enterArray());
    while (r.hasNext())
        values.push_back(readValue(r));
    r.leave();
    return values;
}

} // namespace vnd::data::Internal
