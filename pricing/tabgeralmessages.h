#pragma once
// The price table window's message table (msgPadrao), in table order. The server refuses item
// prices with the same texts.

#include <QStringList>

namespace vnd::pricetable
{

QStringList tabGeralMessages();

} // namespace vnd::pricetable
