#pragma once
// --prune-history ANTES-DE --admin LOGIN: an Administrador removes the change record's lines
// older than a day; the removal is itself a line of the record.

#include "server/database.h"

#include <QDate>
#include <QString>

#include <functional>

namespace vnd::server
{

// Asks the administrator's password (terminal or standard input), prunes, tells what it did or
// why not through say; the exit status.
int runPrune(const Database &database, QDate before, const QString &admin,
             const std::function<void(const QString &)> &say);

} // namespace vnd::server
