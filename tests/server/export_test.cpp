// The price table export: the products a table offers, and the copy of a table for all
// products or a list, compared row by row with the origin; refusals leave nothing behind.

#include "server/sqlstatement.h"
#include "serverfixture.h"

#include "wire/codec.h"

#include <algorithm>
#include <map>

namespace vnd::server::test
{
namespace
{

using ExportTest = ServerFixture;

// Every row of a table's price data, keyed without the table code, so the copy of a row
// compares equal to its origin.
using Rows = std::map<QString, QVariantList>;

Rows rowsOf(const ServerFixture &f, const QString &table, const QString &code,
            const QStringList &parents = {})
{
    SqlStatement q(f.database().connection(),
                   QStringLiteral("SELECT * FROM %1 WHERE CDTABEPREC = ?").arg(table));
    q.bind(code).exec();
    Rows out;
    while (q.next()) {
        int parent = -1;
        for (int i = 0; i < q.columnCount(); ++i)
            if (q.columnName(i).compare(u"CDPRPAITABPR", Qt::CaseInsensitive) == 0)
                parent = i;
        if (!parents.isEmpty() && !parents.contains(q.value(parent).toString()))
            continue;
        QVariantList values;
        QStringList key;
        for (int i = 0; i < q.columnCount(); ++i) {
            if (q.columnName(i).compare(u"CDTABEPREC", Qt::CaseInsensitive) == 0)
                continue;
            values << q.value(i);
            key << q.value(i).toString();
        }
        out.emplace(key.join(u'|'), values);
    }
    return out;
}

QString productNamed(const ServerFixture &f, const char *name)
{
    return f
        .scalar(QStringLiteral("SELECT CDPRODUTO FROM PRODUTO WHERE NMPRODUTO = ?"),
                {QString::fromUtf8(name)})
        .toString();
}

int tableCount(const ServerFixture &f)
{
    return f.scalar(QStringLiteral("SELECT COUNT(*) FROM TABEPRECGER")).toInt();
}

} // namespace

TEST_F(ExportTest, GetExpProdutoListsTheProductsPricedInTheTable)
{
    const data::DataPacket p = packet(QStringLiteral("getExpProduto"), {"001"});
    ASSERT_EQ(p.fields.size(), 4);
    const struct {
        const char *name;
        data::FieldType type;
        int size;
    } fields[] = {{"IDMARCADO", data::FieldType::FixedString, 1},
                  {"CDARVPROD", data::FieldType::String, 20},
                  {"NMPRODUTO", data::FieldType::String, 50},
                  {"CDPRODUTO", data::FieldType::String, 10}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(p.fields[i].name, QString::fromLatin1(fields[i].name));
        EXPECT_EQ(p.fields[i].type, fields[i].type) << fields[i].name;
        EXPECT_EQ(p.fields[i].size, fields[i].size) << fields[i].name;
    }

    // Oracle: the products with a row of their own in some period, by tree code.
    std::map<QString, QString> expected; // tree code -> product
    for (const auto &[key, row] : rowsOf(*this, QStringLiteral("ITEMPRECO"), "001")) {
        const QString product = row[1].toString(); // DTINIVGPREC, CDPRODUTO, CDPRPAITABPR...
        if (product == row[2].toString())
            expected[scalar(QStringLiteral("SELECT CDARVPROD FROM PRODUTO WHERE CDPRODUTO = ?"),
                            {product})
                         .toString()] = product;
    }
    ASSERT_EQ(p.rows.size(), expected.size());
    auto it = expected.begin();
    for (const data::Row &r : p.rows) {
        EXPECT_TRUE(r[0].isNull());
        EXPECT_EQ(r[1].toString(), it->first);
        EXPECT_EQ(r[3].toString(), it->second);
        ++it;
    }
    // Every eleventh product is not priced in the demo tables.
    EXPECT_EQ(std::count_if(p.rows.cbegin(), p.rows.cend(),
                            [](const data::Row &r) { return r[3] == "0000000011"; }),
              0);

    EXPECT_TRUE(packet(QStringLiteral("getExpProduto"), {"999"}).rows.empty());

    // The export window names the module in capitals.
    const Answer upper =
        post("/VND42700.rdmTabGeral/getexpproduto",
             data::encodeRequest({"001"}, data::Encoding::Json).toStdString(), "application/json");
    EXPECT_EQ(upper.status, 200);
    EXPECT_EQ(upper.reply.result.packet().rows.size(), p.rows.size());
}

TEST_F(ExportTest, AllProductsCopyEveryPeriodPriceAndRuleButNoBranch)
{
    const qint64 origin =
        scalar(QStringLiteral("SELECT COUNT(*) FROM ITEMPRECO WHERE CDTABEPREC = '001'"))
            .toLongLong();
    const Answer a = call(QStringLiteral("setConfirmar"), {" 9", "COPIA", "001", "", "T"});
    ASSERT_EQ(a.status, 200) << a.reply.errorMessage.toStdString();
    EXPECT_EQ(a.reply.result.toVariant().toLongLong(), origin);

    EXPECT_EQ(scalar(QStringLiteral("SELECT NMTABEPREC FROM TABEPRECGER WHERE CDTABEPREC = "
                                    "'009'")),
              "COPIA");
    for (const char *table : {"TABEVEND", "ITEMPRECO", "ITEMPRECODIA"}) {
        const Rows from = rowsOf(*this, QString::fromLatin1(table), "001");
        EXPECT_FALSE(from.empty()) << table;
        EXPECT_EQ(rowsOf(*this, QString::fromLatin1(table), "009"), from) << table;
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM TABEPRECFILI WHERE CDTABEPREC = "
                                    "'009'")),
              0);
}

