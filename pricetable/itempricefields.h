#pragma once
// The fields of cdsItemPreco, in the order the server sends them and the empty-field list
// walks them.

#include "host/data/clientdataset.h"

namespace vnd::pricetable
{

QList<data::FieldDef> itemPrecoFieldDefs();

// Declares the fields with their labels and masks on an inactive dataset. The product tree
// code takes the product-code picture's edit mask when one is given.
void defineItemPrecoFields(data::ClientDataSet &cdsItemPreco,
                           const QString &productCodeMask = QString());

// Edit mask of the sales time window: first hour digit optional, colon not stored.
inline constexpr const char *kHoraVendaMask = "!90:00;0; ";

} // namespace vnd::pricetable
