// Large packets go out in parts as their rows are read; what arrives is what was stored.

#include "serverfixture.h"

#include <QSqlError>
#include <QSqlQuery>

namespace vnd::server::test
{
namespace
{

constexpr int kAdded = 3000;

class StreamingTest : public ServerFixture
{
protected:
    void SetUp() override
    {
        ServerFixture::SetUp();
        m_start = currentPeriodStart(packet(QStringLiteral("getVigenciaTab"), {"001"}), today());
        // Enough rows for many parts; names that need escaping and more than ASCII.
        const QString code = onPostgres() ? QStringLiteral("'9' || lpad(I::text, 9, '0')")
                                          : QStringLiteral("printf('9%09d', I)");
        const QString tree = onPostgres() ? QStringLiteral("'99.' || lpad(I::text, 6, '0')")
                                          : QStringLiteral("printf('99.%06d', I)");
        exec(QStringLiteral(
                 "WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < %1) "
                 "INSERT INTO PRODUTO (CDPRODUTO, NMPRODUTO, CDARVPROD, CDNVPRODUTO) "
                 "SELECT %2, 'Ração \"' || I || '\"', %3, 4 FROM N")
                 .arg(kAdded)
                 .arg(code, tree));
        exec(QStringLiteral(
                 "WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < %1) "
                 "INSERT INTO ITEMPRECO (CDTABEPREC, DTINIVGPREC, CDPRODUTO, CDPRPAITABPR, "
                 "VRPRECITEM, VRPRECITEMCL) SELECT '001', '%2', %3, %3, I + 0.25, "
                 "CASE WHEN I % 2 = 0 THEN NULL ELSE I * 0.5 END FROM N")
                 .arg(kAdded)
                 .arg(m_start.toString(Qt::ISODate), code));
    }
    // Run as it is: PostgreSQL cannot prepare DDL.
    void exec(const QString &sql) const
    {
        QSqlQuery q(database().connection());
        EXPECT_TRUE(q.exec(sql)) << q.lastError().text().toStdString();
    }

    QDate m_start;
};

TEST_F(StreamingTest, ManyRowsArriveWholeInBothEncodings)
{
    const int level =
        scalar(QStringLiteral("SELECT COUNT(*) FROM PRODUTO WHERE CDNVPRODUTO = 4")).toInt();
    for (const auto enc : {data::Encoding::Json, data::Encoding::Cbor}) {
        const Answer a = call(QStringLiteral("getItemPreco"), {"001", m_start, "4", "", "T"}, enc);
        ASSERT_EQ(a.status, 200) << a.reply.errorMessage.toStdString();
        const data::DataPacket p = a.reply.result.packet();
        ASSERT_EQ(int(p.rows.size()), level);
        EXPECT_EQ(a.reply.refs.size(), 5u);
        const int name = p.indexOf(u"NMPRODUTO"), code = p.indexOf(u"CDPRODUTO"),
                  price = p.indexOf(u"VRPRECITEM"), client = p.indexOf(u"VRPRECITEMCL"),
                  start = p.indexOf(u"DTINIVGPREC"), table = p.indexOf(u"CDTABEPREC");
        // Ordered by tree code: the added products come last, in their order.
        for (int i = 1; i <= kAdded; ++i) {
            const data::Row &r = p.rows[size_t(level - kAdded + i - 1)];
            ASSERT_EQ(r[code].toString(), QStringLiteral("9%1").arg(i, 9, 10, QLatin1Char('0')));
            EXPECT_EQ(r[name].toString(), QStringLiteral("Ração \"%1\"").arg(i));
            EXPECT_EQ(r[price].toDouble(), i + 0.25);
            EXPECT_EQ(r[client], i % 2 ? QVariant(i * 0.5) : QVariant());
            EXPECT_EQ(r[start].toDateTime(), QDateTime(m_start, QTime(0, 0)));
            EXPECT_EQ(r[table].toString(), QStringLiteral("001"));
        }
    }
}

TEST_F(StreamingTest, AFailureBeforeTheFirstPartIsAnOrdinaryAnswer)
{
    exec(QStringLiteral("ALTER TABLE PRODCOMP RENAME TO PRODCOMP_FORA"));
    const Answer a =
        call(QStringLiteral("getItemPreco"), {"001", m_start, "4", "", "T"}, data::Encoding::Json);
    exec(QStringLiteral("ALTER TABLE PRODCOMP_FORA RENAME TO PRODCOMP"));
    EXPECT_EQ(a.status, 500);
    EXPECT_EQ(a.reply.errorMessage.toStdString(),
              "Erro no banco de dados: a operação não foi concluída.");
    EXPECT_EQ(call(QStringLiteral("getItemPreco"), {"001", m_start, "4", "", "T"}).status, 200);
}

} // namespace
} // namespace vnd::server::test
