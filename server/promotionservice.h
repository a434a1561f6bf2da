#pragma once
// Methods of the automatic promotion window.

#include "server/database.h"
#include "server/dispatcher.h"

namespace vnd::server
{

void addPromotionMethods(Dispatcher &dispatcher, const Database &database);

} // namespace vnd::server
