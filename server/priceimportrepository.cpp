#include "server/priceimportrepository.h"

#include "server/errors.h"
#include "server/itempricerules.h"
#include "server/sqlstatement.h"
#include "server/unitofwork.h"
#include "wire/codecio.h"

#include <QSet>

namespace vnd::server
{

namespace
{

// Price columns are numbers: compared and stored as numbers on PostgreSQL, where JSON gives
// text.
bool isNumber(const QString &field)
{
    return field.startsWith(u"VR");
}

// The rows as one JSON array bound to one statement: [code, old..., new...] per row, so each
// step is a single pass however many rows (a statement per row costs a round trip each on
// PostgreSQL).
QByteArray rowsAsJson(const data::ChangeSet &changes, const std::vector<int> &index)
{
    QByteArray out;
    out.reserve(qsizetype(changes.changes.size()) * 160);
    out += '[';
    bool firstRow = true;
    const auto value = [&out](const QVariant &v) {
        if (v.isNull() || !v.isValid()) {
            out += "null";
        } else if (v.typeId() == QMetaType::Double) {
            data::Internal::appendJsonFloat(out, v.toDouble());
        } else {
            out += '"';
            data::Internal::appendJsonEscaped(out, v.toString());
            out += '"';
        }
    };
    for (const data::Change &c : changes.changes) {
        out += firstRow ? "[" : ",[";
        firstRow = false;
        for (size_t k = 0; k < index.size(); ++k) {
            if (k)
                out += ',';
            value(c.oldRow.value(index[k]));
        }
        for (size_t k = 1; k < index.size(); ++k) {
            out += ',';
            value(c.newRow.value(index[k]));
        }
        out += ']';
    }
    out += ']';
    return out;
}

} // namespace

const QStringList &PriceImportRepository::fields()
{
    static const QStringList f = {
        QStringLiteral("CDPRODUTO"),     QStringLiteral("VRPRECITEM"),
        QStringLiteral("VRPRECITEMCMD"), QStringLiteral("VRPRECITEMDLV"),
        QStringLiteral("VRPRECITEMCL"),  QStringLiteral("IDPRECVARIA"),
        QStringLiteral("VRPRESUGITEM"),  QStringLiteral("VRCUSTITEM"),
        QStringLiteral("IDPRODPROMOC"),  QStringLiteral("HRINIVENPROD"),
        QStringLiteral("HRFIMVENPROD"),
    };
    return f;
}

qint64 PriceImportRepository::save(const QString &table, QDate start,
                                   const data::ChangeSet &changes) const
{
    const QStringList &names = fields();
    std::vector<int> index;
    for (const QString &f : names) {
        const int i = changes.indexOf(f);
        if (i < 0)
            throw ServiceError::badRequest(
                QStringLiteral("Pacote de alterações sem o campo %1.").arg(f));
        index.push_back(i);
    }
    QSet<QString> products;
    for (const data::Change &c : changes.changes) {
        if (c.op != data::Change::Op::Modify || c.oldRow.size() != changes.fields.size() ||
            c.newRow.size() != changes.fields.size())
            throw ServiceError::badRequest(QStringLiteral(
                "A importação só altera preços: cada registro deve ser uma alteração completa."));
        const QString code = c.oldRow.value(index[0]).toString();
        if (code != c.newRow.value(index[0]).toString() || products.contains(code))
            throw ServiceError::badRequest(
                QStringLiteral("Produto repetido ou alterado na importação: %1.").arg(code));
        products.insert(code);
        try {
            checkItemPriceRow(changes, c.newRow);
        } catch (const ServiceError &e) {
            throw ServiceError::rule(QStringLiteral("Produto %1: %2").arg(code, e.message()));
        }
    }
    if (changes.changes.empty())
        return 0;

    const bool pg = m_database.dialect() == Dialect::Postgres;
    const int n = int(names.size()) - 1; // carried columns besides the code
    const QString is = m_database.nullSafeEquals();
    // The JSON array's elements: j.value ->> i on both databases; numbers cast on PostgreSQL.
    const auto element = [pg, &names, n](int i) {
        const QString e = QStringLiteral("(j.value ->> %1)").arg(i);
        const QString &field = names[i <= n ? i : i - n];
        return pg && i > 0 && isNumber(field) ? QStringLiteral("CAST(%1 AS NUMERIC)").arg(e) : e;
    };
    const QString rows = pg ? QStringLiteral("json_array_elements(CAST(? AS JSON)) AS j(value)")
                            : QStringLiteral("json_each(?) AS j");
    const QString code = element(0);
    QStringList stillAsPreviewed, previewedEmpty, unchanged, sets, newValues, newEmpty;
    for (int i = 1; i <= n; ++i) {
        const QString &c = names[i];
        stillAsPreviewed << QStringLiteral("I.%1%2%3").arg(c, is, element(i));
        previewedEmpty << QStringLiteral("%1 IS NULL").arg(element(i));
        unchanged << QStringLiteral("ITEMPRECO.%1%2%3").arg(c, is, element(n + i));
        sets << QStringLiteral("%1 = %2").arg(c, element(n + i));
        newValues << element(n + i);
        newEmpty << QStringLiteral("%1 IS NULL").arg(element(n + i));
    }
    const QString and_ = QStringLiteral(" AND ");
    const QString keyOf = QStringLiteral("%1.CDTABEPREC = ? AND %1.DTINIVGPREC = ? AND "
                                         "%1.CDPRODUTO = %2 AND %1.CDPRPAITABPR = %2");
    const QByteArray json = rowsAsJson(changes, index);
    const QString day = start.toString(Qt::ISODate);

    UnitOfWork work(m_database);
    const QSqlDatabase db = work.db();

    // Every row another user touched since the preview, all named at once.
    SqlStatement changed(
        db, QStringLiteral("SELECT %1 FROM %2 LEFT JOIN ITEMPRECO I ON %3 "
                           "WHERE NOT EXISTS (SELECT 1 FROM PRODUTO P WHERE P.CDPRODUTO = %1) "
                           "OR (I.CDPRODUTO IS NULL AND NOT (%4)) "
                           "OR (I.CDPRODUTO IS NOT NULL AND NOT (%5))")
                .arg(code, rows, keyOf.arg(QStringLiteral("I"), code), previewedEmpty.join(and_),
                     stillAsPreviewed.join(and_)));
    changed.bind(QString::fromUtf8(json)).bind(table).bind(day).exec();
    QStringList conflicts;
    while (changed.next())
        conflicts << changed.value(0).toString();
    if (!conflicts.isEmpty()) {
        conflicts.sort();
        throw ServiceError::conflict(conflicts);
    }

    qint64 written = 0;
    // Rows the import leaves as they are are not written. The file's rows are materialised
    // first: left to itself SQLite walks the period's items and scans the whole array for
    // each, which made 5,000 rows take 48 s.
    const QString source = pg ? QStringLiteral("SELECT value FROM json_array_elements(CAST(? AS "
                                               "JSON)) AS e(value)")
                              : QStringLiteral("SELECT value FROM json_each(?)");
    SqlStatement update(db, QStringLiteral("WITH j AS MATERIALIZED (%1) "
                                           "UPDATE ITEMPRECO SET %2 FROM j WHERE %3 AND NOT (%4)")
                                .arg(source, sets.join(u','),
                                     keyOf.arg(QStringLiteral("ITEMPRECO"), code),
                                     unchanged.join(and_)));
    written += update.bind(QString::fromUtf8(json)).bind(table).bind(day).exec().rowsAffected();
    SqlStatement insert(
        db, QStringLiteral("INSERT INTO ITEMPRECO (CDTABEPREC, DTINIVGPREC, CDPRODUTO, "
                           "CDPRPAITABPR, %1) SELECT ?, ?, %2, %2, %3 FROM %4 WHERE NOT EXISTS "
                           "(SELECT 1 FROM ITEMPRECO I WHERE %5) AND NOT (%6)")
                .arg(names.mid(1).join(u','), code, newValues.join(u','), rows,
                     keyOf.arg(QStringLiteral("I"), code), newEmpty.join(and_)));
    written += insert.bind(table)
                   .bind(day)
                   .bind(QString::fromUtf8(json))
                   .bind(table)
                   .bind(day)
                   .exec()
                   .rowsAffected();
    work.commit();
    return written;
}

} // namespace vnd::server
