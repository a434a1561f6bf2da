// Structure of values, packets and change sets, written through a token writer.

#include "wire/codecvalue.h"
#include "wire/error.h"

namespace vnd::data::Internal
{

namespace
{

using namespace Qt::StringLiterals;

[[noreturn]] void unencodable(const QString &what)
{
    throw vnd::Error(u"Não foi possível codificar os dados: %1."_s.arg(what));
}

void writeDate(TokenWriter &w, QDate date)
{
    char buf[10];
    if (!formatDate(date, buf))
        unencodable(u"data fora do intervalo 0001-9999"_s);
    w.ascii(QLatin1StringView(buf, 10));
}

void writeDateTime(TokenWriter &w, const QDateTime &dt)
{
    char buf[19];
    if (!formatDateTime(dt, buf))
        unencodable(u"data e hora fora do intervalo 0001-9999"_s);
    w.ascii(QLatin1StringView(buf, 19));
}

void writeField(TokenWriter &w, const FieldDef &f)
{
    w.beginMap(3);
    w.key("name"_L1);
    w.string(f.name);
    w.key("type"_L1);
    w.string(fieldTypeName(f.type));
    w.key("size"_L1);
    w.integer(f.size);
    w.endMap();
}

void writeFields(TokenWriter &w, const QList<FieldDef> &fields)
{
    w.beginArray(fields.size());
    for (const FieldDef &f : fields)
        writeField(w, f);
    w.endArray();
}

// Slow path of writeCell: a value held in another representation than its field's.
QVariant normalized(const FieldDef &field, const QVariant &value)
{
    QVariant copy = value;
    if (!normalizeValue(field.type, copy))
        unencodable(
            u"valor incompatível com o campo %1 (%2)"_s.arg(field.name, fieldTypeName(field.type)));
    return copy;
}

void writeCell(TokenWriter &w, const FieldDef &field, const QVariant &value)
{
    if (value.isNull()) {
        w.null();
        return;
    }
    switch (field.type) {
    case FieldType::String:
    case FieldType::FixedString:
        if (value.typeId() == QMetaType::QString) {
            w.string(*static_cast<const QString *>(value.constData()));
            return;
        }
        break;
    case FieldType::Integer:
        if (value.typeId() == QMetaType::LongLong) {
            w.integer(value.toLongLong());
            return;
        }
        break;
    case FieldType::Float:
        if (value.typeId() == QMetaType::Double) {
            w.floating(value.toDouble());
            return;
        }
        break;
    case FieldType::Date:
        if (value.typeId() == QMetaType::QDate) {
            if (value.toDate().isValid())
                writeDate(w, value.toDate());
            else
                w.null();
            return;
        }
        break;
    case FieldType::DateTime:
        if (value.typeId() == QMetaType::QDateTime) {
            const QDateTime &dt = *static_cast<const QDateTime *>(value.constData());
            if (dt.isValid())
                writeDateTime(w, dt);
            else
                w.null();
            return;
        }
        break;
    case FieldType::Boolean:
        if (value.typeId() == QMetaType::Bool) {
            w.boolean(value.toBool());
            return;
        }
        break;
    }
    const QVariant copy = normalized(field, value);
    if (copy.isNull())
        w.null();
    else
        writeCell(w, field, copy);
}

void writeRow(TokenWriter &w, const QList<FieldDef> &fields, const Row &row)
{
    if (row.size() != fields.size())
        unencodable(u"linha com %1 valores para %2 campos"_s.arg(row.size()).arg(fields.size()));
    w.beginArray(row.size());
    for (qsizetype i = 0; i < row.size(); ++i)
        writeCell(w, fields[i], row[i]);
    w.endArray();
}

void writePacket(TokenWriter &w, const DataPacket &p)
{
    w.beginMap(1);
    w.key("packet"_L1);
    w.beginMap(2);
    w.key("fields"_L1);
    writeFields(w, p.fields);
    w.key("rows"_L1);
    w.beginArray(qsizetype(p.rows.size()));
    for (const Row &row : p.rows)
        writeRow(w, p.fields, row);
    w.endArray();
    w.endMap();
    w.endMap();
}

void writeChange(TokenWriter &w, const QList<FieldDef> &fields, const Change &c)
{
    const bool hasOld = c.op != Change::Op::Insert;
    const bool hasNew = c.op != Change::Op::Delete;
    w.beginMap(1 + int(hasOld) + int(hasNew));
    w.key("op"_L1);
    switch (c.op) {
    case Change::Op::Insert:
        w.ascii("insert"_L1);
        break;
    case Change::Op::Modify:
        w.ascii("modify"_L1);
        break;
    case Change::Op::Delete:
        w.ascii("delete"_L1);
        break;
    }
    if (hasOld) {
        w.key("old"_L1);
        writeRow(w, fields, c.oldRow);
    }
    if (hasNew) {
        w.key("new"_L1);
        writeRow(w, fields, c.newRow);
    }
    w.endMap();
}

void writeDelta(TokenWriter &w, const ChangeSet &d)
{
    w.beginMap(1);
    w.key("delta"_L1);
    w.beginMap(2);
    w.key("fields"_L1);
    writeFields(w, d.fields);
    w.key("changes"_L1);
    w.beginArray(qsizetype(d.changes.size()));
    for (const Change &c : d.changes)
        writeChange(w, d.fields, c);
    w.endArray();
    w.endMap();
    w.endMap();
}

} // namespace

void writeValue(TokenWriter &w, const Value &v)
{
    switch (v.kind()) {
    case Value::Kind::Null:
        w.null();
        break;
    case Value::Kind::Bool:
        w.boolean(v.toBool());
        break;
    case Value::Kind::Integer:
        w.integer(v.toInteger());
        break;
    case Value::Kind::Float:
        w.floating(v.toFloat());
        break;
    case Value::Kind::String:
        w.string(v.toString());
        break;
    case Value::Kind::Date:
        if (!v.toDate().isValid()) {
            w.null();
            break;
        }
        w.beginMap(1);
        w.key("date"_L1);
        writeDate(w, v.toDate());
        w.endMap();
        break;
    case Value::Kind::DateTime:
        if (!v.toDateTime().isValid()) {
            w.null();
            break;
        }
        w.beginMap(1);
        w.key("datetime"_L1);
        writeDateTime(w, v.toDateTime());
        w.endMap();
        break;
    case Value::Kind::Packet:
        writePacket(w, v.packet());
        break;
    case Value::Kind::Delta:
        writeDelta(w, v.delta());
        break;
    case Value::Kind::Array:
        writeValues(w, v.array());
        break;
    }
}

void writeValues(TokenWriter &w, const ValueArray &values)
{
    w.beginArray(qsizetype(values.size()));
    for (const Value &v : values)
        writeValue(w, v);
    w.endArray();
}

} // namespace vnd::data::Internal
