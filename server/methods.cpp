#include "server/methods.h"

#include "server/branchservice.h"
#include "server/dayhourservice.h"
#include "server/diffpriceservice.h"
#include "server/exportservice.h"
#include "server/historyservice.h"
#include "server/itempriceservice.h"
#include "server/previewservice.h"
#include "server/priceimportservice.h"
#include "server/promotionservice.h"
#include "server/tableservice.h"

namespace vnd::server
{

void addAllMethods(Dispatcher &dispatcher, const Database &database)
{
    addTableMethods(dispatcher, database);
    addBranchMethods(dispatcher, database);
    addItemPriceMethods(dispatcher, database);
    addPriceImportMethods(dispatcher, database);
    addDayHourMethods(dispatcher, database);
    addExportMethods(dispatcher, database);
    addDiffPriceMethods(dispatcher, database);
    addPromotionMethods(dispatcher, database);
    addPreviewMethods(dispatcher, database);
    addHistoryMethods(dispatcher, database);
}

} // namespace vnd::server
