#include "server/arguments.h"

#include "server/errors.h"
#include "server/textcheck.h"

namespace vnd::server
{

using data::Value;

Arguments::Arguments(QString method, const data::ValueArray &args, int expected)
    : m_method(std::move(method)), m_args(args)
{
    if (int(args.size()) != expected)
        throw ServiceError::badRequest(
            QStringLiteral("Número de argumentos inválido para %1: esperado(s) %2, recebido(s) %3.")
                .arg(m_method)
                .arg(expected)
                .arg(args.size()));
}

void Arguments::wrongKind(int index, const char *kind) const
{
    throw ServiceError::badRequest(QStringLiteral("O argumento %1 de %2 deve ser %3.")
                                       .arg(index + 1)
                                       .arg(m_method, QString::fromUtf8(kind)));
}

namespace
{

void checkRows(const QList<data::FieldDef> &fields, const data::Row &row)
{
    for (qsizetype i = 0; i < row.size(); ++i)
        if (row[i].typeId() == QMetaType::QString && row[i].toString().contains(QChar(0)))
            throw ServiceError::rule(
                QStringLiteral("O campo %1 não aceita caracteres de controle.")
                    .arg(i < fields.size() ? printable(fields[i].name).left(40) : QString()));
}

void checkValue(const QString &method, int index, const Value &v)
{
    switch (v.kind()) {
    case Value::Kind::String:
        if (hasControlCharacter(v.toString()))
            throw ServiceError::rule(
                QStringLiteral("O argumento %1 de %2 não aceita caracteres de controle.")
                    .arg(index + 1)
                    .arg(method));
        break;
    case Value::Kind::Packet:
        for (const data::Row &row : v.packet().rows)
            checkRows(v.packet().fields, row);
        break;
    case Value::Kind::Delta:
        for (const data::Change &c : v.delta().changes) {
            checkRows(v.delta().fields, c.oldRow);
            checkRows(v.delta().fields, c.newRow);
        }
        break;
    case Value::Kind::Array:
        for (const Value &item : v.array())
            checkValue(method, index, item);
        break;
    default:
        break;
    }
}

} // namespace

void checkArgumentTexts(const QString &method, const data::ValueArray &args)
{
    for (size_t i = 0; i < args.size(); ++i)
        checkValue(method, int(i), args[i]);
}

QString Arguments::text(int index) const
{
    const Value &v = raw(index);
    if (v.isNull())
        return {};
    if (v.kind() != Value::Kind::String)
        wrongKind(index, "um texto");
    return v.toString();
}

QDate Arguments::date(int index) const
{
    const Value &v = raw(index);
    switch (v.kind()) {
    case Value::Kind::Null:
        return {};
    case Value::Kind::Date:
        return v.toDate();
    case Value::Kind::DateTime:
        return v.toDateTime().date();
    default:
        wrongKind(index, "uma data");
    }
}

QDateTime Arguments::dateTime(int index) const
{
    const Value &v = raw(index);
    switch (v.kind()) {
    case Value::Kind::Null:
        return {};
    case Value::Kind::Date:
        return v.toDate().startOfDay();
    case Value::Kind::DateTime:
        return v.toDateTime();
    default:
        wrongKind(index, "uma data e hora");
    }
}

const data::ChangeSet &Arguments::delta(int index) const
{
    const Value &v = raw(index);
    if (v.kind() != Value::Kind::Delta)
        wrongKind(index, "um pacote de alterações");
    return v.delta();
}

bool Arguments::boolean(int index) const
{
    const Value &v = raw(index);
    if (v.kind() != Value::Kind::Bool)
        wrongKind(index, "um booleano");
    return v.toBool();
}

qint64 Arguments::integer(int index) const
{
    const Value &v = raw(index);
    if (v.kind() != Value::Kind::Integer)
        wrongKind(index, "um inteiro");
    return v.toInteger();
}

double Arguments::number(int index) const
{
    const Value &v = raw(index);
    switch (v.kind()) {
    case Value::Kind::Null:
        return 0;
    case Value::Kind::Integer:
        return double(v.toInteger());
    case Value::Kind::Float:
        return v.toFloat();
    default:
        wrongKind(index, "um número");
    }
}

const data::DataPacket &Arguments::packet(int index) const
{
    static const data::DataPacket empty;
    const Value &v = raw(index);
    if (v.isNull())
        return empty;
    if (v.kind() != Value::Kind::Packet)
        wrongKind(index, "um pacote de dados");
    return v.packet();
}

int levelCount(const QString &text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n < 1 || n > 20)
        throw ServiceError::badRequest(
            QStringLiteral("Número de níveis do código de produto inválido: %1.")
                .arg(text.left(20)));
    return n;
}

} // namespace vnd::server
