#include "server/priceimportrepository.h"

#include "server/dberror.h"
#include "server/errors.h"
#include "server/itempricerules.h"
#include "server/sqlitereads.h"
#include "server/sqlstatement.h"
#include "server/unitofwork.h"
#include "wire/codecio.h"

#include <sqlite3.h>

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <memory>

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

// Run as it is, not prepared: PostgreSQL refuses PREPARE for savepoints.
void execDirect(const QSqlDatabase &db, const QByteArray &sql)
{
    QSqlQuery q(db);
    if (!q.exec(QString::fromLatin1(sql)))
        throw DbError::fromSqlError(q.lastError());
}

// "WITH F AS (...)": the rows of the JSON array bound first, as columns; numbers cast, as
// JSON gives text.
QString jsonRows(const QStringList &names)
{
    const int n = int(names.size()) - 1;
    const auto element = [&names](int i, int field) {
        const QString e = QStringLiteral("(j.value ->> %1)").arg(i);
        return field > 0 && isNumber(names[field]) ? QStringLiteral("CAST(%1 AS NUMERIC)").arg(e)
                                                   : e;
    };
    QStringList columns{QStringLiteral("%1 AS K").arg(element(0, 0))};
    for (int i = 1; i <= n; ++i)
        columns << QStringLiteral("%1 AS O%2").arg(element(i, i)).arg(i)
                << QStringLiteral("%1 AS N%2").arg(element(n + i, i)).arg(i);
    return QStringLiteral("WITH F AS MATERIALIZED (SELECT %1 FROM "
                          "json_array_elements(CAST(? AS JSON)) AS j(value))")
        .arg(columns.join(u','));
}

// The rows into a table of the connection, emptied first; answers "WITH F AS (...)" over it.
QString fillImportTable(const QSqlDatabase &db, const data::ChangeSet &changes,
                        const std::vector<int> &index)
{
    const int n = int(index.size()) - 1;
    QStringList columns{QStringLiteral("K")};
    for (int i = 1; i <= n; ++i)
        columns << QStringLiteral("O%1").arg(i) << QStringLiteral("N%1").arg(i);
    // One table per width: a connection keeps it for the next import, which may carry other
    // fields.
    const QString table = QStringLiteral("temp.VND_IMPORTA%1").arg(n);
    execDirect(db, QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS VND_IMPORTA%1 (%2)")
                       .arg(n)
                       .arg(columns.join(u','))
                       .toLatin1());
    execDirect(db, ("DELETE FROM " + table).toLatin1());
    sqlite3 *handle = sqliteOf(db);
    sqlite3_stmt *insert = nullptr;
    const QByteArray sql = QStringLiteral("INSERT INTO %1 VALUES (%2)")
                               .arg(table, QStringLiteral("?,").repeated(2 * n) + u'?')
                               .toLatin1();
    if (const int rc = sqlite3_prepare_v2(handle, sql.constData(), -1, &insert, nullptr))
        throwSqliteError(handle, rc);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> finalize(insert, sqlite3_finalize);
    for (const data::Change &c : changes.changes) {
        bindValue(handle, insert, 1, c.oldRow[index[0]]);
        for (int i = 1; i <= n; ++i) {
            bindValue(handle, insert, 2 * i, c.oldRow[index[i]]);
            bindValue(handle, insert, 2 * i + 1, c.newRow[index[i]]);
        }
        if (const int rc = sqlite3_step(insert); rc != SQLITE_DONE)
            throwSqliteError(handle, rc);
        sqlite3_reset(insert);
    }
    // Materialised, or SQLite walks the period's items and scans the table for each.
    return QStringLiteral("WITH F AS MATERIALIZED (SELECT * FROM %1)").arg(table);
}

