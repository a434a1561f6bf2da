#pragma once
// The prices of a day/hour rule: derived from the entered values and the item's prices, per
// sales modality, and the modality flags toggled from the grid.

#include "host/data/clientdataset.h"
#include "pricetable/dayhourrecord.h"
#include "pricing/decimal.h"

namespace vnd
{
class MessageTable;
}

namespace vnd::pricetable
{

enum class Modalidade { Geral, Delivery, Comanda };

// The modality's item price plus the client price (held at the decimal's limit should the
// sum not fit).
pricing::Decimal basePrice(const CurrentItem &item, Modalidade modalidade);

// calculaPrecoItemDia: only in edit or insert. Empty percentage/value and discount/increase
// default to "V" and "A". The general modality follows the column the user worked in:
// PRECO derives the value, VRPRECODIA the price, any other column leaves both. Delivery and
// comanda always derive the price from their value. A typed general price above the base
// under a percentage discount is refused with VRPRODDESC_MAIOR (focus on PRECO).
// A percentage over a base of 0 cannot be computed: the value becomes 0 and the post's
// checks refuse the rule; a result too large for a price becomes 0 the same way.
void calculaPrecoItemDia(data::ClientDataSet &cdsPrecoHora, const CurrentItem &item,
                         const QString &selectedField, const MessageTable &messages);

// True for IDTPMODGERAL, IDTPMODDLV and IDTPMODCMD.
bool isModalidadeField(const QString &fieldName);

// alteraCheckModalidade: on a modality column, enters edit when needed and toggles the flag
// ("N" -> "S", anything else -> "N"). Returns whether it toggled.
bool alteraCheckModalidade(data::ClientDataSet &cdsPrecoHora, const QString &selectedField);

} // namespace vnd::pricetable
