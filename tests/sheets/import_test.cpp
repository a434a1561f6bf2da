// The import check: every row of a file against the item it names, with the grid's parsing,
// checks and messages; what it changes, leaves alone and refuses. And the export's reading of
// the same dataset.

#include "pricetable/gridformat.h"
#include "pricetable/itempricefields.h"
#include "pricetable/priceimport.h"
#include "pricing/messagetable.h"
#include "pricing/tabgeralmessages.h"

#include <gtest/gtest.h>

namespace vnd::pricetable
{
namespace
{

const MessageTable &messages()
{
    static const MessageTable m(tabGeralMessages());
    return m;
}

// The grid's titles.
const QList<GridColumn> kGrid = {
    {"CDARVPROD", "Produto"},
    {"CDBARPRODUTO", "Código de Barra"},
    {"NMPRODUTO", "Nome"},
    {"VRPRECITEM", "Preço"},
    {"VRPRECITEMCL", "Preço Subs."},
    {"VRPRECITEMDLV", "Pr. Delivery"},
    {"VRPRECITEMCMD", "Pr. Comanda"},
    {"IDPRECVARIA", "Pr. Variável"},
    {"VRPRESUGITEM", "Pr. Sugerido"},
    {"VRCUSTITEM", "Pr. Calculado"},
    {"VRMKUPITEM", "Mark Up"},
    {"IDPRODPROMOC", "Promoção"},
    {"HRINIVENPROD", "Hora Inicial"},
    {"HRFIMVENPROD", "Hora Final"},
};

// Two priced products and one without a price row, as getItemPreco answers them.
class ImportCheckTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        defineItemPrecoFields(m_items);
        installItemPrecoTextHooks(m_items, messages());
        data::DataPacket p;
        p.fields = itemPrecoFieldDefs();
        const QDateTime start(QDate(2026, 12, 1), QTime(0, 0));
        const auto row = [&](const char *code, const char *tree, const QVariant &price,
                             const QVariant &dlv, const char *promo) {
            p.rows.push_back({QStringLiteral("PRODUTO %1").arg(code), code, "001", code, 0.0, price,
                              QVariant(), dlv, price.isNull() ? QVariant() : QVariant(0.0), start,
                              price.isNull() ? QVariant() : QVariant("N"), QVariant(), tree,
                              price.isNull() ? QVariant() : QVariant(2.0), QVariant(),
                              promo ? QVariant(promo) : QVariant(), QVariant(), QVariant(),
                              QVariant()});
        };
        row("0000000001", "1010010001", 5.7, 6.27, "N");
        row("0000000002", "1010010002", 8.0, QVariant(), "S");
        row("0000000003", "1010010003", QVariant(), QVariant(), nullptr);
        m_items.loadPacket(p);
    }

    ImportCheck check(const QByteArray &csv)
    {
        return checkImport(readCsv(csv), m_items, kGrid, messages());
    }

    data::ClientDataSet m_items;
};

TEST_F(ImportCheckTest, EachRowIsChangedUnchangedOrRefusedWithTheGridsMessage)
{
    const struct {
        const char *line; // after the title
        ImportStatus status;
        const char *field;
        const char *message;
    } cases[] = {
        {"1.01.001.0001;5,70;6,27;Não;;", ImportStatus::Unchanged, "", ""},
        {"1.01.001.0001;5,7;6,270;não;;", ImportStatus::Unchanged, "", ""},
        {"1.01.001.0001;6,50;6,27;Não;;", ImportStatus::Changed, "", ""},
        {"1.01.001.0001;5,70;;N;;", ImportStatus::Changed, "", ""},
        {"1.01.001.0002;8,00;;;;", ImportStatus::Unchanged, "", ""}, // an empty flag stays
        {"1.01.001.0001;5,70;6,27;Sim;10:30;14:00", ImportStatus::Changed, "", ""},
        {"1010010001;5,709;6,27;Não;;", ImportStatus::Unchanged, "", ""}, // cut to 5,70
        {"1.01.001.0003;;;;;", ImportStatus::Unchanged, "", ""},
        {"1.01.001.0003;4,00;;;;", ImportStatus::Changed, "", ""},
        {"1.01.001.0001;12,3x;6,27;Não;;", ImportStatus::Refused, "VRPRECITEM",
         "'12,3x' não é um valor numérico válido para o campo Preço."},
        {"1.01.001.0001;-1,00;6,27;Não;;", ImportStatus::Refused, "VRPRECITEM",
         "Valor consumidor deve ser maior que zero."},
        {"1.01.001.0001;5,70;-0,01;Não;;", ImportStatus::Refused, "VRPRECITEMDLV",
         "Valor consumidor deve ser maior que zero."},
        {"1.01.001.0001;999999999999999;6,27;Não;;", ImportStatus::Refused, "VRPRECITEM",
         "Operação bloqueda. Valor preço inválido."},
        {"1.01.001.0001;5,70;6,27;X;;", ImportStatus::Refused, "IDPRODPROMOC",
         "'X' não é um valor válido para o campo Promoção: use Sim ou Não."},
        {"1.01.001.0001;5,70;6,27;Não;25:00;26:00", ImportStatus::Refused, "HRINIVENPROD",
         "'25:00'Hora inválida."},
        {"1.01.001.0001;5,70;6,27;Não;10:30;", ImportStatus::Refused, "HRFIMVENPROD",
         "Hora final deve ser informada."},
        {"9.99.999.9999;5,70;6,27;Não;;", ImportStatus::Refused, "", "Produto não cadastrado."},
        {"1.01.001.0001;5,70;6,27;Não;", ImportStatus::Refused, "",
         "A linha tem 5 campos; o título tem 6."},
    };
    for (const auto &c : cases) {
        const ImportCheck r = check(QByteArray("Produto;Preço;Pr. Delivery;Promoção;Hora Inicial;"
                                               "Hora Final\n") +
                                    c.line + "\n");
        ASSERT_TRUE(r.fileError.isEmpty()) << c.line;
        ASSERT_EQ(r.rows.size(), 1u) << c.line;
        const ImportRow &row = r.rows[0];
        EXPECT_EQ(row.status, c.status) << c.line << " " << row.message.toStdString();
        EXPECT_EQ(row.field, QString::fromLatin1(c.field)) << c.line;
        EXPECT_EQ(row.message, QString::fromUtf8(c.message)) << c.line;
        EXPECT_EQ(row.line, 2) << c.line;
    }
}

