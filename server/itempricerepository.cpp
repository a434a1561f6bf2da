#include "server/itempricerepository.h"

#include "server/changeapplier.h"
#include "server/datasets.h"
#include "server/errors.h"
#include "server/sqlstatement.h"
#include "server/unitofwork.h"

namespace vnd::server
{

using data::Change;

namespace
{

const TableSpec &itemSpec()
{
    static const TableSpec def{QStringLiteral("ITEMPRECO"),
                               {tableCodeColumn(true),
                                {QStringLiteral("DTINIVGPREC"), Storage::Date, 0, true, true},
                                {QStringLiteral("CDPRODUTO"), Storage::Text, 10, true, true},
                                {QStringLiteral("CDPRPAITABPR"), Storage::Text, 10, true, true},
                                {QStringLiteral("VRPRECITEM"), Storage::Float, 0, false, false},
                                {QStringLiteral("VRPRECITEMCMD"), Storage::Float, 0, false, false},
                                {QStringLiteral("VRPRECITEMDLV"), Storage::Float, 0, false, false},
                                {QStringLiteral("VRPRECITEMCL"), Storage::Float, 0, false, false},
                                {QStringLiteral("IDPRECVARIA"), Storage::Text, 1, false, false},
                                {QStringLiteral("VRPRESUGITEM"), Storage::Float, 0, false, false},
                                {QStringLiteral("VRCUSTITEM"), Storage::Float, 0, false, false},
                                {QStringLiteral("VRMKUPITEM"), Storage::Float, 0, false, false},
                                {QStringLiteral("IDPRODPROMOC"), Storage::Text, 1, false, false},
                                {QStringLiteral("HRINIVENPROD"), Storage::Text, 4, false, false},
                                {QStringLiteral("HRFIMVENPROD"), Storage::Text, 4, false, false}}};
    return def;
}

const TableSpec &productSpec()
{
    static const TableSpec def{QStringLiteral("PRODUTO"),
                               {{QStringLiteral("CDPRODUTO"), Storage::Text, 10, true, true},
                                {QStringLiteral("NMPRODUTO"), Storage::Text, 50, false, true},
                                {QStringLiteral("CDBARPRODUTO"), Storage::Text, 30, false, false}}};
    return def;
}

bool rowExists(const QSqlDatabase &db, const QVariantList &key)
{
    SqlStatement q(db, QStringLiteral("SELECT 1 FROM ITEMPRECO WHERE CDTABEPREC = ? AND "
                                      "DTINIVGPREC = ? AND CDPRODUTO = ? AND CDPRPAITABPR = ?"));
    for (const QVariant &v : key)
        q.bind(v);
    q.exec();
    return q.next();
}

QString iso(QDate d)
{
    return d.toString(Qt::ISODate);
}

} // namespace

PacketQuery ItemPriceRepository::items(const QString &table, QDate start, int level,
                                       const QString &product) const
{
    // Table and period start are the same on every row: selected as values, so that every
    // field comes from a column.
    PacketQuery q;
    q.database = &m_database;
    q.sql = QStringLiteral(
        "SELECT P.NMPRODUTO, P.CDPRODUTO, CAST(? AS TEXT), P.CDPRODUTO,"
        " (SELECT COUNT(*) FROM PRODCOMP C WHERE C.CDPRODUTO = P.CDPRODUTO),"
        " I.VRPRECITEM, I.VRPRECITEMCMD, I.VRPRECITEMDLV, I.VRPRECITEMCL, CAST(? AS TEXT),"
        " I.IDPRECVARIA, I.VRPRESUGITEM, P.CDARVPROD, I.VRCUSTITEM, I.VRMKUPITEM,"
        " I.IDPRODPROMOC, P.CDBARPRODUTO, I.HRINIVENPROD, I.HRFIMVENPROD "
        "FROM PRODUTO P LEFT JOIN ITEMPRECO I ON I.CDTABEPREC = ? AND I.DTINIVGPREC = ? AND"
        " I.CDPRODUTO = P.CDPRODUTO AND I.CDPRPAITABPR = P.CDPRODUTO "
        "WHERE P.CDNVPRODUTO = ?");
    q.values = {table, iso(start), table, iso(start), level};
    if (!product.isEmpty()) {
        q.sql += QStringLiteral(" AND P.CDPRODUTO = ?");
        q.values << product;
    }
    q.sql += QStringLiteral(" ORDER BY P.CDARVPROD");
    q.fields = datasets::itemPreco();
    return q;
}

void ItemPriceRepository::clearIfUnchanged(const QSqlDatabase &db, const QString &table,
                                           const QString &column, const QString &where,
                                           const QVariantList &key,
                                           const std::optional<QVariant> &loaded) const
{
    SqlStatement clear(
        db, QStringLiteral("UPDATE %1 SET %2 = NULL WHERE %3%4")
                .arg(table, column, where,
                     loaded ? QStringLiteral(" AND %1%2?").arg(column, m_database.nullSafeEquals())
                            : QString()));
    for (const QVariant &v : key)
        clear.bind(v);
    if (loaded)
        clear.bind(*loaded);
    clear.exec();
    if (!loaded || clear.rowsAffected() > 0)
        return;
    // Nothing matched: fine when the field is empty already (no value or an empty text, which
    // the client sees alike), a conflict otherwise.
    SqlStatement now(db, QStringLiteral("SELECT %1 FROM %2 WHERE %3").arg(column, table, where));
    for (const QVariant &v : key)
        now.bind(v);
    now.exec();
    if (now.next() && !now.value(0).isNull() && !now.value(0).toString().isEmpty())
        throw ServiceError::conflict();
    clearIfUnchanged(db, table, column, where, key, std::nullopt);
}

void ItemPriceRepository::saveItems(const data::ChangeSet &changes,
                                    const QStringList &emptyFields) const
{
    UnitOfWork work(m_database, UnitOfWork::Lock::WithFirstStatement);
    const QSqlDatabase db = work.db();
    const ChangeApplier::Messages messages{
        QStringLiteral("Preço do produto já cadastrado para a tabela e vigência."),
        QStringLiteral("Produto ou período de vigência não cadastrado."), QString()};
    ChangeApplier items(m_database, db, itemSpec(), changes, messages);
    QStringList toClear;
    for (const QString &name : emptyFields) {
        const Column *c = itemSpec().column(name);
        if (c && !c->key)
            toClear << c->name;
    }
    const bool clearBarCode =
        emptyFields.contains(QStringLiteral("CDBARPRODUTO"), Qt::CaseInsensitive);
    // Name and bar code belong to the product: the same changes, seen on PRODUTO.
    ChangeApplier products(m_database, db, productSpec(), changes, messages);

    for (size_t index = 0; index < items.mapped().size(); ++index) {
        const MappedChange &m = items.mapped()[index];
        if (m.op == Change::Op::Delete) {
            items.apply(m);
            continue;
        }
        for (const Column *c : m.columns)
            if (c->key && m.op == Change::Op::Modify && m.touches(c->name))
                throw ServiceError::rule(
                    QStringLiteral("A chave do preço do item não pode ser alterada."));
        const QVariantList key{m.newValue(u"CDTABEPREC"), m.newValue(u"DTINIVGPREC"),
                               m.newValue(u"CDPRODUTO"), m.newValue(u"CDPRPAITABPR")};
        // The update checks the row as loaded; only when it matched nothing is it worth
        // asking why.
        bool updated = false;
        if (m.op == Change::Op::Insert) {
            items.insert(m);
        } else if (!(updated = items.update(m))) {
            if (rowExists(db, key))
                throw ServiceError::conflict();
            // A product without a price row was loaded with every price empty; anything
            // else means another user cleared the row meanwhile.
            for (size_t i = 0; i < m.columns.size(); ++i)
                if (!m.columns[i]->key && !m.oldValues[i].isNull())
                    throw ServiceError::conflict();
            items.insert(m);
        }
        // A listed field is cleared only where it still holds what the client loaded: a
        // value another user saved meanwhile is a conflict, never silently emptied. A field
        // the change itself touched was checked and written by the update already.
        const bool loadedRow = updated;
        for (const QString &c : toClear)
            clearIfUnchanged(db, QStringLiteral("ITEMPRECO"), c,
                             QStringLiteral("CDTABEPREC = ? AND DTINIVGPREC = ? AND "
                                            "CDPRODUTO = ? AND CDPRPAITABPR = ?"),
                             key, loadedRow ? std::optional(m.oldValue(c)) : std::nullopt);
        const MappedChange &p = products.mapped()[index];
        if (p.op == Change::Op::Modify && (p.touches(u"NMPRODUTO") || p.touches(u"CDBARPRODUTO")) &&
            !products.update(p))
            throw ServiceError::conflict();
        // The bar code is the product's, shared by every table: only the value the client
        // saw may be emptied (an insert saw none).
        if (clearBarCode)
            clearIfUnchanged(db, QStringLiteral("PRODUTO"), QStringLiteral("CDBARPRODUTO"),
                             QStringLiteral("CDPRODUTO = ?"), {m.newValue(u"CDPRODUTO")},
                             p.op != Change::Op::Modify ? std::optional(QVariant())
                             : p.touches(u"CDBARPRODUTO")
                                 ? std::nullopt // checked and written by the update above
                                 : std::optional(p.oldValue(u"CDBARPRODUTO")));
    }
    work.commit();
}

void ItemPriceRepository::removePrice(const QString &table, QDate start, const QString &product,
                                      const QString &parent) const
{
    UnitOfWork work(m_database);
    SqlStatement(work.db(), QStringLiteral("DELETE FROM ITEMPRECO WHERE CDTABEPREC = ? AND "
                                           "DTINIVGPREC = ? AND CDPRODUTO = ? AND "
                                           "CDPRPAITABPR = ?"))
        .bind(table)
        .bind(iso(start))
        .bind(product)
        .bind(parent)
        .exec();
    work.commit();
}

PacketQuery ItemPriceRepository::components(const QString &table, const QString &product,
                                            QDate start) const
{
    // The component's price row under the composed product, else its own price row.
    PacketQuery q;
    q.database = &m_database;
    q.sql = QStringLiteral(
        "SELECT P.NMPRODUTO, P.CDARVPROD, P.CDPRODUTO,"
        " CASE WHEN IC.CDPRODUTO IS NOT NULL THEN IC.VRPRECITEM ELSE IO.VRPRECITEM END,"
        " CASE WHEN IC.CDPRODUTO IS NOT NULL THEN IC.VRPRECITEMCL ELSE IO.VRPRECITEMCL END,"
        " C.CDPRODUTO, ?, C.IDIMPPRODROT, C.QUANTIDADE, ? "
        "FROM PRODCOMP C JOIN PRODUTO P ON P.CDPRODUTO = C.CDPRODCOMP "
        "LEFT JOIN ITEMPRECO IC ON IC.CDTABEPREC = ? AND IC.DTINIVGPREC = ? AND"
        " IC.CDPRODUTO = C.CDPRODCOMP AND IC.CDPRPAITABPR = C.CDPRODUTO "
        "LEFT JOIN ITEMPRECO IO ON IO.CDTABEPREC = ? AND IO.DTINIVGPREC = ? AND"
        " IO.CDPRODUTO = C.CDPRODCOMP AND IO.CDPRPAITABPR = C.CDPRODCOMP "
        "WHERE C.CDPRODUTO = ? ORDER BY P.CDARVPROD");
    const QString day = iso(start);
    q.values = {day, table, table, day, table, day, product};
    q.fields = datasets::itemPrecoComp();
    return q;
}

} // namespace vnd::server
