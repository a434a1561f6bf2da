// The promotion window's server methods: the products of a period and a tree code among them,
// the promotion flag for all products, a list and a range, the name prefix, and the refusals,
// which leave everything as it was.

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

QString u(const char *s)
{
    return QString::fromUtf8(s);
}

class PromotionServer : public ServerFixture
{
protected:
    void SetUp() override
    {
        ServerFixture::SetUp();
        if (HasFatalFailure())
            return;
        start = currentPeriodStart(packet(QStringLiteral("getVigenciaTab"), {"001"}), today());
        ASSERT_TRUE(start.isValid());
    }

    // Every value of the query's second column by its first.
    Map mapOf(const QString &sql, const QVariantList &values = {}) const
    {
        SqlRows rows = this->rows(sql, values);
        Map out;
        for (const QVariantList &r : rows)
            out[r[0].toString()] = r[1].toString();
        return out;
    }
    using SqlRows = std::vector<QVariantList>;
    SqlRows rows(const QString &sql, const QVariantList &values) const;

    // Flags of the products' own rows in the period of 001, by product.
    Map ownFlags() const
    {
        return mapOf(QStringLiteral("SELECT CDPRODUTO, IDPRODPROMOC FROM ITEMPRECO WHERE "
                                    "CDTABEPREC = '001' AND DTINIVGPREC = ? AND "
                                    "CDPRODUTO = CDPRPAITABPR"),
                     {start.toString(Qt::ISODate)});
    }
    // Every other item price row's flag.
    Map otherFlags() const
    {
        return mapOf(QStringLiteral("SELECT CDTABEPREC || DTINIVGPREC || CDPRODUTO || "
                                    "CDPRPAITABPR, IDPRODPROMOC FROM ITEMPRECO WHERE NOT "
                                    "(CDTABEPREC = '001' AND DTINIVGPREC = ? AND "
                                    "CDPRODUTO = CDPRPAITABPR)"),
                     {start.toString(Qt::ISODate)});
    }
    Map names() const { return mapOf(QStringLiteral("SELECT CDPRODUTO, NMPRODUTO FROM PRODUTO")); }
    QString tree(const QString &product) const
    {
        return scalar(QStringLiteral("SELECT CDARVPROD FROM PRODUTO WHERE CDPRODUTO = ?"),
                      {product})
            .toString();
    }
    Answer flag(const char *flag, const QString &from, const QString &to,
                const data::Value &products, bool listMode, const char *all = "")
    {
        return call(QStringLiteral("SetUpdItemPrecoAlt"),
                    {flag, from, to, "", all, products, listMode, "001", start});
    }
    static data::DataPacket chosen(const QStringList &codes)
    {
        data::DataPacket p;
        p.fields = {{QStringLiteral("IDMARCADO"), data::FieldType::String, 1},
                    {QStringLiteral("CDPRODUTO"), data::FieldType::String, 10}};
        for (const QString &c : codes)
            p.rows.push_back({QVariant(), c});
        return p;
    }

    QDate start;
};

PromotionServer::SqlRows PromotionServer::rows(const QString &sql, const QVariantList &values) const
{
    SqlStatement q(database().connection(), sql);
    for (const QVariant &v : values)
        q.bind(v);
    q.exec();
    SqlRows out;
    while (q.next())
        out.push_back({q.value(0), q.value(1)});
    return out;
}

qint64 count(const Answer &a)
{
    EXPECT_EQ(a.status, 200) << a.reply.errorMessage.toStdString();
    return a.reply.result.toVariant().toLongLong();
}

} // namespace

