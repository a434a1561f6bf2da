#pragma once
// Reads the rows of an executed statement into a packet: one selected column per field, in
// field order.

#include "wire/packet.h"
#include "server/sqlstatement.h"

namespace vnd::server
{

data::DataPacket readPacket(SqlStatement &statement, QList<data::FieldDef> fields);

} // namespace vnd::server
