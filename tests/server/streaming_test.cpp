// Large packets go out in parts as their rows are read; what arrives is what was stored, in
// the very bytes the whole-packet path gives.

#include "serverfixture.h"

#include "server/dberror.h"
#include "server/methods.h"
#include "server/packetstream.h"
#include "server/rowencoder.h"
#include "server/sqlstatement.h"
#include "wire/codec.h"

#include <httplib.h>

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

    // The answer's body as the server sent it, its chunks joined.
    QByteArray rawAnswer(const QString &method, const data::ValueArray &args,
                         data::Encoding enc) const
    {
        httplib::Client client("127.0.0.1", port());
        client.set_read_timeout(30, 0);
        const httplib::Headers headers{{"Authorization", "Bearer " + token()}};
        const auto res =
            client.Post(("/vnd42700.rdmTabGeral/" + method).toStdString(), headers,
                        data::encodeRequest(args, enc).toStdString(), data::contentType(enc));
        EXPECT_TRUE(res && res->status == 200) << qPrintable(method);
        return res ? QByteArray::fromStdString(res->body) : QByteArray();
    }

    // The answer as the server wrote it before rows went straight from the database: the
    // packet read whole through QtSql, each value converted to its field's type and encoded
    // cell by cell.
    QByteArray wholePacketAnswer(const QString &method, const data::ValueArray &args,
                                 data::Encoding enc) const
    {
        Dispatcher dispatcher;
        addAllMethods(dispatcher, database());
        CallResult result = dispatcher.start(method, args);
        EXPECT_TRUE(result.rows.has_value()) << qPrintable(method);
        if (!result.rows)
            return {};
        QByteArray before, after, rows;
        EXPECT_TRUE(splitAroundRows(data::encodeReply(result.reply, enc), enc, before, after));
        const data::DataPacket packet = readPacket(*result.rows);
        RowEncoder encoder(enc, rows);
        encoder.beginRows();
        for (const data::Row &row : packet.rows) {
            encoder.beginRow(row.size());
            for (qsizetype i = 0; i < row.size(); ++i)
                encoder.cell(packet.fields[i], row[i]);
            encoder.endRow();
        }
        encoder.endRows();
        return before + rows + after;
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

TEST_F(StreamingTest, AnswersAreTheBytesOfTheWholePacketPath)
{
    const bool pg = onPostgres();
    // No value, a number beyond any double and one with more digits than a double holds, text
    // to escape and beyond the BMP, dates that are no dates.
    exec(QStringLiteral("UPDATE ITEMPRECO SET VRPRECITEMCMD = 1e400, VRCUSTITEM = 0.1 WHERE "
                        "CDPRODUTO = '9000000001'"));
    exec(QStringLiteral("UPDATE ITEMPRECO SET VRPRECITEMDLV = 12.34567890123456789012345, "
                        "VRMKUPITEM = -0.000000000000000000001 WHERE CDPRODUTO = '9000000002'"));
    if (pg)
        exec(QStringLiteral("UPDATE ITEMPRECO SET VRPRESUGITEM = 'NaN', VRCUSTITEM = "
                            "-1e-400 WHERE CDPRODUTO = '9000000003'"));
    exec(QStringLiteral("UPDATE PRODUTO SET NMPRODUTO = 'Café ☕ 𝄞 \\ a' || %1 || 'b', "
                        "CDBARPRODUTO = '' WHERE CDPRODUTO = '9000000004'")
             .arg(pg ? QStringLiteral("chr(9) || chr(1)") : QStringLiteral("char(9, 1)")));
    exec(QStringLiteral("UPDATE TABEVEND SET DTREAJUSTE = '2024-02-30' WHERE CDTABEPREC = '001'"));
    exec(QStringLiteral("UPDATE TABEVEND SET DTREAJUSTE = 'ontem' WHERE CDTABEPREC = '001' AND "
                        "DTINIVGPREC = '%1'")
             .arg(m_start.toString(Qt::ISODate)));
    exec(QStringLiteral("UPDATE TABEVEND SET VRREAJUSTE = 1.5"));
    const struct {
        const char *method;
        data::ValueArray args;
    } cases[] = {
        {"getItemPreco", {"001", m_start, "4", "", "T"}},
        {"getItemPreco", {"001", m_start, "4", "9000000004", "N"}},
        {"getVigenciaTab", {"001"}},
        {"getTabGeral", {}},
        {"GetPrecoHora", {"001", m_start}},
    };
    for (const auto &c : cases)
        for (const auto enc : {data::Encoding::Json, data::Encoding::Cbor}) {
            const QString method = QString::fromLatin1(c.method);
            const QByteArray sent = rawAnswer(method, c.args, enc);
            EXPECT_EQ(sent, wholePacketAnswer(method, c.args, enc))
                << c.method << (enc == data::Encoding::Json ? " JSON" : " CBOR");
        }
}

TEST_F(StreamingTest, AFailureAfterTheFirstPartEndsTheAnswerAndNotTheConnection)
{
    // The 3000th row cannot be computed; the rows before it go out first.
    const QString failing = QStringLiteral(
        "WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < 5000) "
        "SELECT I, CASE WHEN I = 3000 THEN ABS(-9223372036854772808 - I) ELSE I END FROM N");
    const QList<data::FieldDef> fields{{QStringLiteral("A"), data::FieldType::Integer, 0},
                                       {QStringLiteral("B"), data::FieldType::Integer, 0}};
    auto stream = PacketStream::open(packetQuery(database(), failing, {}, fields),
                                     data::Encoding::Json, QByteArrayLiteral("}"));
    QByteArray first;
    ASSERT_FALSE(stream->fill(first, 1024));
    EXPECT_TRUE(first.startsWith("[[1,1],[2,2]")) << first.left(20).constData();
    QByteArray rest;
    EXPECT_THROW(while (!stream->fill(rest, 1024)) rest.clear(), DbError);
    stream.reset();

    // The same connection serves the next read whole, its statement prepared once.
    const QString good = QStringLiteral("SELECT CDTABEPREC, NMTABEPREC FROM TABEPRECGER "
                                        "WHERE CDTABEPREC = ?");
    const QList<data::FieldDef> table{{QStringLiteral("CDTABEPREC"), data::FieldType::String, 3},
                                      {QStringLiteral("NMTABEPREC"), data::FieldType::String, 20}};
    for (int run = 0; run < 2; ++run) {
        QByteArray all;
        EXPECT_TRUE(PacketStream::open(packetQuery(database(), good, {"001"}, table),
                                       data::Encoding::Json, {})
                        ->fill(all, 1 << 20));
        EXPECT_TRUE(all.startsWith("[[\"001\",")) << all.constData();
    }
    if (onPostgres()) {
        // The pattern is split so that this query, prepared the same way, is not counted.
        EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM pg_prepared_statements WHERE "
                                        "NOT from_sql AND statement LIKE '%TABEPREC' || "
                                        "'GER W%'"))
                      .toInt(),
                  1);
    }
}

} // namespace
} // namespace vnd::server::test
