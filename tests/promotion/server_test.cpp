// The promotion window's server methods: the products of a period and a tree code among them,
// the promotion flag for all products, a list and a range, the name prefix, and refusals that
// leave everything as it was.

#include "printers.h"
#include "server/sqlstatement.h"
#include "serverfixture.h"

#include <algorithm>
#include <map>

namespace vnd::server::test
{
namespace
{

using Map = std::map<QString, QString>;

class PromotionServer : public ServerFixture
{
protected:
    void SetUp() override
    {
        ServerFixture::SetUp();
        if (HasFatalFailure())
            return;
        start = currentPeriodStart(packet(QStringLiteral("getVigenciaTab"), {"001"}), today());
        offered = packet(QStringLiteral("GetAutItemPreco"), {"001", start});
        ASSERT_GT(offered.rows.size(), 8u);
    }
    // The query's second column by its first.
    Map mapOf(const char *sql) const
    {
        SqlStatement q(database().connection(), QString::fromLatin1(sql));
        if (QString::fromLatin1(sql).contains(u'?'))
            q.bind(start.toString(Qt::ISODate));
        q.exec();
        Map out;
        while (q.next())
            out[q.value(0).toString()] = q.value(1).toString();
        return out;
    }
    // Flags of the products' own rows in the period of 001; of every other row.
    Map ownFlags() const
    {
        return mapOf("SELECT CDPRODUTO, IDPRODPROMOC FROM ITEMPRECO WHERE CDTABEPREC = '001' "
                     "AND DTINIVGPREC = ? AND CDPRODUTO = CDPRPAITABPR");
    }
    Map otherFlags() const
    {
        return mapOf("SELECT CDTABEPREC || DTINIVGPREC || CDPRODUTO || CDPRPAITABPR, "
                     "IDPRODPROMOC FROM ITEMPRECO WHERE NOT (CDTABEPREC = '001' AND "
                     "DTINIVGPREC = ? AND CDPRODUTO = CDPRPAITABPR)");
    }
    Map names() const { return mapOf("SELECT CDPRODUTO, NMPRODUTO FROM PRODUTO"); }
    QString code(size_t row, int field = 1) const { return offered.rows[row][field].toString(); }
    Answer flag(const char *flag, const QString &from, const QString &to,
                const data::Value &products, const char *all = "")
    {
        return call(QStringLiteral("SetUpdItemPrecoAlt"),
                    {flag, from, to, "", all, products, !products.isNull(), "001", start});
    }
    qint64 changed(const Answer &a) const
    {
        EXPECT_EQ(a.status, 200) << a.reply.errorMessage.toStdString();
        return a.reply.result.toVariant().toLongLong();
    }

