#include "server/dispatcher.h"

#include "server/arguments.h"
#include "server/errors.h"

#include <QStringList>

namespace vnd::server
{

void Dispatcher::add(const QString &name, Method method)
{
    m_methods.insert(name.toLower(), {name, std::move(method)});
}

void Dispatcher::add(const QString &name, int expected, ArgumentsMethod method)
{
    add(name, [name, expected, method = std::move(method)](const data::ValueArray &args) {
        return method(Arguments(name, args, expected));
    });
}

bool Dispatcher::has(const QString &name) const
{
    return m_methods.contains(name.toLower());
}

QString Dispatcher::registeredName(const QString &name) const
{
    const auto it = m_methods.constFind(name.toLower());
    return it == m_methods.cend() ? name : it->first;
}

CallResult Dispatcher::start(const QString &name, const data::ValueArray &args) const
{
    const auto it = m_methods.constFind(name.toLower());
    if (it == m_methods.cend())
        throw ServiceError::notFound(QStringLiteral("Método não encontrado: %1.").arg(name));
    checkArgumentTexts(it->first, args);
    return it->second(args);
}

data::Reply Dispatcher::call(const QString &name, const data::ValueArray &args) const
{
    CallResult r = start(name, args);
    if (!r.rows)
        return std::move(r.reply);
    data::Value &result = r.reply.result;
    if (result.kind() == data::Value::Kind::Array) {
        data::ValueArray values = result.array();
        values.at(0) = readPacket(*r.rows);
        result = std::move(values);
    } else {
        result = readPacket(*r.rows);
    }
    return std::move(r.reply);
}

QStringList Dispatcher::names() const
{
    QStringList out;
    for (const auto &entry : m_methods)
        out << entry.first;
    out.sort(Qt::CaseInsensitive);
    return out;
}

data::Reply okReply(data::Value result, data::ValueArray refs)
{
    data::Reply reply;
    reply.ok = true;
    reply.result = std::move(result);
    reply.refs = std::move(refs);
    return reply;
}

} // namespace vnd::server

namespace vnd::server
{

CallResult okReply(PacketQuery rows, data::ValueArray refs)
{
    data::DataPacket fields;
    fields.fields = rows.fields;
    return {okReply(std::move(fields), std::move(refs)), std::move(rows)};
}

bool readsOnly(const QString &method)
{
    return method.startsWith(QLatin1String("get"), Qt::CaseInsensitive) ||
           method.compare(QLatin1String("SQL_Pesquisa_ProdutoPDV"), Qt::CaseInsensitive) == 0;
}

} // namespace vnd::server
