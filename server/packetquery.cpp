#include "server/packetquery.h"

#include "server/database.h"
#include "server/sqlstatement.h"
#include "server/tabledef.h"

namespace vnd::server
{

PacketQuery packetQuery(const Database &database, QString sql, QVariantList values,
                        QList<data::FieldDef> fields)
{
    PacketQuery q;
    q.database = &database;
    q.sql = std::move(sql);
    q.values = std::move(values);
    q.fields = std::move(fields);
    return q;
}

data::DataPacket readPacket(const PacketQuery &query)
{
    SqlStatement q(query.database->connection(), query.sql);
    for (const QVariant &v : query.values)
        q.bind(v);
    q.exec();
    const StatementRow<SqlStatement> row(q);
    data::DataPacket packet;
    packet.fields = query.fields;
    const int n = int(packet.fields.size());
    while (q.next()) {
        data::Row cells;
        cells.reserve(n);
        for (int i = 0; i < n; ++i) {
            const int column = query.columnOf(i);
            cells.append(column == PacketQuery::kComputed
                             ? query.computed(row, i)
                             : fromStorage(packet.fields[i].type, q.value(column)));
        }
        if (query.inspect)
            query.inspect(row);
        packet.rows.push_back(std::move(cells));
    }
    return packet;
}

} // namespace vnd::server