    QDate start;
    data::DataPacket offered; // GetAutItemPreco of the period
};

data::DataPacket chosen(const QStringList &codes)
{
    data::DataPacket p{{{QStringLiteral("CDPRODUTO"), data::FieldType::String, 10}}, {}};
    for (const QString &c : codes)
        p.rows.push_back({c});
    return p;
}

} // namespace

TEST_F(PromotionServer, ProductsOfThePeriodAndATreeCodeAmongThem)
{
    EXPECT_EQ(offered.fields[0], (data::FieldDef{"IDMARCADO", data::FieldType::FixedString, 1}));
    EXPECT_EQ(offered.fields[2], (data::FieldDef{"CDARVPROD", data::FieldType::String, 20}));
    // Oracle: the products with a row of their own in the period, sorted here by tree code.
    std::vector<std::pair<QString, QString>> expected; // tree, product
    const Map trees = mapOf("SELECT CDPRODUTO, CDARVPROD FROM PRODUTO");
    for (const auto &[product, f] : ownFlags())
        expected.emplace_back(trees.at(product), product);
    std::sort(expected.begin(), expected.end());
    ASSERT_EQ(offered.rows.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(std::pair(code(i, 2), code(i)), expected[i]);
    EXPECT_TRUE(packet(QStringLiteral("GetAutItemPreco"), {"003", today().addDays(150)})
                    .rows.empty()); // a period without prices

    const data::DataPacket found =
        packet(QStringLiteral("GetProdValid"), {"001", start, code(3, 2)});
    ASSERT_EQ(found.rows.size(), 1u);
    EXPECT_EQ(found.rows[0], (data::Row{code(3), code(3, 2), code(3, 3)}));
    // The code as typed: a formatted one is no tree code; an unpriced product is not offered.
    for (const QString &other : {code(3, 2).insert(1, u'.'), trees.at("0000000011")})
        EXPECT_TRUE(packet(QStringLiteral("GetProdValid"), {"001", start, other}).rows.empty());
}

TEST_F(PromotionServer, FlagForAllAListAndARangeOfTheirOwnRowsOnly)
{
    const Map before = ownFlags(), others = otherFlags();
    const auto notS = std::count_if(before.cbegin(), before.cend(),
                                    [](const auto &e) { return e.second != u"S"; });
    ASSERT_GT(notS, 0);
    EXPECT_EQ(changed(flag("S", "", "", nullptr, "T")), notS);
    Map expected = before;
    for (auto &[product, f] : expected)
        f = QStringLiteral("S");
    // Listed twice, a blank code, and a product without a row: each listed one changes once.
    EXPECT_EQ(changed(flag("N", "", "", chosen({code(0), code(1), code(0), "", "0000000011"}))), 2);
    // An inclusive range of tree codes: rows 4 to 7.
    EXPECT_EQ(changed(flag("N", code(4, 2), code(7, 2), nullptr)), 4);
    for (size_t row : {0, 1, 4, 5, 6, 7})
        expected[code(row)] = QStringLiteral("N");
    EXPECT_EQ(ownFlags(), expected);
    EXPECT_EQ(otherFlags(), others); // combo components, other periods and tables
}

TEST_F(PromotionServer, FlagRefusalsChangeNothing)
{
    const Map before = ownFlags();
    const struct {
        Answer answer;
        int status;
        const char *message;
    } cases[] = {
        {flag("X", "", "", nullptr, "T"), 422, nullptr},
        {flag("S", "", "", nullptr, "Y"), 422, nullptr},
        // Plain strings: "9" comes after "10".
        {flag("S", "9", "10", nullptr), 422,
         "Produto inicial deve ser menor ou igual que produto final."},
        {flag("S", "", "10", nullptr), 422, "Produto inicial deve ser informado."},
        {flag("S", "1", "", nullptr), 422, "Produto final deve ser informado."},
        {flag("S", "", "", chosen({})), 422, "Produto deve ser informado."},
        {flag("S", "", "", "_0000000001_"), 400, nullptr},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.answer.status, c.status) << c.answer.reply.errorMessage.toStdString();
        EXPECT_FALSE(c.answer.reply.errorMessage.isEmpty());
        if (c.message) {
            EXPECT_EQ(c.answer.reply.errorMessage, QString::fromUtf8(c.message));
        }
    }
    EXPECT_EQ(ownFlags(), before);
}

TEST_F(PromotionServer, PrefixIsAddedOnceAndRemovedByListRangeOrAll)
{
    const Map original = names();
    const QString list = QStringLiteral("_%1_%2_").arg(code(0), code(1));
    auto prefix = [this](const char *method, const QString &from, const QString &to,
                         const QString &list, const char *all) {
        return changed(call(QString::fromLatin1(method), {"PROMO ", from, to, list, all}));
    };
    EXPECT_EQ(prefix("SetAddPrefixo", "", "", list, ""), 2);
    EXPECT_EQ(names()[code(0)], QStringLiteral("PROMO ") + original.at(code(0)));
    EXPECT_EQ(prefix("SetAddPrefixo", "", "", list, ""), 0);
    EXPECT_EQ(prefix("SetDelPrefixo", code(0, 2), code(0, 2), "", ""), 1);
    EXPECT_EQ(prefix("SetDelPrefixo", "", "", list, ""), 1);
    EXPECT_EQ(names(), original);

    // All products: the deepest level only (the tree's groups keep their names).
    const qint64 deepest =
        scalar(QStringLiteral("SELECT COUNT(*) FROM PRODUTO WHERE CDNVPRODUTO = 4")).toLongLong();
    EXPECT_EQ(prefix("SetAddPrefixo", "", "", "", "T"), deepest);
    for (const auto &[product, name] : names())
        EXPECT_EQ(name.startsWith(u"PROMO "), !product.startsWith(u'G')) << name.toStdString();
    EXPECT_EQ(prefix("SetDelPrefixo", "", "", "", "T"), deepest);
    EXPECT_EQ(names(), original);
}

TEST_F(PromotionServer, PrefixRefusalsChangeNoName)
{
    // 45 characters: 50 with "PROMO", 51 with "PROMO ".
    const QString longest = code(5);
    scalar(QStringLiteral("UPDATE PRODUTO SET NMPRODUTO = ? WHERE CDPRODUTO = ?"),
           {QString(45, u'A'), longest});
    const Map before = names();
    const Answer tooLong = call(QStringLiteral("SetAddPrefixo"), {"PROMO ", "", "", "", "T"});
    EXPECT_EQ(tooLong.status, 422);
    const QString shown = code(5, 2).insert(1, u'.').insert(4, u'.').insert(8, u'.');
    EXPECT_TRUE(tooLong.reply.errorMessage.contains(shown))
        << tooLong.reply.errorMessage.toStdString();
    EXPECT_EQ(names(), before);
    EXPECT_EQ(call(QStringLiteral("SetAddPrefixo"), {"PROMO", "", "", "", "T"}).status, 200);
    EXPECT_EQ(names()[longest].size(), 50);

    EXPECT_EQ(call(QStringLiteral("SetAddPrefixo"), {"", "", "", "", "T"}).reply.errorMessage,
              QStringLiteral("Prefixo deve ser informado."));
    EXPECT_EQ(call(QStringLiteral("SetDelPrefixo"), {"P", "", "", "_12", ""}).status, 400);
    EXPECT_EQ(call(QStringLiteral("SetAddPrefixo"), {"P\n", "", "", "", "T"}).status, 422);
    EXPECT_EQ(call(QStringLiteral("SetDelPrefixo"), {"P", "2", "1", "", ""}).status, 422);
    // Removing never leaves a name empty.
    scalar(QStringLiteral("UPDATE PRODUTO SET NMPRODUTO = 'PROMO' WHERE CDPRODUTO = ?"), {longest});
    EXPECT_EQ(changed(call(QStringLiteral("SetDelPrefixo"),
                           {"PROMO", "", "", QStringLiteral("_%1_").arg(longest), ""})),
              0);
}

} // namespace vnd::server::test
