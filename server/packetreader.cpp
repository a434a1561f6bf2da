#include "server/packetreader.h"

#include "server/tabledef.h"

namespace vnd::server
{

data::DataPacket readPacket(SqlStatement &statement, QList<data::FieldDef> fields)
{
    data::DataPacket packet;
    packet.fields = std::move(fields);
    const int n = int(packet.fields.size());
    while (statement.next()) {
        data::Row row;
        row.reserve(n);
        for (int i = 0; i < n; ++i)
            row.append(fromStorage(packet.fields[i].type, statement.value(i)));
        packet.rows.push_back(std::move(row));
    }
    return packet;
}

} // namespace vnd::server