// Both without a value, or equal (a number as a number, whatever its type).
bool sameValue(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    return a == b;
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
    // The code and the editable fields the set carries: only those are compared with the
    // stored rows and written, so a field the import leaves keeps what another user gave it.
    QStringList names;
    std::vector<int> index;
    for (const QString &f : fields())
        if (const int i = changes.indexOf(f); i >= 0) {
            names << f;
            index.push_back(i);
        }
    if (index.empty() || names.front() != fields().front())
        throw ServiceError::badRequest(
            QStringLiteral("Pacote de alterações sem o campo %1.").arg(fields().front()));
    if (names.size() == 1 && !changes.changes.empty())
        throw ServiceError::badRequest(
            QStringLiteral("Pacote de alterações sem nenhum campo de preço."));
    const int n = int(names.size()) - 1; // carried columns besides the code
    const ItemPriceRowCheck checkRow(changes);
    QSet<QString> products;
    products.reserve(qsizetype(changes.changes.size()));
    qint64 written = 0;
    bool unpriced = false; // a row previewed without a price row
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
            checkRow(c.newRow);
        } catch (const ServiceError &e) {
            throw ServiceError::rule(QStringLiteral("Produto %1: %2").arg(code, e.message()));
        }
        bool same = true, empty = true;
        for (int k = 1; k <= n; ++k) {
            const QVariant &was = c.oldRow[index[k]];
            same = same && sameValue(was, c.newRow[index[k]]);
            empty = empty && was.isNull();
        }
        written += same ? 0 : 1;
        unpriced = unpriced || empty;
    }
    if (changes.changes.empty())
        return 0;

    const bool pg = m_database.dialect() == Dialect::Postgres;
    const QString is = m_database.nullSafeEquals();
    QStringList stillAsPreviewed, previewedIn, previewedEmpty, sets, newValues, newEmpty;
    for (int i = 1; i <= n; ++i) {
        const QString &c = names[i];
        stillAsPreviewed << QStringLiteral("ITEMPRECO.%1%2F.O%3").arg(c, is).arg(i);
        previewedIn << QStringLiteral("I.%1%2F.O%3").arg(c, is).arg(i);
        previewedEmpty << QStringLiteral("F.O%1 IS NULL").arg(i);
        sets << QStringLiteral("%1 = F.N%2").arg(c).arg(i);
        newValues << QStringLiteral("F.N%1").arg(i);
        newEmpty << QStringLiteral("F.N%1 IS NULL").arg(i);
    }
    const QString and_ = QStringLiteral(" AND ");
    const QString keyOf = QStringLiteral("%1.CDTABEPREC = ? AND %1.DTINIVGPREC = ? AND "
                                         "%1.CDPRODUTO = F.K AND %1.CDPRPAITABPR = F.K");
    const QString day = start.toString(Qt::ISODate);

    UnitOfWork work(m_database);
    const QSqlDatabase db = work.db();
    // F: the file's rows, K the product, Oi each field as previewed, Ni as it is to be stored.
    // SQLite reads them from a table of the connection filled row by row (extracting 2
    // million JSON elements cost it 1.7 s); PostgreSQL from one JSON array.
    const QString json = pg ? QString::fromUtf8(rowsAsJson(changes, index)) : QString();
    const QString from = pg ? jsonRows(names) : fillImportTable(db, changes, index);
    const auto bindRows = [&](SqlStatement &q) -> SqlStatement & { return pg ? q.bind(json) : q; };

    // Only rows still as previewed are written; any other makes the count fall short.
    execDirect(db, "SAVEPOINT vnd_importa");
    SqlStatement update(db, QStringLiteral("%1 UPDATE ITEMPRECO SET %2 FROM F WHERE %3 AND %4")
                                .arg(from, sets.join(u','), keyOf.arg(QStringLiteral("ITEMPRECO")),
                                     stillAsPreviewed.join(and_)));
    qint64 stored = bindRows(update).bind(table).bind(day).exec().rowsAffected();
    if (unpriced) {
        SqlStatement insert(
            db,
            QStringLiteral("%1 INSERT INTO ITEMPRECO (CDTABEPREC, DTINIVGPREC, CDPRODUTO, "
                           "CDPRPAITABPR, %2) SELECT ?, ?, F.K, F.K, %3 FROM F WHERE %4 AND "
                           "NOT (%5) AND NOT EXISTS (SELECT 1 FROM ITEMPRECO I WHERE %6) AND "
                           "EXISTS (SELECT 1 FROM PRODUTO P WHERE P.CDPRODUTO = F.K)")
                .arg(from, names.mid(1).join(u','), newValues.join(u','), previewedEmpty.join(and_),
                     newEmpty.join(and_), keyOf.arg(QStringLiteral("I"))));
        stored +=
            bindRows(insert).bind(table).bind(day).bind(table).bind(day).exec().rowsAffected();
    }
    if (stored != qint64(changes.changes.size())) {
        // Which rows another user touched since the preview, all named at once, read as they
        // were before this call wrote. A row empty before and after, without a price row, is
        // none of them: nothing was to be stored.
        execDirect(db, "ROLLBACK TO SAVEPOINT vnd_importa");
        SqlStatement changed(
            db, QStringLiteral("%1 SELECT F.K FROM F LEFT JOIN ITEMPRECO I ON %2 "
                               "WHERE NOT EXISTS (SELECT 1 FROM PRODUTO P WHERE P.CDPRODUTO = F.K) "
                               "OR (I.CDPRODUTO IS NULL AND NOT (%3)) "
                               "OR (I.CDPRODUTO IS NOT NULL AND NOT (%4))")
                    .arg(from, keyOf.arg(QStringLiteral("I")), previewedEmpty.join(and_),
                         previewedIn.join(and_)));
        bindRows(changed).bind(table).bind(day).exec();
        QStringList conflicts;
        while (changed.next())
            conflicts << changed.value(0).toString();
        if (!conflicts.isEmpty()) {
            conflicts.sort();
            throw ServiceError::conflict(conflicts);
        }
    }
    work.commit();
    return written;
}

} // namespace vnd::server
