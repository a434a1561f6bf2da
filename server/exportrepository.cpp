#include "server/exportrepository.h"

#include "pricing/decimal.h"
#include "server/datasets.h"
#include "server/dberror.h"
#include "server/errors.h"
#include "server/previewrecorder.h"
#include "server/sqlstatement.h"
#include "server/unitofwork.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlField>
#include <QSqlRecord>

namespace vnd::server
{

namespace
{

bool tableExists(const QSqlDatabase &db, const QString &code)
{
    SqlStatement q(db, QStringLiteral("SELECT 1 FROM TABEPRECGER WHERE CDTABEPREC = ?"));
    q.bind(code).exec();
    return q.next();
}

// "INSERT INTO T (columns) SELECT ?, columns but the table code FROM T WHERE CDTABEPREC = ?":
// every column the table has, so a column added to the schema is copied too.
QString copyStatement(const QSqlDatabase &db, const QString &table, const QString &extraWhere)
{
    // PostgreSQL keeps unquoted names in lower case, and QPSQL looks them up as given.
    const QSqlRecord record =
        db.driverName() == QLatin1String("QPSQL") ? db.record(table.toLower()) : db.record(table);
    QStringList columns, selected;
    for (int i = 0; i < record.count(); ++i) {
        const QString name = record.fieldName(i);
        // The database computes it from the consumer type; PostgreSQL lists it.
        if (name.compare(u"CDTIPOCONSREF", Qt::CaseInsensitive) == 0)
            continue;
        columns << name;
        selected << (name.compare(u"CDTABEPREC", Qt::CaseInsensitive) == 0 ? QStringLiteral("?")
                                                                           : name);
    }
    if (columns.isEmpty())
        throw DbError(DbError::Kind::Other, QStringLiteral("table %1 not found").arg(table));
    return QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM %1 WHERE CDTABEPREC = ?%4")
        .arg(table, columns.join(u", "), selected.join(u", "), extraWhere);
}

// "The row's parent is one of the listed codes", the codes bound as one JSON array: one
// statement and one pass over the origin's rows, however long the list. (A statement per code
// scanned the origin's day/hour rules once per code: 100,000 codes took minutes.)
QString listedParents(Dialect dialect)
{
    return dialect == Dialect::Postgres
               ? QStringLiteral(" AND CDPRPAITABPR IN "
                                "(SELECT json_array_elements_text(CAST(? AS JSON)))")
               : QStringLiteral(" AND CDPRPAITABPR IN (SELECT value FROM json_each(?))");
}

QString jsonArray(const QStringList &codes)
{
    return QString::fromUtf8(
        QJsonDocument(QJsonArray::fromStringList(codes)).toJson(QJsonDocument::Compact));
}

QString priceShown(const QVariant &v)
{
    const std::optional<pricing::Decimal> d = pricing::Decimal::fromVariant(v);
    return d ? d->toText(2, u',') : QStringLiteral("(vazio)");
}

// What the copy wrote: its statements' counts, and the new table's first prices read back
// in key order, so the preview costs a few index reads more than the copy.
struct Copied {
    qint64 periods = 0, prices = 0, rules = 0;
};

void describeCopy(PreviewRecorder &preview, const QSqlDatabase &db, const ExportRequest &r,
                  const Copied &copied)
{
    preview.count(QStringLiteral("Tabelas incluídas"), 1);
    preview.count(QStringLiteral("Vigências copiadas"), copied.periods);
    preview.count(QStringLiteral("Preços incluídos"), copied.prices);
    preview.count(QStringLiteral("Preços diferenciados incluídos"), copied.rules);
    SqlStatement rows(db, QStringLiteral("SELECT P.CDARVPROD, P.NMPRODUTO, I.DTINIVGPREC, "
                                         "I.VRPRECITEM FROM ITEMPRECO I JOIN PRODUTO P ON "
                                         "P.CDPRODUTO = I.CDPRODUTO WHERE I.CDTABEPREC = ? AND "
                                         "I.CDPRPAITABPR = I.CDPRODUTO ORDER BY I.DTINIVGPREC, "
                                         "I.CDPRODUTO LIMIT ") +
                              QString::number(PreviewRecorder::kSampleRows));
    rows.bind(r.destination).exec();
    while (rows.next())
        preview.sample(rows.value(0).toString(), rows.value(1).toString(),
                       QStringLiteral("Preço na vigência de %1")
                           .arg(rows.value(2).toDate().toString(QStringLiteral("dd/MM/yyyy"))),
                       QStringLiteral("(sem preço)"), priceShown(rows.value(3)));
}

} // namespace

PacketQuery ExportRepository::productsOf(const QString &table) const
{
    return packetQuery(
        m_database,
        QStringLiteral("SELECT NULL, P.CDARVPROD, P.NMPRODUTO, P.CDPRODUTO "
                       "FROM PRODUTO P WHERE P.CDPRODUTO IN (SELECT I.CDPRODUTO FROM "
                       "ITEMPRECO I WHERE I.CDTABEPREC = ? AND "
                       "I.CDPRPAITABPR = I.CDPRODUTO) "
                       "ORDER BY P.CDARVPROD"),
        {table}, datasets::expProduto());
}

qint64 ExportRepository::copyTable(const ExportRequest &r) const
{
    UnitOfWork work(m_database);
    const QSqlDatabase db = work.db();

    if (r.origin.isEmpty() || !tableExists(db, r.origin))
        throw ServiceError::rule(QStringLiteral("Tabela geral não cadastrada."));
    if (!r.allProducts && r.products.isEmpty())
        throw ServiceError::rule(QStringLiteral("Não há produto selecionado."));
    if (r.destination.isEmpty())
        throw ServiceError::rule(QStringLiteral("Tabela destino deve ser informada."));
    if (r.destination == r.origin)
        throw ServiceError::rule(
            QStringLiteral("Tabela destino deve ser diferente da tabela origem."));
    if (tableExists(db, r.destination))
        throw ServiceError::rule(QStringLiteral("Tabela geral já cadastrada."));
    if (r.name.trimmed().isEmpty())
        throw ServiceError::rule(QStringLiteral("Nome deve ser informado."));

    try {
        SqlStatement(db, QStringLiteral("INSERT INTO TABEPRECGER (CDTABEPREC, NMTABEPREC) "
                                        "VALUES (?, ?)"))
            .bind(r.destination)
            .bind(r.name)
            .exec();
    } catch (const DbError &e) {
        // Another server instance created it since the check.
        if (e.kind() == DbError::Kind::Unique)
            throw ServiceError::rule(QStringLiteral("Tabela geral já cadastrada."));
        throw;
    }
    Copied copied;
    copied.periods = SqlStatement(db, copyStatement(db, QStringLiteral("TABEVEND"), {}))
                         .bind(r.destination)
                         .bind(r.origin)
                         .exec()
                         .rowsAffected();

    if (r.allProducts) {
        SqlStatement items(db, copyStatement(db, QStringLiteral("ITEMPRECO"), {}));
        copied.prices = items.bind(r.destination).bind(r.origin).exec().rowsAffected();
        copied.rules = SqlStatement(db, copyStatement(db, QStringLiteral("ITEMPRECODIA"), {}))
                           .bind(r.destination)
                           .bind(r.origin)
                           .exec()
                           .rowsAffected();
    } else {
        // A listed product's own row and its composition rows share its code as parent.
        const QString byParent = listedParents(m_database.dialect());
        const QString codes = jsonArray(r.products);
        SqlStatement items(db, copyStatement(db, QStringLiteral("ITEMPRECO"), byParent));
        copied.prices = items.bind(r.destination).bind(r.origin).bind(codes).exec().rowsAffected();
        copied.rules = SqlStatement(db, copyStatement(db, QStringLiteral("ITEMPRECODIA"), byParent))
                           .bind(r.destination)
                           .bind(r.origin)
                           .bind(codes)
                           .exec()
                           .rowsAffected();
    }
    if (PreviewRecorder *preview = PreviewRecorder::active())
        describeCopy(*preview, db, r, copied);
    work.commit();
    return copied.prices;
}

} // namespace vnd::server
