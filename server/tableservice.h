#pragma once
// Methods of the price tables and their validity periods.

#include "server/database.h"
#include "server/dispatcher.h"

namespace vnd::server
{

void addTableMethods(Dispatcher &dispatcher, const Database &database);

} // namespace vnd::server
