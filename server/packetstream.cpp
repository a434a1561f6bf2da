#include "server/packetstream.h"

#include "server/database.h"
#include "server/pgreads.h"
#include "server/sqlitereads.h"
#include "server/tabledef.h"

#include <sqlite3.h>

#include <charconv>
#include <cmath>
#include <optional>

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
    virtual bool isNull(int column) const = 0;
    // The column's stored text, when it holds text.
    virtual std::optional<QByteArrayView> text(int column) const = 0;
    // The common numbers straight from what the database holds; false for the rest.
    virtual bool writeNumber(const data::FieldDef &f, int column) = 0;

    // Texts and numbers straight from the database; the rest as the whole-packet path
    // converts them.
    void writeColumn(int field, int column)
    {
        if (isNull(column)) {
            m_encoder.null();
            return;
        }
        const data::FieldDef &f = m_query.fields[field];
        switch (f.type) {
        case FieldType::String:
        case FieldType::FixedString:
            if (const auto t = text(column)) {
                m_encoder.text(*t);
                return;
            }
            break;
        case FieldType::Date:
        case FieldType::DateTime:
            if (const auto t = text(column)) {
                writeDateText(field, column, *t);
                return;
            }
            break;
        default:
            if (writeNumber(f, column))
                return;
        }
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

// Rows straight from sqlite3 (CachedStatement) or libpq's text (PgStatement).
template <typename Statement> class DirectStream final : public StreamBase
{
public:
    DirectStream(PacketQuery query, data::Encoding enc, QByteArray after)
        : StreamBase(std::move(query), enc, std::move(after)),
          m_statement(*m_query.database, m_query.sql), m_row(m_statement)
    {
        for (const QVariant &v : m_query.values)
            m_statement.bind(v);
        start();
    }

private:
    void start();
    bool step() override;
    const RowValues &row() const override { return m_row; }
    bool isNull(int column) const override;
    std::optional<QByteArrayView> text(int column) const override;
    bool writeNumber(const data::FieldDef &f, int column) override;

    Statement m_statement;
    StatementRow<Statement> m_row;
};

using SqliteStream = DirectStream<CachedStatement>;
using PostgresStream = DirectStream<PgStatement>;

template <> void SqliteStream::start() {}

template <> bool SqliteStream::step()
{
    return m_statement.step();
}

template <> bool SqliteStream::isNull(int column) const
{
    return sqlite3_column_type(m_statement.handle(), column) == SQLITE_NULL;
}

template <> std::optional<QByteArrayView> SqliteStream::text(int column) const
{
    sqlite3_stmt *s = m_statement.handle();
    const int type = sqlite3_column_type(s, column);
    if (type != SQLITE_TEXT && type != SQLITE_BLOB)
        return std::nullopt;
    const void *p =
        type == SQLITE_TEXT ? sqlite3_column_text(s, column) : sqlite3_column_blob(s, column);
    return QByteArrayView(static_cast<const char *>(p), sqlite3_column_bytes(s, column));
}

template <> bool SqliteStream::writeNumber(const data::FieldDef &f, int column)
{
    sqlite3_stmt *s = m_statement.handle();
    if (f.type != FieldType::Float)
        return false;
    switch (sqlite3_column_type(s, column)) {
    case SQLITE_INTEGER:
        m_encoder.real(double(sqlite3_column_int64(s, column)));
        return true;
    case SQLITE_FLOAT: {
        const double d = sqlite3_column_double(s, column);
        if (std::isfinite(d))
            m_encoder.real(d);
        else
            m_encoder.null();
        return true;
    }
    default:
        return false;
    }
}

template <> void PostgresStream::start()
{
    m_statement.exec();
}

template <> bool PostgresStream::step()
{
    return m_statement.next();
}

template <> bool PostgresStream::isNull(int column) const
{
    return m_statement.isNull(column);
}

template <> std::optional<QByteArrayView> PostgresStream::text(int column) const
{
    using namespace pgtype;
    const unsigned type = m_statement.type(column);
    if (type == kText || type == kVarchar || type == kBpchar || type == kName)
        return m_statement.text(column);
    return std::nullopt;
}

template <> bool PostgresStream::writeNumber(const data::FieldDef &f, int column)
{
    using namespace pgtype;
    const unsigned type = m_statement.type(column);
    if (f.type == FieldType::Integer && (type == kInt2 || type == kInt4 || type == kInt8)) {
        const QByteArrayView text = m_statement.text(column);
        qint64 i = 0;
        const auto r = std::from_chars(text.data(), text.data() + text.size(), i);
        if (r.ec != std::errc() || r.ptr != text.data() + text.size())
            return false;
        m_encoder.integer(i);
        return true;
    }
    if (f.type == FieldType::Float && (type == kNumeric || type == kFloat8 || type == kFloat4)) {
        // As the driver's text or number converts: what no finite double holds (NaN,
        // infinities, a NUMERIC beyond the range) travels as no value.
        bool ok = false;
        const double d = m_statement.text(column).toDouble(&ok);
        if (ok && std::isfinite(d))
            m_encoder.real(d);
        else
            m_encoder.null();
        return true;
    }
    return false;
}

} // namespace

std::unique_ptr<PacketStream> PacketStream::open(PacketQuery query, data::Encoding enc,
                                                 QByteArray after)
{
    if (query.database->dialect() == Dialect::Sqlite)
        return std::make_unique<SqliteStream>(std::move(query), enc, std::move(after));
    return std::make_unique<PostgresStream>(std::move(query), enc, std::move(after));
}

} // namespace vnd::server
