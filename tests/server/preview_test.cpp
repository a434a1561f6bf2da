// The bulk tools' previews: each writes nothing, and what it tells is what the real call then
// writes, judged by the rows the real call changed in the stored data.

#include "dbdump.h"
#include "serverfixture.h"

#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>
#include <functional>

namespace vnd::server::test
{
namespace
{

using data::ValueArray;

// Rows of `after` that `before` does not hold, by table.
QMap<QString, QStringList> newRows(const QStringList &before, const QStringList &after)
{
    const QSet<QString> old(before.cbegin(), before.cend());
    QMap<QString, QStringList> out;
    QString table;
    for (const QString &line : after) {
        if (line.endsWith(u':') && !line.contains(u'|'))
            table = line.chopped(1);
        else if (!old.contains(line))
            out[table] << line;
    }
    return out;
}

qint64 countOf(const data::DataPacket &counts, const QString &what)
{
    for (const data::Row &r : counts.rows)
        if (r[0].toString() == what)
            return r[1].toLongLong();
    ADD_FAILURE() << "no count " << what.toStdString();
    return -1;
}

class PreviewTest : public ServerFixture
{
protected:
    void SetUp() override
    {
        ServerFixture::SetUp();
        m_start = currentPeriodStart(packet(QStringLiteral("getVigenciaTab"), {"001"}), today());
        for (const data::Row &r : packet(QStringLiteral("getVigenciaTab"), {"001"}).rows)
            if (r[1].toDate() == m_start)
                m_end = r[2].toDate();
    }
    // Sunday, a percentage off, all day, the whole current period of table 001.
    ValueArray diffPrice(bool todos, const QString &start, const QString &end, double percent) const
    {
        ValueArray a(10, false);
        a[3] = true;
        a.insert(a.end(), {false, todos, !todos, 0, 1, "001", end, start, "00:01", "23:59", m_start,
                           m_end, m_start, percent, QString(), nullptr, "T", 1});
        return a;
    }
    QString productOfTree(const QString &shown) const
    {
        return scalar(QStringLiteral("SELECT CDPRODUTO FROM PRODUTO WHERE CDARVPROD = ?"),
                      {QString(shown).remove(QRegularExpression(QStringLiteral("\\D")))})
            .toString();
    }

