#pragma once
// The export window's message table (msgPadrao), in table order.

#include <QStringList>

namespace vnd::exporttable
{

QStringList importaTabelaMessages();

} // namespace vnd::exporttable