TEST_F(PromotionServer, ProductsOfThePeriodAndATreeCodeAmongThem)
{
    const data::DataPacket p = packet(QStringLiteral("GetAutItemPreco"), {"001", start});
    const QStringList names{"IDMARCADO", "CDPRODUTO", "CDARVPROD", "NMPRODUTO"};
    const int sizes[] = {1, 10, 20, 50};
    ASSERT_EQ(p.fields.size(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(p.fields[i].name, names[i]);
        EXPECT_EQ(p.fields[i].size, sizes[i]);
    }
    EXPECT_EQ(p.fields[0].type, data::FieldType::FixedString);

    // Oracle: the products with a row of their own in the period, sorted here by tree code.
    std::vector<std::pair<QString, QString>> expected; // tree, product
    for (const auto &[product, flag] : ownFlags())
        expected.emplace_back(tree(product), product);
    std::sort(expected.begin(), expected.end());
    ASSERT_EQ(p.rows.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_TRUE(p.rows[i][0].isNull());
        EXPECT_EQ(p.rows[i][1].toString(), expected[i].second);
        EXPECT_EQ(p.rows[i][2].toString(), expected[i].first);
    }
    EXPECT_EQ(std::count_if(p.rows.cbegin(), p.rows.cend(),
                            [](const data::Row &r) { return r[1] == "0000000011"; }),
              0);
    // A period without prices, and another table's period.
    EXPECT_TRUE(
        packet(QStringLiteral("GetAutItemPreco"), {"003", today().addDays(150)}).rows.empty());

    const data::DataPacket found =
        packet(QStringLiteral("GetProdValid"), {"001", start, p.rows[3][2].toString()});
    ASSERT_EQ(found.rows.size(), 1u);
    EXPECT_EQ(found.rows[0], (data::Row{p.rows[3][1], p.rows[3][2], p.rows[3][3]}));
    // The code as typed: a formatted one is not a tree code; an unpriced product is not offered.
    const QString formatted = p.rows[3][2].toString().insert(1, u'.');
    EXPECT_TRUE(packet(QStringLiteral("GetProdValid"), {"001", start, formatted}).rows.empty());
    EXPECT_TRUE(
        packet(QStringLiteral("GetProdValid"), {"001", start, tree(QStringLiteral("0000000011"))})
            .rows.empty());
}

TEST_F(PromotionServer, FlagForAllAListAndARangeOfTheirOwnRowsOnly)
{
    const Map before = ownFlags(), others = otherFlags();
    const auto notS = std::count_if(before.cbegin(), before.cend(),
                                    [](const auto &e) { return e.second != u"S"; });
    ASSERT_GT(notS, 0);
    EXPECT_EQ(count(flag("S", "", "", nullptr, false, "T")), notS);
    for (const auto &[product, f] : ownFlags())
        EXPECT_EQ(f, "S") << product.toStdString();
    EXPECT_EQ(otherFlags(), others); // combo components and other periods and tables

    const data::DataPacket offered = packet(QStringLiteral("GetAutItemPreco"), {"001", start});
    const QString a = offered.rows[0][1].toString(), b = offered.rows[1][1].toString();
    // Listed twice, a blank code, and a product without a row: each listed one changes once.
    EXPECT_EQ(count(flag("N", "", "", chosen({a, b, a, "", "0000000011"}), true)), 2);
    Map expected = ownFlags();
    EXPECT_EQ(expected[a], "N");
    EXPECT_EQ(expected[b], "N");

    // Inclusive range of tree codes: rows 4 to 7.
    const QString from = offered.rows[4][2].toString(), to = offered.rows[7][2].toString();
    EXPECT_EQ(count(flag("N", from, to, nullptr, false)), 4);
    for (int i = 4; i <= 7; ++i)
        expected[offered.rows[i][1].toString()] = QStringLiteral("N");
    EXPECT_EQ(ownFlags(), expected);
    EXPECT_EQ(otherFlags(), others);
}

TEST_F(PromotionServer, FlagRefusalsChangeNothing)
{
    const Map before = ownFlags();
    const struct {
        Answer answer;
        int status;
        const char *message;
    } cases[] = {
        {flag("X", "", "", nullptr, false, "T"), 422, nullptr},
        {flag("S", "", "", nullptr, false, "Y"), 422, nullptr},
        // Plain strings: "9" comes after "10".
        {flag("S", "9", "10", nullptr, false), 422,
         "Produto inicial deve ser menor ou igual que produto final."},
        {flag("S", "", "10", nullptr, false), 422, "Produto inicial deve ser informado."},
        {flag("S", "1", "", nullptr, false), 422, "Produto final deve ser informado."},
        {flag("S", "", "", chosen({}), true), 422, "Produto deve ser informado."},
        {flag("S", "", "", "_0000000001_", true), 400, nullptr},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.answer.status, c.status) << c.answer.reply.errorMessage.toStdString();
        EXPECT_FALSE(c.answer.reply.errorMessage.isEmpty());
        if (c.message) {
            EXPECT_EQ(c.answer.reply.errorMessage, u(c.message));
        }
    }
    EXPECT_EQ(ownFlags(), before);
}

