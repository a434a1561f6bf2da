#include "server/packetstream.h"

#include "server/database.h"
#include "server/pgreads.h"
#include "server/sqlitereads.h"
#include "server/tabledef.h"

#include <sqlite3.h>

#include <charconv>
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
        : m_query(std::move(query)), m_encoder(enc, m_scratch), m_after(std::move(after)),
          m_lastText(size_t(m_query.fields.size())), m_lastEncoded(size_t(m_query.fields.size()))
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
    // A date stored as text: converted as the whole-packet path does once per distinct text,
    // since neighbouring rows mostly share it (a period's start, say).
    void writeDateText(int field, int column, QByteArrayView text)
    {
        QByteArray &last = m_lastText[size_t(field)];
        QByteArray &encoded = m_lastEncoded[size_t(field)];
        if (last.isNull() || QByteArrayView(last) != text) {
            last = text.toByteArray();
            encoded.clear();
            RowEncoder once(m_encoder.encoding(), encoded);
            const data::FieldDef &f = m_query.fields[field];
            once.cell(f, fromStorage(f.type, row().value(column)));
        }
        m_encoder.raw(encoded);
    }

    const PacketQuery m_query;
    RowEncoder m_encoder;

private:
    QByteArray m_scratch;
    QByteArray m_after;
    bool m_begun = false;
    bool m_done = false;
    // Per field: the last stored text of a date field and its encoding.
    std::vector<QByteArray> m_lastText, m_lastEncoded;
};

// SQLite: the common cases straight from sqlite3.
class SqliteStream final : public StreamBase
{
public:
    SqliteStream(PacketQuery query, data::Encoding enc, QByteArray after)
        : StreamBase(std::move(query), enc, std::move(after)),
          m_statement(*m_query.database, m_query.sql), m_row(m_statement)
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
};

// PostgreSQL: straight from libpq's text.
class PostgresStream final : public StreamBase
{
public:
    PostgresStream(PacketQuery query, data::Encoding enc, QByteArray after)
        : StreamBase(std::move(query), enc, std::move(after)),
          m_statement(*m_query.database, m_query.sql), m_row(m_statement)
    {
        for (const QVariant &v : m_query.values)
            m_statement.bind(v);
        m_statement.exec();
    }

private:
    bool step() override { return m_statement.next(); }
    const RowValues &row() const override { return m_row; }
    void writeColumn(int field, int column) override;

    PgStatement m_statement;
    StatementRow<PgStatement> m_row;
};

} // namespace

std::unique_ptr<PacketStream> PacketStream::open(PacketQuery query, data::Encoding enc,
                                                 QByteArray after)
{
    if (query.database->dialect() == Dialect::Sqlite)
        return std::make_unique<SqliteStream>(std::move(query), enc, std::move(after));
    return std::make_unique<PostgresStream>(std::move(query), enc, std::move(after));
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
            writeDateText(field, column, text);
            return;
        }
        break;
    default:
        break;
    }
    StreamBase::writeColumn(field, column);
}

// The common cases straight from the text PostgreSQL sends; the rest as the packet path
// converts them.
void PostgresStream::writeColumn(int field, int column)
{
    using namespace pgtype;
    const PgStatement &s = m_statement;
    if (s.isNull(column)) {
        m_encoder.null();
        return;
    }
    const data::FieldDef &f = m_query.fields[field];
    const unsigned type = s.type(column);
    const bool textual = type == kText || type == kVarchar || type == kBpchar || type == kName;
    switch (f.type) {
    case FieldType::String:
    case FieldType::FixedString:
        if (textual) {
            m_encoder.text(s.text(column));
            return;
        }
        break;
    case FieldType::Integer:
        if (type == kInt2 || type == kInt4 || type == kInt8) {
            const QByteArrayView text = s.text(column);
            qint64 i = 0;
            const auto r = std::from_chars(text.data(), text.data() + text.size(), i);
            if (r.ec == std::errc() && r.ptr == text.data() + text.size()) {
                m_encoder.integer(i);
                return;
            }
        }
        break;
    case FieldType::Float:
        if (type == kNumeric || type == kFloat8 || type == kFloat4) {
            // As the driver's text or number converts: what no finite double holds (NaN,
            // infinities, a NUMERIC beyond the range) travels as no value.
            bool ok = false;
            const double d = s.text(column).toDouble(&ok);
            if (ok && std::isfinite(d))
                m_encoder.real(d);
            else
                m_encoder.null();
            return;
        }
        break;
    case FieldType::Date:
    case FieldType::DateTime:
        if (textual) {
            writeDateText(field, column, s.text(column));
            return;
        }
        break;
    default:
        break;
    }
    StreamBase::writeColumn(field, column);
}

} // namespace vnd::server
