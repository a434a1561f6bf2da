#pragma once
// A failure the user must be told about, in Portuguese. Thrown by the codecs and caught by
// the host's handler guard or the server's request handler alike.

#include <QString>
#include <stdexcept>

namespace vnd
{

class Error : public std::runtime_error
{
public:
    explicit Error(const QString &message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

} // namespace vnd
