#pragma once
// The component list of a composed product (cdsItemPrecoComp): its fields, and the rule
// that keeps it read-only.

#include "host/data/clientdataset.h"

namespace vnd::pricetable
{

QList<data::FieldDef> itemPrecoCompFieldDefs();

// Declares the fields with labels and formats on an inactive dataset; the product tree code
// takes the product-code picture's edit mask when one is given.
void defineItemPrecoCompFields(data::ClientDataSet &cdsItemPrecoComp,
                               const QString &productCodeMask = QString());

// Components are shown, never changed here: every insert and edit ends silently, so the
// dataset stays in browse and nothing is ever sent from it.
void installItemPrecoCompReadOnly(data::ClientDataSet &cdsItemPrecoComp);

} // namespace vnd::pricetable
