#include "host/db/adoibquery.h"

#include "host/db/hostdatabase.h"
#include "host/services/errors.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

namespace vnd::db
{

using data::FieldType;

TADOIBQuery::TADOIBQuery(QObject *parent) : QObject(parent), m_rows(this) {}

void TADOIBQuery::setParam(const QString &name, const QVariant &value)
{
    QString key = name.startsWith(QLatin1Char(':')) ? name.mid(1) : name;
    m_params.insert(key.toUpper(), value);
}

QVariant TADOIBQuery::param(const QString &name) const
{
    return m_params.value(name.toUpper());
}

void TADOIBQuery::clearParams()
{
    m_params.clear();
}

namespace
{

// The end of a comment starting at i ("--" to the end of the line, "/* ... */"), or i when
// none starts there. An apostrophe in a comment must not be taken for a quote.
qsizetype commentEnd(const QString &sql, qsizetype i)
{
    if (i + 1 >= sql.size())
        return i;
    if (sql.at(i) == QLatin1Char('-') && sql.at(i + 1) == QLatin1Char('-')) {
        const qsizetype eol = sql.indexOf(QLatin1Char('\n'), i);
        return eol < 0 ? sql.size() : eol;
    }
    if (sql.at(i) == QLatin1Char('/') && sql.at(i + 1) == QLatin1Char('*')) {
        const qsizetype close = sql.indexOf(QLatin1String("*/"), i + 2);
        return close < 0 ? sql.size() : close + 2;
    }
    return i;
}

} // namespace

TADOIBQuery::Prepared TADOIBQuery::prepare(const QString &sql)
{
    Prepared out;
    out.sql.reserve(sql.size());
    QChar quote;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        // Comments are left out: QPSQL's own placeholder scan takes an apostrophe in one for
        // a quote and then misses the parameters after it.
        if (quote.isNull()) {
            if (const qsizetype end = commentEnd(sql, i); end > i) {
                out.sql += QLatin1Char(' ');
                i = end - 1;
                continue;
            }
        }
        if (!quote.isNull()) {
            out.sql += c;
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
            out.sql += c;
            continue;
        }
        // "::" is a PostgreSQL cast, not a parameter.
        if (c == QLatin1Char(':') && i + 1 < sql.size() &&
            (sql.at(i + 1).isLetter() || sql.at(i + 1) == QLatin1Char('_')) &&
            (i == 0 || sql.at(i - 1) != QLatin1Char(':'))) {
            qsizetype j = i + 1;
            while (j < sql.size() && (sql.at(j).isLetterOrNumber() || sql.at(j) == '_'))
                ++j;
            out.names << sql.mid(i + 1, j - i - 1).toUpper();
            out.sql += QLatin1Char('?');
            i = j - 1;
            continue;
        }
        out.sql += c;
    }
    return out;
}

bool TADOIBQuery::isReadOnlyStatement(const QString &sql)
{
    const QString s = sql.trimmed();
    const QString first =
        s.section(QRegularExpression(QStringLiteral("[\\s(]+")), 0, 0, QString::SectionSkipEmpty)
            .toUpper();
    if (first != QLatin1String("SELECT") && first != QLatin1String("WITH"))
        return false;
    // One statement only: text after a ';' outside quotes could smuggle a write in.
    QChar quote;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (const qsizetype end = commentEnd(s, i); end > i) {
            i = end - 1;
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
        } else if (c == QLatin1Char(';') && !s.mid(i + 1).trimmed().isEmpty()) {
            return false;
        }
    }
    return true;
}

namespace
{

FieldType typeOf(const QSqlField &f)
{
    switch (f.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Short:
        return FieldType::Integer;
    case QMetaType::Double:
    case QMetaType::Float:
        return FieldType::Float;
    case QMetaType::QDate:
        return FieldType::Date;
    case QMetaType::QDateTime:
        return FieldType::DateTime;
    case QMetaType::Bool:
        return FieldType::Boolean;
    default:
        return FieldType::String;
    }
}

} // namespace

void TADOIBQuery::Open()
{
    const QString text = SQL.join(QLatin1Char('\n'));
    if (!isReadOnlyStatement(text))
        throw Error(QStringLiteral("Consulta recusada: somente consultas de leitura (SELECT) "
                                   "são permitidas."));
    const Prepared prep = prepare(text);
    QSqlQuery q(hostDatabase());
    q.setForwardOnly(true);
    if (!q.prepare(prep.sql))
        throw Error(QStringLiteral("Erro na consulta: %1").arg(q.lastError().text()));
    for (int i = 0; i < prep.names.size(); ++i) {
        if (!m_params.contains(prep.names.at(i)))
            throw Error(
                QStringLiteral("Parâmetro \"%1\" da consulta não informado.").arg(prep.names[i]));
        q.bindValue(i, m_params.value(prep.names.at(i)));
    }
    if (!q.exec())
        throw Error(QStringLiteral("Erro na consulta: %1").arg(q.lastError().text()));

    data::DataPacket packet;
    const QSqlRecord rec = q.record();
    for (int i = 0; i < rec.count(); ++i)
        packet.fields.append({rec.fieldName(i).toUpper(), typeOf(rec.field(i)), 0});
    while (q.next()) {
        data::Row row;
        row.reserve(rec.count());
        for (int i = 0; i < rec.count(); ++i) {
            QVariant v = q.value(i);
            if (v.isNull() || !data::normalizeValue(packet.fields[i].type, v))
                v = QVariant();
            row.append(v);
        }
        packet.rows.push_back(std::move(row));
    }
    q.finish();
    m_rows.loadPacket(std::move(packet));
    for (auto it = DisplayLabels.cbegin(); it != DisplayLabels.cend(); ++it)
        if (data::Field *f = m_rows.findField(it.key()))
            f->displayLabel = it.value();
}

void TADOIBQuery::Close()
{
    m_rows.close();
}

bool TADOIBQuery::Active() const
{
    return m_rows.isActive();
}

bool TADOIBQuery::IsEmpty() const
{
    return !m_rows.isActive() || m_rows.isEmpty();
}

data::Field &TADOIBQuery::FieldByName(const QString &name) const
{
    if (!m_rows.isActive())
        throw Error(QStringLiteral("A consulta não está aberta."));
    return m_rows.fieldByName(name);
}

} // namespace vnd::db
