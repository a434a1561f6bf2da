#pragma once
// The stored data as text, table by table in key order: two dumps are equal exactly when
// nothing was written between them (sessions aside, which every call touches).

#include "server/database.h"

#include <QStringList>

namespace vnd::server::test
{

QStringList dumpData(const Database &database);

} // namespace vnd::server::test
