#pragma once
// SetPrecDif and SQL_Pesquisa_ProdutoPDV.

#include "server/database.h"
#include "server/dispatcher.h"

namespace vnd::server
{

void addDiffPriceMethods(Dispatcher &dispatcher, const Database &database);

} // namespace vnd::server
