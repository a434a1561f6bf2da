#pragma once
// Methods of the day/hour price rules.

#include "server/database.h"
#include "server/dispatcher.h"

namespace vnd::server
{

void addDayHourMethods(Dispatcher &dispatcher, const Database &database);

} // namespace vnd::server
