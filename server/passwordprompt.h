#pragma once
// A new password for the command line: typed twice at the terminal without echo, or one line
// of standard input when that is not a terminal (scripts), so that it never appears among a
// process's arguments.

#include <QString>

#include <optional>

namespace vnd::server
{

// The password; nullopt with a Portuguese reason in error.
std::optional<QString> readNewPassword(QString &error);
// An existing password, asked once the same way.
std::optional<QString> readPassword(QString &error);

} // namespace vnd::server
