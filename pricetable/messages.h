#pragma once
// The price table window's message table (msgPadrao), in table order.

#include <QStringList>

namespace vnd::pricetable
{

QStringList tabGeralMessages();

} // namespace vnd::pricetable
