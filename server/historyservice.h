#pragma once
// Methods of the change record: an item's history, the changes in a range, an item as it
// stood at a moment.

#include "server/database.h"
#include "server/dispatcher.h"

namespace vnd::server
{

void addHistoryMethods(Dispatcher &dispatcher, const Database &database);

} // namespace vnd::server
