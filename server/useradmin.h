#pragma once
// The users kept from the command line:
//   --add-user LOGIN --role PAPEL [--name NOME]
//   --set-password LOGIN
//   --disable-user LOGIN / --enable-user LOGIN
// Passwords come from the terminal or standard input (see readNewPassword), never from the
// arguments.

#include "server/database.h"

#include <QString>

#include <functional>

namespace vnd::server
{

struct UserCommand {
    enum class Kind { None, Add, SetPassword, Disable, Enable };
    Kind kind = Kind::None;
    QString login;
    QString role; // Add only
    QString name; // Add only; the login when empty
};

// Runs the command, telling what it did or why it could not through say; the exit status.
int runUserCommand(const Database &database, const UserCommand &command,
                   const std::function<void(const QString &)> &say);

} // namespace vnd::server
