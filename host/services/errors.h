#pragma once
// The two ways an operation ends early. Header-only so that every layer can throw them.

#include <QString>
#include <stdexcept>

namespace vnd {

// Ends the current operation quietly: the handler guard swallows it without a message.
// Thrown after a message was already shown (MensErro) or when a refusal needs none.
struct SilentAbort {
};

// A failure the user must be told about; the handler guard shows message().
class Error : public std::runtime_error
{
public:
    explicit Error(const QString &message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

} // namespace vnd
