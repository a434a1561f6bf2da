#pragma once
// The save of the price table window's spreadsheet import.

#include "server/database.h"
#include "server/dispatcher.h"

namespace vnd::server
{

void addPriceImportMethods(Dispatcher &dispatcher, const Database &database);

} // namespace vnd::server
