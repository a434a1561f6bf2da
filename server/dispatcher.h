#pragma once
// The remote data module's methods by name, looked up case-insensitively.

#include "server/arguments.h"
#include "server/packetquery.h"
#include "wire/value.h"

#include <QHash>
#include <QString>

#include <functional>
#include <optional>

namespace vnd::server
{

// What a method answers: the reply, and when its result holds a packet still to be read, the
// query that reads the rows (the reply's result, or the first value of its result array, is
// then the packet's fields with no rows).
struct CallResult {
    CallResult(data::Reply r) : reply(std::move(r)) {}
    CallResult(data::Reply r, PacketQuery q) : reply(std::move(r)), rows(std::move(q)) {}

    data::Reply reply;
    std::optional<PacketQuery> rows;
};

using Method = std::function<CallResult(const data::ValueArray &args)>;
using ArgumentsMethod = std::function<CallResult(const Arguments &args)>;

class Dispatcher
{
public:
    void add(const QString &name, Method method);
    // A method of `expected` arguments, read through Arguments under its name.
    void add(const QString &name, int expected, ArgumentsMethod method);
    // Throws ServiceError: 404 for an unknown method, or whatever the method throws.
    data::Reply call(const QString &name, const data::ValueArray &args) const;
    // As call, leaving a packet's rows to be read by whoever sends them.
    CallResult start(const QString &name, const data::ValueArray &args) const;
    bool has(const QString &name) const;
    // The name as registered (the change record keeps it so); the name itself when unknown.
    QString registeredName(const QString &name) const;
    // The names as registered, sorted.
    QStringList names() const;

private:
    QHash<QString, std::pair<QString, Method>> m_methods; // by lower-case name
};

// A success answer: refs holds one value per argument, null where not by reference.
data::Reply okReply(data::Value result, data::ValueArray refs);
// A success answer whose result is the packet the query reads.
CallResult okReply(PacketQuery rows, data::ValueArray refs);

// Whether the method only reads: reads run apart from writes, so that they never wait
// behind a writer waiting for the database.
bool readsOnly(const QString &method);

} // namespace vnd::server
