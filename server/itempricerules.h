#pragma once
// Checks the server makes on an item price row before storing it, whoever sends it: the
// window makes the same checks, scripts and other clients might not.

#include "wire/packet.h"

#include <QStringList>

namespace vnd::server
{

// Throws ServiceError (422) with the window's own message for the first rule broken.
void checkItemPriceRow(const data::ChangeSet &changes, const data::Row &row);

// "NAME|NAME|" into its names; throws ServiceError (400) for anything but field names.
QStringList parseEmptyFieldList(const QString &text);

} // namespace vnd::server
