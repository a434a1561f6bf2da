#pragma once
// The checks and normalisations an item price row goes through before it is posted, as pure
// functions of its values: the grid's before-post runs them on the row being edited, the
// spreadsheet import on every row of a file.

#include <QString>

#include <optional>

namespace vnd
{
class MessageTable;
}

namespace vnd::pricetable
{

// What the post reads and writes of a row. No value: nullopt for prices, "" for texts.
struct ItemPriceValues {
    std::optional<double> preco, comanda, delivery, cliente, sugerido, calculado;
    QString varia, promocao; // "S"/"N"
    QString hrIni, hrFim;    // stored HHMM

    friend bool operator==(const ItemPriceValues &, const ItemPriceValues &) = default;
};

// A refused row: the field at fault and the message the user sees.
struct ItemPriceFault {
    const char *field;
    QString message;
    bool emptiesField = false; // an invalid time is emptied
};

// Steps 1-4 of the post: an empty variable-price flag is "N"; delivery and order-pad prices
// stay empty or are cut to two decimals; consumer and client prices read 0 when empty and are
// cut.
void normaliseItemPrice(ItemPriceValues &v);

// Steps 5-11: the prices' bounds, in order; the first broken.
std::optional<ItemPriceFault> itemPriceFault(const ItemPriceValues &v, const MessageTable &m);

// Steps 13-16: the sales window, start before end; the first broken.
std::optional<ItemPriceFault> itemTimeFault(const ItemPriceValues &v, const MessageTable &m);

} // namespace vnd::pricetable
