#pragma once
// The chosen-products dataset: the picked list as rows, built at confirmation and sent to the
// server as a data packet. Only CDPRODUTO is filled.

#include "host/data/clientdataset.h"

namespace vnd::selection
{

// Declares IDMARCADO, CDPRODUTO ("Código", hidden), CDARVPROD ("Produto"), NMPRODUTO
// ("Nome") on an inactive dataset without fields.
void defineChosenProducts(data::ClientDataSet &ds);

// Opens the dataset without rows, declaring its fields first when it has none.
void emptyChosenProducts(data::ClientDataSet &ds);

// Replaces the dataset's rows by one row per code of the list text, in list order (opening
// it empty first when needed), so rows of an earlier confirmation never stay behind. A text
// without codes changes nothing.
void listToDataSet(const QString &list, data::ClientDataSet &ds);

} // namespace vnd::selection