TEST_F(ExportTest, ListCopiesTheListedProductsWithTheirCompositionRows)
{
    const QString combo = productNamed(*this, "COMBO FAMÍLIA PORÇÕES");
    const QString picanha = productNamed(*this, "PICANHA NA CHAPA");
    ASSERT_FALSE(combo.isEmpty());
    ASSERT_FALSE(picanha.isEmpty());
    const QStringList listed{combo, picanha};
    const Rows items = rowsOf(*this, QStringLiteral("ITEMPRECO"), "001", listed);
    const Rows rules = rowsOf(*this, QStringLiteral("ITEMPRECODIA"), "001", listed);
    // The combo's components have rows of their own under it, and both have rules.
    ASSERT_GT(items.size(), 2 * 3u);
    ASSERT_GE(rules.size(), 3u);

    // Listed twice, and a product without price in the table.
    const QString list =
        u'_' + combo + u'_' + picanha + u'_' + combo + QStringLiteral("_0000000011_");
    const Answer a = call(QStringLiteral("setConfirmar"), {"010", "LISTA", "001", list, "L"});
    ASSERT_EQ(a.status, 200) << a.reply.errorMessage.toStdString();
    EXPECT_EQ(a.reply.result.toVariant().toLongLong(), qint64(items.size()));
    EXPECT_EQ(a.reply.refs.at(3).toString(), list);
    EXPECT_EQ(rowsOf(*this, QStringLiteral("ITEMPRECO"), "010"), items);
    EXPECT_EQ(rowsOf(*this, QStringLiteral("ITEMPRECODIA"), "010"), rules);
    EXPECT_EQ(rowsOf(*this, QStringLiteral("TABEVEND"), "010"),
              rowsOf(*this, QStringLiteral("TABEVEND"), "001"));
}

TEST_F(ExportTest, RefusalsAnswerTheWindowsTextsAndWriteNothing)
{
    const QString one = QStringLiteral("_0000000001_");
    const struct {
        data::ValueArray args;
        int status;
        const char *message;
    } cases[] = {
        {{"050", "NOVA", "777", "", "T"}, 422, "Tabela geral não cadastrada."},
        {{"050", "NOVA", "", "", "T"}, 422, "Tabela geral não cadastrada."},
        {{"050", "NOVA", "001", "", "L"}, 422, "Não há produto selecionado."},
        {{"050", "NOVA", "001", "_", "L"}, 422, "Não há produto selecionado."},
        {{" ", "NOVA", "001", "", "T"}, 422, "Tabela destino deve ser informada."},
        {{"1", "NOVA", "001", one, "L"},
         422,
         "Tabela destino deve ser diferente da tabela origem."},
        {{"2", "NOVA", "001", "", "T"}, 422, "Tabela geral já cadastrada."},
        {{"050", "  ", "001", "", "T"}, 422, "Nome deve ser informado."},
        {{"050", "NOVA", "001", "", "X"}, 400, nullptr},
        {{"050", "NOVA", "001", "", ""}, 400, nullptr},
        {{"050", "NOVA", "001", "0000000001", "L"}, 400, nullptr},
        {{"050", "NOVA", "001", "_00001", "L"}, 400, nullptr},
        {{"050", "NOVA", "001", 7, "T"}, 400, nullptr},
        {{"050", "NOVA", "001", ""}, 400, nullptr},
        {{"050", "NO\nVA", "001", "", "T"}, 422, nullptr},
        {{"050", "NO\u202eVA", "001", "", "T"}, 422, nullptr},
        {{"abc", "NOVA", "001", "", "T"}, 422, nullptr},
        {{"050", "NOME COM MAIS DE VINTE", "001", "", "T"}, 422, nullptr},
    };
    for (const auto &c : cases) {
        const Answer a = call(QStringLiteral("setConfirmar"), c.args);
        EXPECT_EQ(a.status, c.status) << a.reply.errorMessage.toStdString();
        EXPECT_FALSE(a.reply.ok);
        if (c.message) {
            EXPECT_EQ(a.reply.errorMessage, QString::fromUtf8(c.message));
        }
    }
    EXPECT_EQ(tableCount(*this), 3);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM TABEVEND WHERE CDTABEPREC NOT IN "
                                    "('001', '002', '003')")),
              0);
}

} // namespace vnd::server::test
