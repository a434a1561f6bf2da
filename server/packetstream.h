#pragma once
// An answer whose packet rows are encoded as sqlite3 steps through them, a part at a time,
// so that the server's memory does not grow with the number of rows. Used on the thread
// that made it (the statement is that thread's).

#include "server/packetquery.h"
#include "server/rowencoder.h"
#include "server/sqlitereads.h"

#include <QByteArray>

#include <vector>

namespace vnd::server
{

class PacketStream
{
public:
    // Runs the query; `after` is what follows the rows in the answer. Throws DbError.
    PacketStream(PacketQuery query, data::Encoding enc, QByteArray after);

    // Appends the next rows to out until it holds at least `limit` bytes or the answer is
    // complete (then the bytes after the rows are appended too); true once complete.
    // Throws DbError or vnd::Error (a value the wire cannot carry).
    bool fill(QByteArray &out, qsizetype limit);

private:
    void writeRow();
    void writeColumn(int field, int column);

    const PacketQuery m_query;
    CachedStatement m_statement;
    RowEncoder m_encoder;
    QByteArray m_after;
    QByteArray m_scratch;
    bool m_begun = false;
    bool m_done = false;
    // Per field: the last stored text of a date field and its encoding (periods repeat).
    std::vector<QByteArray> m_lastText, m_lastEncoded;
};

} // namespace vnd::server
