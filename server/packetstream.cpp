#include "server/packetstream.h"

#include "server/database.h"
#include "server/sqlitereads.h"
#include "server/sqlstatement.h"
#include "server/tabledef.h"

#include <sqlite3.h>

#include <cmath>

namespace vnd::server
{

using data::FieldType;

namespace
{

// Rows, their encoder and the bytes after them: what both kinds of stream share.
class StreamBase : public PacketStream
{
public:
    StreamBase(PacketQuery query, data::Encoding enc, QByteArray after)
        : m_query(std::move(query)), m_encoder(enc, m_scratch), m_after(std::move(after))
    {
    }

    bool fill(QByteArray &out, qsizetype limit) final
    {
        if (m_done)
            return true;
        m_encoder.setOutput(out);
        if (!m_begun) {
            m_encoder.beginRows();
            m_begun = true;
        }
        while (out.size() < limit) {
            if (!step()) {
                m_encoder.endRows();
                out.append(m_after);
                m_done = true;
                return true;
            }
            const int n = int(m_query.fields.size());
            m_encoder.beginRow(n);
            for (int i = 0; i < n; ++i) {
                const int column = m_query.columnOf(i);
                if (column == PacketQuery::kComputed)
                    m_encoder.cell(m_query.fields[i], m_query.computed(row(), i));
                else
                    writeColumn(i, column);
            }
            m_encoder.endRow();
            if (m_query.inspect)
                m_query.inspect(row());
        }
        return false;
    }

protected:
    virtual bool step() = 0;
    virtual const RowValues &row() const = 0;
    // Any column as the whole-packet path converts it.
    virtual void writeColumn(int field, int column)
    {
        const data::FieldDef &f = m_query.fields[field];
        m_encoder.cell(f, fromStorage(f.type, row().value(column)));
    }

    const PacketQuery m_query;
    RowEncoder m_encoder;

private:
    QByteArray m_scratch;
    QByteArray m_after;
    bool m_begun = false;
    bool m_done = false;
};

// PostgreSQL and any other QtSql driver: a forward-only statement, which the PostgreSQL
// driver reads a row at a time.
class QtSqlStream final : public StreamBase
{
public:
    QtSqlStream(PacketQuery query, data::Encoding enc, QByteArray after)
        : StreamBase(std::move(query), enc, std::move(after)),
          m_statement(m_query.database->connection(), m_query.sql), m_row(m_statement)
    {
        for (const QVariant &v : m_query.values)
            m_statement.bind(v);
        m_statement.exec();
    }

private:
    bool step() override { return m_statement.next(); }
    const RowValues &row() const override { return m_row; }

    SqlStatement m_statement;
    StatementRow<SqlStatement> m_row;
};

// SQLite: the common cases straight from sqlite3.
class SqliteStream final : public StreamBase
{
public:
    SqliteStream(PacketQuery query, data::Encoding enc, QByteArray after)
        : StreamBase(std::move(query), enc, std::move(after)),
          m_statement(*m_query.database, m_query.sql), m_row(m_statement),
          m_lastText(size_t(m_query.fields.size())), m_lastEncoded(size_t(m_query.fields.size()))
    {
        for (const QVariant &v : m_query.values)
            m_statement.bind(v);
    }

private:
    bool step() override { return m_statement.step(); }
    const RowValues &row() const override { return m_row; }
    void writeColumn(int field, int column) override;

    CachedStatement m_statement;
    StatementRow<CachedStatement> m_row;
    // Per field: the last stored text of a date field and its encoding (periods repeat).
    std::vector<QByteArray> m_lastText, m_lastEncoded;
};

} // namespace

std::unique_ptr<PacketStream> PacketStream::open(PacketQuery query, data::Encoding enc,
                                                 QByteArray after)
{
    if (query.database->dialect() == Dialect::Sqlite)
        return std::make_unique<SqliteStream>(std::move(query), enc, std::move(after));
    return std::make_unique<QtSqlStream>(std::move(query), enc, std::move(after));
}

// The common cases straight from sqlite3; the rest as the packet path converts them.
void SqliteStream::writeColumn(int field, int column)
{
    sqlite3_stmt *s = m_statement.handle();
    const data::FieldDef &f = m_query.fields[field];
    const int type = sqlite3_column_type(s, column);
    if (type == SQLITE_NULL) {
        m_encoder.null();
        return;
    }
    switch (f.type) {
    case FieldType::String:
    case FieldType::FixedString:
        if (type == SQLITE_TEXT || type == SQLITE_BLOB) {
            const auto *p = reinterpret_cast<const char *>(type == SQLITE_TEXT
                                                               ? sqlite3_column_text(s, column)
                                                               : sqlite3_column_blob(s, column));
            m_encoder.text(QByteArrayView(p, sqlite3_column_bytes(s, column)));
            return;
        }
        break;
    case FieldType::Float:
        if (type == SQLITE_INTEGER) {
            m_encoder.real(double(sqlite3_column_int64(s, column)));
            return;
        }
        if (type == SQLITE_FLOAT) {
            const double d = sqlite3_column_double(s, column);
            if (std::isfinite(d))
                m_encoder.real(d);
            else
                m_encoder.null();
            return;
        }
        break;
    case FieldType::Date:
    case FieldType::DateTime:
        if (type == SQLITE_TEXT) {
            const QByteArrayView text(
                reinterpret_cast<const char *>(sqlite3_column_text(s, column)),
                sqlite3_column_bytes(s, column));
            QByteArray &last = m_lastText[size_t(field)];
            QByteArray &encoded = m_lastEncoded[size_t(field)];
            if (last.isNull() || QByteArrayView(last) != text) {
                last = text.toByteArray();
                encoded.clear();
                RowEncoder once(m_encoder.encoding(), encoded);
                once.cell(f, fromStorage(f.type, m_statement.value(column)));
            }
            m_encoder.raw(encoded);
            return;
        }
        break;
    default:
        break;
    }
    StreamBase::writeColumn(field, column);
}

} // namespace vnd::server
