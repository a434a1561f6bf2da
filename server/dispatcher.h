#pragma once
// The remote data module's methods by name, looked up case-insensitively.

#include "wire/value.h"

#include <QHash>
#include <QString>

#include <functional>

namespace vnd::server
{

using Method = std::function<data::Reply(const data::ValueArray &args)>;

class Dispatcher
{
public:
    void add(const QString &name, Method method);
    // Throws ServiceError: 404 for an unknown method, or whatever the method throws.
    data::Reply call(const QString &name, const data::ValueArray &args) const;
    bool has(const QString &name) const;
    // The names as registered, sorted.
    QStringList names() const;

private:
    QHash<QString, std::pair<QString, Method>> m_methods; // by lower-case name
};

// A success answer: refs holds one value per argument, null where not by reference.
data::Reply okReply(data::Value result, data::ValueArray refs);

} // namespace vnd::server
