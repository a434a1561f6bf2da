#pragma once
// The promotion window's message table (msgPadrao), in table order.

#include <QStringList>

namespace vnd::promotion
{

QStringList cadAutPromocaoMessages();

} // namespace vnd::promotion
