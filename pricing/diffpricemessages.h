#pragma once
// The differentiated-price window's message table (msgPadrao), in table order. The server
// refuses with the same texts.

#include <QStringList>

namespace vnd::diffprice
{

QStringList cadAutPrecoDeferenciadoMessages();

// The text of one key of that table.
QString diffPriceMessage(const char *key);

} // namespace vnd::diffprice
