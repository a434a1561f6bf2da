#include "server/promotionrepository.h"

#include "pricing/picture.h"
#include "server/datasets.h"
#include "server/errors.h"
#include "server/previewrecorder.h"
#include "server/sqlstatement.h"
#include "server/unitofwork.h"

#include <algorithm>
#include <functional>

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

// The first rows a statement will change, by product code: (code, value before).
using Samples = QList<QPair<QString, QString>>;

Samples firstRows(const QSqlDatabase &db, Dialect dialect, const Selection &selection,
                  const QString &select, const QVariantList &before, const QVariantList &after)
{
    Samples rows;
    forEachSelected(db, dialect, selection,
                    // Appended, not arg(): the statement's own %1 is the selection's.
                    select + QStringLiteral(" ORDER BY CDPRODUTO LIMIT ") +
                        QString::number(PreviewRecorder::kSampleRows),
                    before, after, [&rows](SqlStatement &q) {
                        while (q.next())
                            rows.append({q.value(0).toString(), q.value(1).toString()});
                    });
    std::sort(rows.begin(), rows.end());
    return rows.mid(0, PreviewRecorder::kSampleRows);
}

QString flagShown(const QString &flag)
{
    return flag == u"S"   ? QStringLiteral("Sim")
           : flag == u"N" ? QStringLiteral("Não")
                          : QStringLiteral("(vazio)");
}

// Each sampled row as it is now, read back after the change: tree code and name from the
// product, the value by `now` (values, then the code bound).
void describe(PreviewRecorder &preview, const QSqlDatabase &db, const Samples &rows,
              const QString &what, const QString &now, const QVariantList &values,
              const std::function<QString(const QString &)> &shown)
{
    for (const auto &[code, before] : rows) {
        SqlStatement product(db, QStringLiteral("SELECT CDARVPROD, NMPRODUTO FROM PRODUTO "
                                                "WHERE CDPRODUTO = ?"));
        product.bind(code).exec();
        SqlStatement after(db, now);
        for (const QVariant &v : values)
            after.bind(v);
        after.bind(code).exec();
        const bool hasProduct = product.next();
        const bool hasAfter = after.next();
        preview.sample(hasProduct ? product.value(0).toString() : code,
                       hasProduct ? product.value(1).toString() : QString(), what, shown(before),
                       shown(hasAfter ? after.value(0).toString() : QString()));
    }
}

void describeNames(PreviewRecorder &preview, const QSqlDatabase &db, const Samples &rows,
                   qint64 changed)
{
    preview.count(QStringLiteral("Nomes de produto alterados"), changed);
    describe(preview, db, rows, QStringLiteral("Nome"),
             QStringLiteral("SELECT NMPRODUTO FROM PRODUTO WHERE CDPRODUTO = ?"), {},
             [](const QString &name) { return name; });
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
    // The rows whose flag the call changes.
    const QString changing =
        QStringLiteral("CDTABEPREC = ? AND DTINIVGPREC = ? AND CDPRPAITABPR = CDPRODUTO AND "
                       "(IDPRODPROMOC IS NULL OR IDPRODPROMOC <> ?) AND %1");
    const QVariantList values{table, iso(start), flag};
    PreviewRecorder *preview = PreviewRecorder::active();
    const Samples before =
        preview ? firstRows(work.db(), m_database.dialect(), selection,
                            QStringLiteral("SELECT CDPRODUTO, IDPRODPROMOC FROM ITEMPRECO WHERE ") +
                                changing,
                            values, {})
                : Samples{};
    qint64 changed = 0;
    forEachSelected(work.db(), m_database.dialect(), selection,
                    QStringLiteral("UPDATE ITEMPRECO SET IDPRODPROMOC = ? WHERE ") + changing,
                    QVariantList{flag} + values, {},
                    [&changed](SqlStatement &q) { changed += q.rowsAffected(); });
    if (preview) {
        preview->count(QStringLiteral("Produtos com a promoção alterada"), changed);
        describe(*preview, work.db(), before, QStringLiteral("Promoção"),
                 QStringLiteral("SELECT IDPRODPROMOC FROM ITEMPRECO WHERE CDTABEPREC = ? AND "
                                "DTINIVGPREC = ? AND CDPRODUTO = ? AND CDPRPAITABPR = CDPRODUTO"),
                 {table, iso(start)}, flagShown);
    }
    work.commit();
    return changed;
}

qint64 PromotionRepository::addPrefix(const QString &prefix, const Selection &selection) const
{
    UnitOfWork work(m_database);
    const int n = lengthOf(prefix);
    PreviewRecorder *preview = PreviewRecorder::active();

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

    const Samples before =
        preview ? firstRows(work.db(), m_database.dialect(), selection,
                            QStringLiteral("SELECT CDPRODUTO, NMPRODUTO FROM PRODUTO WHERE ") +
                                namesWhere(false),
                            {n, prefix}, {})
                : Samples{};
    qint64 changed = 0;
    forEachSelected(
        work.db(), m_database.dialect(), selection,
        QStringLiteral("UPDATE PRODUTO SET NMPRODUTO = ? || NMPRODUTO WHERE ") + namesWhere(false),
        {prefix, n, prefix}, {}, [&changed](SqlStatement &q) { changed += q.rowsAffected(); });
    if (preview)
        describeNames(*preview, work.db(), before, changed);
    work.commit();
    return changed;
}

qint64 PromotionRepository::removePrefix(const QString &prefix, const Selection &selection) const
{
    UnitOfWork work(m_database);
    const int n = lengthOf(prefix);
    const QString changing = namesWhere(true) + QStringLiteral(" AND length(NMPRODUTO) > ?");
    PreviewRecorder *preview = PreviewRecorder::active();
    const Samples before =
        preview ? firstRows(work.db(), m_database.dialect(), selection,
                            QStringLiteral("SELECT CDPRODUTO, NMPRODUTO FROM PRODUTO WHERE ") +
                                changing,
                            {n, prefix}, {n})
                : Samples{};
    qint64 changed = 0;
    forEachSelected(
        work.db(), m_database.dialect(), selection,
        QStringLiteral("UPDATE PRODUTO SET NMPRODUTO = substr(NMPRODUTO, ?) WHERE ") + changing,
        {n + 1, n, prefix}, {n}, [&changed](SqlStatement &q) { changed += q.rowsAffected(); });
    if (preview)
        describeNames(*preview, work.db(), before, changed);
    work.commit();
    return changed;
}

} // namespace vnd::server
