#include "server/promotionrepository.h"

#include "pricing/picture.h"
#include "server/datasets.h"
#include "server/errors.h"
#include "server/sqlstatement.h"
#include "server/unitofwork.h"

namespace vnd::server
{

namespace
{

const int kNameWidth = 50;

QString iso(QDate d)
{
    return d.toString(Qt::ISODate);
}

// Characters as the database counts them (code points).
int lengthOf(const QString &text)
{
    return int(text.toUcs4().size());
}

// The deepest level's products whose name starts with the prefix (or, with starts false,
// does not); %1 takes the selection's condition. Binds: width, prefix, then the condition's.
QString namesWhere(bool starts)
{
    return QStringLiteral("CDNVPRODUTO = (SELECT MAX(CDNVPRODUTO) FROM PRODUTO) AND ") +
           (starts ? QStringLiteral("substr(NMPRODUTO, 1, ?) = ?")
                   : QStringLiteral("substr(NMPRODUTO, 1, ?) <> ?")) +
           QStringLiteral(" AND %1");
}

// The tree code as users see it, through the configured picture when there is one.
QString shownTree(const QSqlDatabase &db, const QString &tree)
{
    SqlStatement q(db, QStringLiteral("SELECT VALOR FROM CONFIGHOST WHERE CHAVE = ?"));
    q.bind(QStringLiteral("PICTURE_PRODUTO")).exec();
    if (!q.next() || q.value(0).toString().isEmpty())
        return tree;
    return Picture(q.value(0).toString()).format(tree);
}

} // namespace

PacketQuery PromotionRepository::pricedProducts(const QString &table, QDate start) const
{
    return packetQuery(
        m_database,
        QStringLiteral("SELECT NULL, P.CDPRODUTO, P.CDARVPROD, P.NMPRODUTO "
                       "FROM ITEMPRECO I JOIN PRODUTO P ON P.CDPRODUTO = I.CDPRODUTO "
                       "WHERE I.CDTABEPREC = ? AND I.DTINIVGPREC = ? AND "
                       "I.CDPRPAITABPR = I.CDPRODUTO ORDER BY P.CDARVPROD"),
        {table, iso(start)}, datasets::autItemPreco());
}

PacketQuery PromotionRepository::pricedProduct(const QString &table, QDate start,
                                               const QString &tree) const
{
    return packetQuery(
        m_database,
        QStringLiteral("SELECT P.CDPRODUTO, P.CDARVPROD, P.NMPRODUTO FROM PRODUTO P "
                       "WHERE P.CDARVPROD = ? AND EXISTS (SELECT 1 FROM ITEMPRECO I "
                       "WHERE I.CDTABEPREC = ? AND I.DTINIVGPREC = ? AND "
                       "I.CDPRODUTO = P.CDPRODUTO AND I.CDPRPAITABPR = P.CDPRODUTO)"),
        {tree, table, iso(start)}, datasets::prodValid());
}

qint64 PromotionRepository::setPromotion(const QString &flag, const Selection &selection,
                                         const QString &table, QDate start) const
{
    UnitOfWork work(m_database);
    qint64 changed = 0;
    forEachSelected(work.db(), m_database.dialect(), selection,
                    QStringLiteral("UPDATE ITEMPRECO SET IDPRODPROMOC = ? WHERE CDTABEPREC = ? "
                                   "AND DTINIVGPREC = ? AND CDPRPAITABPR = CDPRODUTO AND "
                                   "(IDPRODPROMOC IS NULL OR IDPRODPROMOC <> ?) AND %1"),
                    {flag, table, iso(start), flag}, {},
                    [&changed](SqlStatement &q) { changed += q.rowsAffected(); });
    work.commit();
    return changed;
}

qint64 PromotionRepository::addPrefix(const QString &prefix, const Selection &selection) const
{
    UnitOfWork work(m_database);
    const int n = lengthOf(prefix);

    // A cut name could not be restored by removing the prefix: refuse before any change.
    QString tooLong;
    forEachSelected(work.db(), m_database.dialect(), selection,
                    QStringLiteral("SELECT MIN(CDARVPROD) FROM PRODUTO WHERE ") +
                        namesWhere(false) + QStringLiteral(" AND length(NMPRODUTO) > ?"),
                    {n, prefix}, {kNameWidth - n}, [&tooLong](SqlStatement &q) {
                        if (q.next() && !q.value(0).isNull() &&
                            (tooLong.isEmpty() || q.value(0).toString() < tooLong))
                            tooLong = q.value(0).toString();
                    });
    if (!tooLong.isEmpty())
        throw ServiceError::rule(
            QStringLiteral("O nome do produto %1 passaria de %2 caracteres com o prefixo. "
                           "Nenhum nome foi alterado.")
                .arg(shownTree(work.db(), tooLong))
                .arg(kNameWidth));

    qint64 changed = 0;
    forEachSelected(
        work.db(), m_database.dialect(), selection,
        QStringLiteral("UPDATE PRODUTO SET NMPRODUTO = ? || NMPRODUTO WHERE ") + namesWhere(false),
        {prefix, n, prefix}, {}, [&changed](SqlStatement &q) { changed += q.rowsAffected(); });
    work.commit();
    return changed;
}

qint64 PromotionRepository::removePrefix(const QString &prefix, const Selection &selection) const
{
    UnitOfWork work(m_database);
    const int n = lengthOf(prefix);
    qint64 changed = 0;
    forEachSelected(work.db(), m_database.dialect(), selection,
                    QStringLiteral("UPDATE PRODUTO SET NMPRODUTO = substr(NMPRODUTO, ?) WHERE ") +
                        namesWhere(true) + QStringLiteral(" AND length(NMPRODUTO) > ?"),
                    {n + 1, n, prefix}, {n},
                    [&changed](SqlStatement &q) { changed += q.rowsAffected(); });
    work.commit();
    return changed;
}

} // namespace vnd::server
