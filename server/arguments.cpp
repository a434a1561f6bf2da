#include "server/arguments.h"

#include "server/errors.h"

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

const data::ChangeSet &Arguments::delta(int index) const
{
    const Value &v = raw(index);
    if (v.kind() != Value::Kind::Delta)
        wrongKind(index, "um pacote de alterações");
    return v.delta();
}

} // namespace vnd::server
