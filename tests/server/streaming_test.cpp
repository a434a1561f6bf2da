// Large packets go out in parts as their rows are read; what arrives is what was stored.

#include "serverfixture.h"

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
        addPricedProducts(kAdded, m_start);
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