TEST_F(PromotionServer, PrefixIsAddedOnceAndRemovedByListRangeOrAll)
{
    const Map original = names();
    const data::DataPacket offered = packet(QStringLiteral("GetAutItemPreco"), {"001", start});
    const QString a = offered.rows[0][1].toString(), b = offered.rows[1][1].toString();
    const QString list = QStringLiteral("_%1_%2_").arg(a, b);
    auto prefix = [this](const char *method, const char *text, const QString &from,
                         const QString &to, const QString &list, const char *all) {
        return call(QString::fromLatin1(method), {u(text), from, to, list, all});
    };

    EXPECT_EQ(count(prefix("SetAddPrefixo", "PROMO ", "", "", list, "")), 2);
    EXPECT_EQ(names()[a], QStringLiteral("PROMO ") + original.at(a));
    EXPECT_EQ(count(prefix("SetAddPrefixo", "PROMO ", "", "", list, "")), 0);
    const QString t = offered.rows[0][2].toString();
    EXPECT_EQ(count(prefix("SetDelPrefixo", "PROMO ", t, t, "", "")), 1);
    EXPECT_EQ(names()[a], original.at(a));
    EXPECT_EQ(count(prefix("SetDelPrefixo", "PROMO ", "", "", list, "")), 1);
    EXPECT_EQ(names(), original);

    // All products: the deepest level only (the tree's groups keep their names).
    const qint64 deepest =
        scalar(QStringLiteral("SELECT COUNT(*) FROM PRODUTO WHERE CDNVPRODUTO = 4")).toLongLong();
    EXPECT_EQ(count(prefix("SetAddPrefixo", "PROMO ", "", "", "", "T")), deepest);
    const Map prefixed = names();
    for (const auto &[product, name] : original)
        EXPECT_EQ(prefixed.at(product).startsWith(u"PROMO "), !product.startsWith(u'G'))
            << product.toStdString();
    EXPECT_EQ(count(prefix("SetDelPrefixo", "PROMO ", "", "", "", "T")), deepest);
    EXPECT_EQ(names(), original);
}

TEST_F(PromotionServer, PrefixRefusalsChangeNoName)
{
    const data::DataPacket offered = packet(QStringLiteral("GetAutItemPreco"), {"001", start});
    const QString longest = offered.rows[5][1].toString();
    // 45 characters: one more with the prefix would pass the column's 50.
    scalar(QStringLiteral("UPDATE PRODUTO SET NMPRODUTO = ? WHERE CDPRODUTO = ?"),
           {QString(45, u'A'), longest});
    const Map before = names();

    const Answer tooLong = call(QStringLiteral("SetAddPrefixo"), {"PROMO ", "", "", "", "T"});
    EXPECT_EQ(tooLong.status, 422);
    const QString shown = tree(longest).insert(1, u'.').insert(4, u'.').insert(8, u'.');
    EXPECT_TRUE(tooLong.reply.errorMessage.contains(shown))
        << tooLong.reply.errorMessage.toStdString();
    EXPECT_EQ(names(), before);
    // Exactly 50 fits.
    EXPECT_EQ(call(QStringLiteral("SetAddPrefixo"), {"PROMO", "", "", "", "T"}).status, 200);
    EXPECT_EQ(names()[longest], QStringLiteral("PROMO") + QString(45, u'A'));
    call(QStringLiteral("SetDelPrefixo"), {"PROMO", "", "", "", "T"});
    EXPECT_EQ(names(), before);

    EXPECT_EQ(call(QStringLiteral("SetAddPrefixo"), {"", "", "", "", "T"}).reply.errorMessage,
              u("Prefixo deve ser informado."));
    EXPECT_EQ(call(QStringLiteral("SetDelPrefixo"), {"P", "", "", "_12", ""}).status, 400);
    EXPECT_EQ(call(QStringLiteral("SetAddPrefixo"), {"P\n", "", "", "", "T"}).status, 422);
    EXPECT_EQ(call(QStringLiteral("SetDelPrefixo"), {"P", "2", "1", "", ""}).status, 422);
    // Removing never leaves a name empty.
    scalar(QStringLiteral("UPDATE PRODUTO SET NMPRODUTO = 'PROMO' WHERE CDPRODUTO = ?"), {longest});
    EXPECT_EQ(count(call(QStringLiteral("SetDelPrefixo"),
                         {"PROMO", "", "", QStringLiteral("_%1_").arg(longest), ""})),
              0);
    EXPECT_EQ(names()[longest], "PROMO");
}

} // namespace vnd::server::test
