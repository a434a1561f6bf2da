#pragma once
// Every method of the remote data module vnd42700.rdmTabGeral.

#include "server/database.h"
#include "server/dispatcher.h"

namespace vnd::server
{

void addAllMethods(Dispatcher &dispatcher, const Database &database);

} // namespace vnd::server
