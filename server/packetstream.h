#pragma once
// An answer whose packet rows are encoded as the database steps through them, a part at a
// time, so that the server's memory does not grow with the number of rows. Used on the thread
// that made it (the statement and its connection are that thread's).

#include "server/packetquery.h"
#include "server/rowencoder.h"

#include <QByteArray>

#include <memory>

namespace vnd::server
{

class PacketStream
{
public:
    virtual ~PacketStream() = default;
    // Runs the query (sqlite3 straight on SQLite, libpq on PostgreSQL); `after` is
    // what follows the rows in the answer. Throws DbError.
    static std::unique_ptr<PacketStream> open(PacketQuery query, data::Encoding enc,
                                              QByteArray after);
    // Appends the next rows to out until it holds at least `limit` bytes or the answer is
    // complete (then the bytes after the rows are appended too); true once complete.
    // Throws DbError or vnd::Error (a value the wire cannot carry).
    virtual bool fill(QByteArray &out, qsizetype limit) = 0;
};

} // namespace vnd::server