TEST_F(ImportCheckTest, ChangedRowsCarryTheNormalisedValuesAndTheCountsAddUp)
{
    const ImportCheck r = check("Produto;Preço;Pr. Delivery;Pr. Comanda\n"
                                "1.01.001.0001;6,509;;7,777\n"
                                "1.01.001.0002;8,00;;\n"
                                "1.01.001.0003;3,00;;\n"
                                "1.01.001.0002;9,00;;\n");
    ASSERT_EQ(r.rows.size(), 4u);
    const ItemPriceValues &first = r.rows[0].after;
    EXPECT_EQ(first.preco, 6.5);
    EXPECT_EQ(first.delivery, std::nullopt);
    EXPECT_EQ(first.comanda, 7.77);
    EXPECT_EQ(first.promocao, QStringLiteral("N")); // a column the file leaves out stays
    // An item without a price row takes the post's defaults: client price 0, flag "N".
    const ItemPriceValues &third = r.rows[2].after;
    EXPECT_EQ(third.preco, 3.0);
    EXPECT_EQ(third.cliente, 0.0);
    EXPECT_EQ(third.varia, QStringLiteral("N"));
    EXPECT_EQ(r.rows[3].message, QStringLiteral("Produto repetido no arquivo (linha 3)."));
    EXPECT_EQ(r.changed, 2);
    EXPECT_EQ(r.unchanged, 1);
    EXPECT_EQ(r.refused, 1);
    EXPECT_EQ(r.fields, (QStringList{"VRPRECITEM", "VRPRECITEMDLV", "VRPRECITEMCMD"}));
}

TEST_F(ImportCheckTest, AFileWithoutTheProductColumnOrWithAnUnknownColumnIsRefusedWhole)
{
    const struct {
        const char *csv;
        const char *error;
    } cases[] = {
        {"Preço\n5,70\n", "O arquivo não tem a coluna \"Produto\"."},
        {"Produto;Preco\n1.01.001.0001;5,70\n",
         "A coluna \"Preco\" não é uma coluna da grade de preços."},
        {"Produto;Nome;Mark Up\n1.01.001.0001;X;1\n",
         "O arquivo não tem nenhuma coluna de preço que possa ser importada."},
        {"Produto;Preço;preço\n1.01.001.0001;1;1\n", "A coluna \"Preço\" aparece mais de uma vez."},
    };
    for (const auto &c : cases)
        EXPECT_EQ(check(c.csv).fileError, QString::fromUtf8(c.error)) << c.csv;
    EXPECT_EQ(check("Produto;Nome;Preço\n1.01.001.0001;X;5,70\n").ignoredTitles,
              QStringList{"Nome"});
}

// The export's sheet keeps the dataset's loaded columns from row to row; a load while it lives
// (the export's progress lets events through) is what it must read next.
TEST_F(ImportCheckTest, ExportSheetReadsALoadMadeWhileItLives)
{
    const ItemPriceSheet sheet(m_items, kGrid, Picture(QStringLiteral("9.99.999.9999")),
                               messages());
    std::vector<SheetCell> cells;
    sheet.readRow(1, cells);
    ASSERT_EQ(cells.size(), 14u);
    EXPECT_EQ(cells[0].text, QStringLiteral("1.01.001.0002"));
    EXPECT_EQ(cells[2].text, QStringLiteral("PRODUTO 0000000002"));
    EXPECT_EQ(cells[3].number, 8.0);
    EXPECT_EQ(cells[11].text, QStringLiteral("Sim"));

    data::DataPacket p;
    p.fields = itemPrecoFieldDefs();
    p.rows.push_back({QStringLiteral("CAFÉ EXPRESSO"), "0000000009", "001", "0000000009", 0.0,
                      QVariant(), QVariant(), QVariant(), QVariant(),
                      QDateTime(QDate(2026, 12, 1), QTime(0, 0)), "N", QVariant(), "2020020009",
                      QVariant(), QVariant(), "N", QVariant(), "0930", QVariant()});
    m_items.loadPacket(p);
    ASSERT_EQ(sheet.rowCount(), 1);
    sheet.readRow(0, cells);
    EXPECT_EQ(cells[0].text, QStringLiteral("2.02.002.0009"));
    EXPECT_EQ(cells[2].text, QStringLiteral("CAFÉ EXPRESSO"));
    EXPECT_TRUE(cells[3].empty);
    EXPECT_EQ(cells[11].text, QStringLiteral("Não"));
    EXPECT_EQ(cells[12].text, QStringLiteral("09:30"));
}

} // namespace
} // namespace vnd::pricetable
