#include "server/pgreads.h"

#include "server/dberror.h"
#include "server/pgplaceholders.h"
#include "server/pgtransaction.h"

#include <libpq-fe.h>

#include <QDate>
#include <QDateTime>
#include <QSqlError>
#include <QTime>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace vnd::server
{

using namespace pgtype;

namespace
{

QMetaType metaTypeOf(unsigned type)
{
    switch (type) {
    case kBool:
        return QMetaType::fromType<bool>();
    case kInt8:
        return QMetaType::fromType<qlonglong>();
    case kInt2:
    case kInt4:
    case kOid:
        return QMetaType::fromType<int>();
    case kFloat4:
    case kFloat8:
    case kNumeric:
        return QMetaType::fromType<double>();
    case kDate:
        return QMetaType::fromType<QDate>();
    case kTime:
    case kTimeTz:
        return QMetaType::fromType<QTime>();
    case kTimestamp:
    case kTimestampTz:
        return QMetaType::fromType<QDateTime>();
    case kBytea:
        return QMetaType::fromType<QByteArray>();
    default:
        return QMetaType::fromType<QString>();
    }
}

// float4 and float8 as the driver reads them: PostgreSQL's names of the values no digits
// write, and nothing at all for what is no number.
QVariant floatOf(QByteArrayView text)
{
    bool ok = false;
    const double d = text.toDouble(&ok);
    if (ok)
        return d;
    if (text.compare("NaN", Qt::CaseInsensitive) == 0)
        return std::numeric_limits<double>::quiet_NaN();
    if (text.compare("Infinity", Qt::CaseInsensitive) == 0)
        return std::numeric_limits<double>::infinity();
    if (text.compare("-Infinity", Qt::CaseInsensitive) == 0)
        return -std::numeric_limits<double>::infinity();
    return {};
}

// As the QtSql drivers take a value: a null text, bytes or date, or an invalid time, is none.
bool isNullValue(const QVariant &value)
{
    if (value.isNull())
        return true;
    switch (value.typeId()) {
    case QMetaType::QString:
        return static_cast<const QString *>(value.constData())->isNull();
    case QMetaType::QByteArray:
        return static_cast<const QByteArray *>(value.constData())->isNull();
    case QMetaType::QDate:
        return static_cast<const QDate *>(value.constData())->isNull();
    case QMetaType::QTime:
        return !static_cast<const QTime *>(value.constData())->isValid();
    case QMetaType::QDateTime:
        return !static_cast<const QDateTime *>(value.constData())->isValid();
    default:
        return false;
    }
}

// An INSERT, UPDATE or DELETE that returns nothing.
bool writesOnly(const QString &sql)
{
    const QStringView text = QStringView(sql).trimmed();
    for (const char *verb : {"INSERT", "UPDATE", "DELETE"})
        if (text.startsWith(QLatin1String(verb), Qt::CaseInsensitive))
            return !text.contains(QLatin1String("RETURNING"), Qt::CaseInsensitive);
    return false;
}

} // namespace

PgStatement::PgStatement(const Database &database, const QString &sql)
    : PgStatement(database.connection(), sql)
{
}

PgStatement::PgStatement(const QSqlDatabase &db, const QString &sql)
    : m_db(db), m_conn(pgconnOf(m_db)), m_sql(sql)
{
    if (!m_conn)
        throw DbError(DbError::Kind::Unavailable, QStringLiteral("sem conexão PostgreSQL"));
    m_kept = &pgKeptStatement(m_db, sql);
}

PgStatement::~PgStatement()
{
    clearRow();
    // Read to its end rather than cancelled: a cancel may arrive after the statement ended
    // and stop the next one instead.
    drain();
}

void PgStatement::bind(const QVariant &value)
{
    const bool null = isNullValue(value);
    m_nulls.push_back(null);
    if (null) {
        m_values.emplace_back();
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
        m_values.emplace_back(value.toBool() ? "true" : "false");
        return;
    case QMetaType::Double: {
        char buf[32];
        const auto r = std::to_chars(buf, buf + sizeof buf, value.toDouble());
        m_values.emplace_back(buf, r.ptr - buf);
        return;
    }
    case QMetaType::QDate:
        m_values.push_back(value.toDate().toString(Qt::ISODate).toLatin1());
        return;
    case QMetaType::QDateTime:
        m_values.push_back(value.toDateTime().toString(Qt::ISODate).toLatin1());
        return;
    default:
        m_values.push_back(value.toString().toUtf8());
    }
}

void PgStatement::exec()
{
    clearRow();
    m_running = true;
    drain();
    m_hasPending = false;
    if (!m_kept->prepared) {
        const QByteArray sql = numberedPlaceholders(m_sql);
        PGresult *r = PQprepare(m_conn, m_kept->name.constData(), sql.constData(), 0, nullptr);
        if (PQresultStatus(r) != PGRES_COMMAND_OK)
            fail(r);
        PQclear(r);
        m_kept->prepared = true;
    }
    std::vector<const char *> values(m_values.size());
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = m_nulls[i] ? nullptr : m_values[i].constData();
    if (postgresWritePending(m_db)) {
        if (!writesOnly(m_sql)) {
            sendPostgresWrite(m_db);
        } else {
            // A write returns no rows: it can travel behind the transaction's opening.
            m_running = false;
            m_affected =
                sendPostgresWrite(m_db, PgWrite{m_kept, &m_sql, int(values.size()), values.data()});
            m_values.clear();
            m_nulls.clear();
            m_ended = true;
            m_pending = false;
            m_hasPending = true;
            return;
        }
    }
    const int sent = PQsendQueryPrepared(m_conn, m_kept->name.constData(), int(values.size()),
                                         values.data(), nullptr, nullptr, 0);
    m_values.clear();
    m_nulls.clear();
    if (!sent)
        fail(nullptr);
    m_running = true;
    m_ended = false;
    m_affected = -1;
    PQsetSingleRowMode(m_conn);
    // The first result says whether the statement runs: a failure before any row is an
    // ordinary one, and it has run only once it came.
    m_pending = next();
    m_hasPending = true;
    countStatement();
}

bool PgStatement::next()
{
    if (m_hasPending) {
        m_hasPending = false;
        return m_pending;
    }
    clearRow();
    if (m_ended || !m_running)
        return false;
    PGresult *r = PQgetResult(m_conn);
    switch (r ? PQresultStatus(r) : PGRES_FATAL_ERROR) {
    case PGRES_SINGLE_TUPLE:
        m_row = r;
        return true;
    case PGRES_TUPLES_OK:
    case PGRES_COMMAND_OK:
        m_affected = std::atoi(PQcmdTuples(r));
        PQclear(r);
        drain();
        m_ended = true;
        return false;
    default:
        fail(r);
    }
}

bool preparedStatementGone(const char *state)
{
    return state && (qstrcmp(state, "26000") == 0 || qstrcmp(state, "0A000") == 0);
}

void prepareAgain(PgKeptStatement &kept)
{
    kept.prepared = false;
    kept.name += '_';
}

DbError pgFailure(PGconn *conn, const PGresult *result)
{
    const char *state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    QString text = QString::fromUtf8(result ? PQresultErrorMessage(result) : "").simplified();
    if (text.isEmpty())
        text = QString::fromUtf8(PQerrorMessage(conn)).simplified();
    if (PQstatus(conn) == CONNECTION_BAD)
        return DbError(DbError::Kind::Unavailable, text);
    return DbError::fromSqlError(QSqlError(QStringLiteral("libpq"), text, QSqlError::StatementError,
                                           QString::fromLatin1(state ? state : "")));
}

void PgStatement::fail(PGresult *result)
{
    const char *state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const QByteArray code(state ? state : ""); // a copy: the result goes below
    const DbError error = pgFailure(m_conn, result);
    PQclear(result);
    clearRow();
    drain();
    m_ended = true;
    if (preparedStatementGone(code.constData()))
        prepareAgain(*m_kept);
    throw error;
}

void PgStatement::clearRow()
{
    PQclear(m_row);
    m_row = nullptr;
}

void PgStatement::drain()
{
    if (!m_running)
        return;
    while (PGresult *r = PQgetResult(m_conn))
        PQclear(r);
    m_running = false;
}

bool PgStatement::isNull(int column) const
{
    return PQgetisnull(m_row, 0, column) != 0;
}

QByteArrayView PgStatement::text(int column) const
{
    return QByteArrayView(PQgetvalue(m_row, 0, column), PQgetlength(m_row, 0, column));
}

int PgStatement::columnCount() const
{
    return m_row ? PQnfields(m_row) : 0;
}

QString PgStatement::columnName(int column) const
{
    return QString::fromUtf8(PQfname(m_row, column));
}

unsigned PgStatement::type(int column) const
{
    return PQftype(m_row, column);
}

QVariant PgStatement::value(int column) const
{
    const unsigned t = type(column);
    if (isNull(column))
        return QVariant(metaTypeOf(t));
    const QByteArrayView v = text(column);
    switch (t) {
    case kBool:
        return v.startsWith('t');
    case kInt8:
        return v.toLongLong();
    case kInt2:
    case kInt4:
    case kOid:
        return std::atoi(v.data());
    case kNumeric:
        // NUMERIC as its text: exact, as the driver gives it under high precision.
        return QString::fromLatin1(v);
    case kFloat4:
    case kFloat8:
        return floatOf(v);
    case kDate:
        return QDate::fromString(QString::fromLatin1(v), Qt::ISODate);
    case kTime:
    case kTimeTz:
        return QTime::fromString(QString::fromLatin1(v), Qt::ISODate);
    case kTimestamp:
    case kTimestampTz: {
        QString s = QString::fromLatin1(v);
        if (!s.endsWith(u'Z'))
            s.append(u'Z');
        return QDateTime::fromString(s, Qt::ISODate);
    }
    case kBytea: {
        size_t n = 0;
        unsigned char *bytes =
            PQunescapeBytea(reinterpret_cast<const unsigned char *>(v.data()), &n);
        const QByteArray out(reinterpret_cast<const char *>(bytes), qsizetype(n));
        PQfreemem(bytes);
        return out;
    }
    default:
        return QString::fromUtf8(v);
    }
}

} // namespace vnd::server
