#pragma once
// Methods of the item prices and compositions.

#include "server/database.h"
#include "server/dispatcher.h"

namespace vnd::server
{

void addItemPriceMethods(Dispatcher &dispatcher, const Database &database);

} // namespace vnd::server
