#pragma once
// The role the back-office shells connect as on PostgreSQL. Their own connection runs the
// windows' lookup SQL straight against the database, so it may read the looked-up tables and
// nothing else: writes go through the server, where they are checked.

#include "server/database.h"

#include <QString>

namespace vnd::server
{

inline constexpr char kShellRole[] = "vnd42700_retaguarda";

// Creates the role when it is missing (the connection's user needs CREATEROLE) and leaves it
// SELECT on the looked-up tables only, whatever it was granted before. Returns what an
// administrator must do when the role is missing and cannot be created here, else empty.
// Nothing to do on SQLite, where the shell opens the file read-only. Throws DbError.
QString grantShellRole(const Database &database);

} // namespace vnd::server
