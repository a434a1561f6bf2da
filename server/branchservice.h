#pragma once
// Methods of the branches attached to a price table.

#include "server/database.h"
#include "server/dispatcher.h"

namespace vnd::server
{

void addBranchMethods(Dispatcher &dispatcher, const Database &database);

} // namespace vnd::server
