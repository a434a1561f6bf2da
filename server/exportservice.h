#pragma once
// Methods of the price table export window.

#include "server/database.h"
#include "server/dispatcher.h"

namespace vnd::server
{

void addExportMethods(Dispatcher &dispatcher, const Database &database);

} // namespace vnd::server
