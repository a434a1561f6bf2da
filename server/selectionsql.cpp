#include "server/selectionsql.h"

#include "server/errors.h"
#include "server/sqlstatement.h"

#include <QSet>

namespace vnd::server
{

namespace
{

const int kChunk = 500;

} // namespace

Selection rangeSelection(const QString &start, const QString &end)
{
    if (start.isEmpty())
        throw ServiceError::rule(QStringLiteral("Produto inicial deve ser informado."));
    if (end.isEmpty())
        throw ServiceError::rule(QStringLiteral("Produto final deve ser informado."));
    if (QString::compare(start, end, Qt::CaseSensitive) > 0)
        throw ServiceError::rule(
            QStringLiteral("Produto inicial deve ser menor ou igual que produto final."));
    Selection s;
    s.kind = Selection::Kind::Range;
    s.start = start;
    s.end = end;
    return s;
}

Selection listSelection(const QStringList &products)
{
    Selection s;
    s.kind = Selection::Kind::List;
    QSet<QString> seen;
    for (const QString &p : products) {
        const QString code = p.trimmed();
        if (code.isEmpty() || seen.contains(code))
            continue;
        seen.insert(code);
        s.products.append(code);
    }
    if (s.products.isEmpty())
        throw ServiceError::rule(QStringLiteral("Produto deve ser informado."));
    return s;
}

std::vector<Condition> selectionConditions(const Selection &selection, const QString &productColumn,
                                           Dialect dialect)
{
    switch (selection.kind) {
    case Selection::Kind::All:
        return {{QStringLiteral("1 = 1"), {}}};
    case Selection::Kind::Range: {
        // Byte order whatever the database's locale says.
        const QString tree = dialect == Dialect::Postgres
                                 ? QStringLiteral("CDARVPROD COLLATE \"C\"")
                                 : QStringLiteral("CDARVPROD");
        return {{QStringLiteral("%1 IN (SELECT CDPRODUTO FROM PRODUTO WHERE %2 >= ? AND %2 <= ?)")
                     .arg(productColumn, tree),
                 {selection.start, selection.end}}};
    }
    case Selection::Kind::List:
        break;
    }
    std::vector<Condition> out;
    for (qsizetype i = 0; i < selection.products.size(); i += kChunk) {
        const QStringList chunk = selection.products.mid(i, kChunk);
        QStringList marks;
        Condition c;
        for (const QString &code : chunk) {
            marks << QStringLiteral("?");
            c.values << code;
        }
        c.sql = QStringLiteral("%1 IN (%2)").arg(productColumn, marks.join(u", "));
        out.push_back(std::move(c));
    }
    return out;
}

void forEachSelected(const QSqlDatabase &db, Dialect dialect, const Selection &selection,
                     const QString &sql, const QVariantList &before, const QVariantList &after,
                     const std::function<void(SqlStatement &)> &ran)
{
    for (const Condition &c :
         selectionConditions(selection, QStringLiteral("CDPRODUTO"), dialect)) {
        SqlStatement q(db, sql.arg(c.sql));
        for (const QVariantList *values : {&before, &c.values, &after})
            for (const QVariant &v : *values)
                q.bind(v);
        q.exec();
        ran(q);
    }
}

} // namespace vnd::server