    QDate m_start, m_end;
};

TEST_F(PreviewTest, EachPreviewWritesNothingAndTellsWhatTheCallThenWrites)
{
    // Rules of the range already there, at another percentage: the preview must call them
    // replaced.
    ASSERT_EQ(
        call(QStringLiteral("SetPrecDif"), diffPrice(false, "1010010001", "1010010003", 20)).status,
        200);
    exec(QStringLiteral("UPDATE PRODUTO SET NMPRODUTO = 'PROMO ' || NMPRODUTO WHERE CDPRODUTO IN "
                        "('0000000001', '0000000002')"));
    const QString list = QStringLiteral("_0000000001_0000000002_0000000003");

    struct Case {
        const char *method;
        std::function<ValueArray()> args;
        // Counts of the preview and the table whose new or changed rows they count.
        std::vector<std::pair<QStringList, const char *>> counts;
        const char *sampledTable; // where the sampled products' rows change
    };
    const std::vector<Case> cases = {
        {"setConfirmar",
         [] {
             return ValueArray{"888", "COPIA", "001", "", "T"};
         },
         {{{"Preços incluídos"}, "ITEMPRECO"},
          {{"Vigências copiadas"}, "TABEVEND"},
          {{"Tabelas incluídas"}, "TABEPRECGER"}},
         "ITEMPRECO"},
        {"setConfirmar",
         [&] {
             return ValueArray{"889", "LISTA", "001", list, "L"};
         },
         {{{"Preços incluídos"}, "ITEMPRECO"}},
         "ITEMPRECO"},
        {"SetUpdItemPrecoAlt",
         [&] { return ValueArray{"S", "", "", "", "T", nullptr, false, "001", m_start}; },
         {{{"Produtos com a promoção alterada"}, "ITEMPRECO"}},
         "ITEMPRECO"},
        {"SetAddPrefixo",
         [] {
             return ValueArray{"NOVO ", "", "", "", "T"};
         },
         {{{"Nomes de produto alterados"}, "PRODUTO"}},
         "PRODUTO"},
        {"SetDelPrefixo",
         [] {
             return ValueArray{"PROMO ", "", "", "", "T"};
         },
         {{{"Nomes de produto alterados"}, "PRODUTO"}},
         "PRODUTO"},
        {"SetPrecDif",
         [&] { return diffPrice(true, {}, {}, 10); },
         {{{"Preços diferenciados incluídos", "Preços diferenciados substituídos"},
           "ITEMPRECODIA"}},
         "ITEMPRECODIA"},
    };
    for (const Case &c : cases) {
        const QString method = QString::fromLatin1(c.method);
        SCOPED_TRACE(c.method);
        const QStringList before = dumpData(database());
        const Answer preview = call(method + QStringLiteral("Previa"), c.args());
        ASSERT_EQ(preview.status, 200) << preview.reply.errorMessage.toStdString();
        EXPECT_EQ(dumpData(database()), before);

        const Answer real = call(method, c.args());
        ASSERT_EQ(real.status, 200) << real.reply.errorMessage.toStdString();
        const ValueArray told = preview.reply.result.array();
        ASSERT_EQ(told.size(), 3u);
        EXPECT_EQ(told[0].toVariant().toLongLong(), real.reply.result.toVariant().toLongLong());

        const QMap<QString, QStringList> written = newRows(before, dumpData(database()));
        for (const auto &[names, table] : c.counts) {
            qint64 n = 0;
            for (const QString &name : names)
                n += countOf(told[1].packet(), name);
            EXPECT_EQ(n, written.value(QString::fromLatin1(table)).size())
                << names.join(u'+').toStdString();
        }
        const data::DataPacket samples = told[2].packet();
        const QStringList changed = written.value(QString::fromLatin1(c.sampledTable));
        EXPECT_EQ(qsizetype(samples.rows.size()), std::min<qsizetype>(changed.size(), 20));
        for (const data::Row &s : samples.rows) {
            const QString product = productOfTree(s[0].toString());
            EXPECT_TRUE(std::any_of(changed.cbegin(), changed.cend(), [&](const QString &row) {
                return row.split(u'|').contains(product);
            })) << s[0].toString().toStdString();
        }
    }
}

// The samples are the first products by tree code, whatever their code or level: the priced
// product coded last is put first in the tree, a level up.
TEST_F(PreviewTest, SamplesAreTheFirstProductsByTreeCode)
{
    const QString last =
        scalar(QStringLiteral("SELECT MAX(CDPRODUTO) FROM ITEMPRECO WHERE CDTABEPREC = '001' AND "
                              "DTINIVGPREC = ? AND CDPRPAITABPR = CDPRODUTO"),
               {m_start.toString(Qt::ISODate)})
            .toString();
    exec(QStringLiteral("UPDATE PRODUTO SET CDARVPROD = '100000', CDNVPRODUTO = 3 WHERE "
                        "CDPRODUTO = '%1'")
             .arg(last));
    const QStringList before = dumpData(database());
    const Answer preview = call(QStringLiteral("SetPrecDifPrevia"), diffPrice(true, {}, {}, 10));
    ASSERT_EQ(preview.status, 200) << preview.reply.errorMessage.toStdString();
    ASSERT_EQ(call(QStringLiteral("SetPrecDif"), diffPrice(true, {}, {}, 10)).status, 200);

    QSqlQuery q(database().connection());
    QHash<QString, QString> treeOf;
    q.exec(QStringLiteral("SELECT CDPRODUTO, CDARVPROD FROM PRODUTO"));
    while (q.next())
        treeOf.insert(q.value(0).toString(), q.value(1).toString());
    q.exec(QStringLiteral("SELECT * FROM ITEMPRECODIA WHERE 1 = 0"));
    const int product = q.record().indexOf(QStringLiteral("CDPRODUTO"));
    QStringList expected;
    for (const QString &row :
         newRows(before, dumpData(database())).value(QStringLiteral("ITEMPRECODIA")))
        expected << treeOf.value(row.split(u'|').value(product));
    expected.sort();
    expected.removeDuplicates();
    ASSERT_GT(expected.size(), 20);
    QStringList sampled;
    for (const data::Row &s : preview.reply.result.array()[2].packet().rows)
        sampled << s[0].toString().remove(QRegularExpression(QStringLiteral("\\D")));
    EXPECT_EQ(sampled, expected.mid(0, 20));
    EXPECT_EQ(sampled.value(0), QStringLiteral("100000"));
}

TEST_F(PreviewTest, ARefusedPreviewAnswersAsTheCallAndWritesNothing)
{
    const ValueArray args{"001", "COPIA", "002", "", "T"}; // the destination exists
    const QStringList before = dumpData(database());
    const Answer preview = call(QStringLiteral("setConfirmarPrevia"), args);
    const Answer real = call(QStringLiteral("setConfirmar"), args);
    EXPECT_EQ(preview.status, 422);
    EXPECT_EQ(preview.status, real.status);
    EXPECT_EQ(preview.reply.errorMessage, real.reply.errorMessage);
    EXPECT_EQ(dumpData(database()), before);
}

} // namespace
} // namespace vnd::server::test
