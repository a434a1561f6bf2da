#pragma once
// The fields of the day/hour price rules (cdsPrecoHora) and their text hooks.

#include "host/data/clientdataset.h"

namespace vnd
{
class MessageTable;
}

namespace vnd::pricetable
{

QList<data::FieldDef> precoHoraFieldDefs();

// Declares the fields with labels, masks and formats on an inactive dataset.
void definePrecoHoraFields(data::ClientDataSet &cdsPrecoHora);

// Edit mask of the rule times (both hour digits optional, colon not stored).
inline constexpr const char *kHoraDiaMask = "99:99;0; ";

// "1200" -> "12:00"; an empty time reads ":".
QString horaDiaText(const QString &stored);
// Text of PRECO, VRPRECODIACMD, VRPRECODIADLV: "" while the dataset has no records,
// otherwise two decimals with the decimal comma, no value reading as 0.
QString precoHoraPriceText(const data::Field &price);

// Installs the get-text/set-text hooks of the four coded fields, the two times and the three
// prices. messages must outlive the dataset. Typed dates stay the host's (CheckDateTime).
void installPrecoHoraTextHooks(data::ClientDataSet &cdsPrecoHora, const MessageTable &messages);

} // namespace vnd::pricetable
