// The save of a spreadsheet import: all rows in one call, all or nothing, each row only while
// it is still as previewed.

#include "dbdump.h"
#include "serverfixture.h"

namespace vnd::server::test
{
namespace
{

using data::FieldType;
using data::Row;

class PriceImportTest : public ServerFixture
{
protected:
    void SetUp() override
    {
        ServerFixture::SetUp();
        m_start = currentPeriodStart(packet(QStringLiteral("getVigenciaTab"), {"001"}), today());
        m_items = packet(QStringLiteral("getItemPreco"), {"001", m_start, "4", "", "T"});
    }
    // CDPRODUTO and the ten editable fields of the product's row as getItemPreco gave them.
    Row previewed(const char *code) const
    {
        static const char *const kFields[] = {"CDPRODUTO",     "VRPRECITEM",   "VRPRECITEMCMD",
                                              "VRPRECITEMDLV", "VRPRECITEMCL", "IDPRECVARIA",
                                              "VRPRESUGITEM",  "VRCUSTITEM",   "IDPRODPROMOC",
                                              "HRINIVENPROD",  "HRFIMVENPROD"};
        for (const Row &r : m_items.rows)
            if (r[m_items.indexOf(u"CDPRODUTO")].toString() == QLatin1String(code)) {
                Row out;
                for (const char *f : kFields)
                    out << r[m_items.indexOf(QString::fromLatin1(f))];
                return out;
            }
        ADD_FAILURE() << "no product " << code;
        return {};
    }
    Answer import(const std::vector<std::pair<Row, Row>> &rows,
                  const QString &file = QStringLiteral("precos.csv")) const
    {
        data::ChangeSet cs;
        cs.fields = {{"CDPRODUTO", FieldType::String, 10},   {"VRPRECITEM", FieldType::Float, 0},
                     {"VRPRECITEMCMD", FieldType::Float, 0}, {"VRPRECITEMDLV", FieldType::Float, 0},
                     {"VRPRECITEMCL", FieldType::Float, 0},  {"IDPRECVARIA", FieldType::String, 1},
                     {"VRPRESUGITEM", FieldType::Float, 0},  {"VRCUSTITEM", FieldType::Float, 0},
                     {"IDPRODPROMOC", FieldType::String, 1}, {"HRINIVENPROD", FieldType::String, 4},
                     {"HRFIMVENPROD", FieldType::String, 4}};
        for (const auto &[before, after] : rows)
            cs.changes.push_back({data::Change::Op::Modify, before, after});
        return call(QStringLiteral("SetImportaPreco"), {"001", m_start, cs, file});
    }
    QVariant stored(const char *column, const char *code) const
    {
        return scalar(
            QStringLiteral("SELECT %1 FROM ITEMPRECO WHERE CDTABEPREC = '001' AND "
                           "DTINIVGPREC = ? AND CDPRODUTO = ? AND CDPRPAITABPR = ?")
                .arg(QLatin1String(column)),
            {m_start.toString(Qt::ISODate), QString::fromLatin1(code), QString::fromLatin1(code)});
    }
    // A product of the deepest level without a price row in the period.
    QString unpriced() const
    {
        for (const Row &r : m_items.rows)
            if (r[m_items.indexOf(u"VRPRECITEM")].isNull())
                return r[m_items.indexOf(u"CDPRODUTO")].toString();
        return {};
    }

    QDate m_start;
    data::DataPacket m_items;
};

TEST_F(PriceImportTest, WritesEveryChangedRowAndPricesAProductWithoutARow)
{
    Row a = previewed("0000000001"), aNew = a;
    aNew[1] = 12.34;        // consumer price
    aNew[3] = QVariant();   // delivery price cleared
    aNew[8] = QString("S"); // on promotion
    aNew[9] = QString("1030");
    aNew[10] = QString("1400");
    const QByteArray code = unpriced().toLatin1();
    ASSERT_FALSE(code.isEmpty());
    Row b = previewed(code.constData()), bNew = b;
    bNew[1] = 3.5;
    bNew[4] = 0.0;
    bNew[5] = QString("N");
    const Answer answer = import({{a, aNew}, {b, bNew}});
    ASSERT_EQ(answer.status, 200) << answer.reply.errorMessage.toStdString();
    EXPECT_EQ(answer.reply.result.toInteger(), 2);
    EXPECT_DOUBLE_EQ(stored("VRPRECITEM", "0000000001").toDouble(), 12.34);
    EXPECT_TRUE(stored("VRPRECITEMDLV", "0000000001").isNull());
    EXPECT_EQ(stored("IDPRODPROMOC", "0000000001").toString(), QStringLiteral("S"));
    EXPECT_EQ(stored("HRINIVENPROD", "0000000001").toString(), QStringLiteral("1030"));
    EXPECT_DOUBLE_EQ(stored("VRPRECITEM", code.constData()).toDouble(), 3.5);
}

// A set carries the code and the fields the import changes: a field left out is neither
// compared with the stored row nor written, though another user changed it since.
TEST_F(PriceImportTest, AFieldNotCarriedIsNeitherComparedNorWritten)
{
    const Row a = previewed("0000000001");
    exec(QStringLiteral("UPDATE ITEMPRECO SET VRCUSTITEM = 99 WHERE CDPRODUTO = '0000000001' AND "
                        "CDPRPAITABPR = '0000000001' AND CDTABEPREC = '001' AND DTINIVGPREC = '%1'")
             .arg(m_start.toString(Qt::ISODate)));
    data::ChangeSet cs;
    cs.fields = {{"CDPRODUTO", FieldType::String, 10}, {"VRPRECITEM", FieldType::Float, 0}};
    cs.changes.push_back({data::Change::Op::Modify, {a[0], a[1]}, {a[0], 7.5}});
    const Answer answer = call(QStringLiteral("SetImportaPreco"), {"001", m_start, cs, "p.csv"});
    ASSERT_EQ(answer.status, 200) << answer.reply.errorMessage.toStdString();
    EXPECT_DOUBLE_EQ(stored("VRPRECITEM", "0000000001").toDouble(), 7.5);
    EXPECT_DOUBLE_EQ(stored("VRCUSTITEM", "0000000001").toDouble(), 99);
}

TEST_F(PriceImportTest, RowsChangedSinceThePreviewAreAllNamedAndNothingIsWritten)
{
    Row a = previewed("0000000001"), b = previewed("0000000002"), c = previewed("0000000003");
    Row aNew = a, bNew = b, cNew = c;
    aNew[1] = 1.0;
    bNew[1] = 2.0;
    cNew[1] = 3.0;
    // Another user changes one field of a and removes b's price row.
    exec(QStringLiteral("UPDATE ITEMPRECO SET VRCUSTITEM = 99 WHERE CDPRODUTO = '0000000001' AND "
                        "CDPRPAITABPR = '0000000001' AND CDTABEPREC = '001' AND DTINIVGPREC = '%1'")
             .arg(m_start.toString(Qt::ISODate)));
    exec(QStringLiteral("DELETE FROM ITEMPRECO WHERE CDPRODUTO = '0000000002' AND "
                        "CDTABEPREC = '001' AND DTINIVGPREC = '%1'")
             .arg(m_start.toString(Qt::ISODate)));
    const QStringList before = dumpData(database());
    const Answer answer = import({{a, aNew}, {b, bNew}, {c, cNew}});
    EXPECT_EQ(answer.status, 409);
    EXPECT_EQ(answer.reply.errorRows, (QStringList{"0000000001", "0000000002"}));
    EXPECT_EQ(dumpData(database()), before);
}

TEST_F(PriceImportTest, ARowBreakingAPriceRuleRefusesTheCallAndNothingIsWritten)
{
    Row a = previewed("0000000001"), b = previewed("0000000002");
    Row aNew = a, bNew = b;
    aNew[1] = 7.0;
    bNew[1] = -1.0;
    const QStringList before = dumpData(database());
    const Answer answer = import({{a, aNew}, {b, bNew}});
    EXPECT_EQ(answer.status, 422);
    EXPECT_EQ(answer.reply.errorMessage,
              QStringLiteral("Produto 0000000002: Valor consumidor deve ser maior que zero."));
    EXPECT_EQ(dumpData(database()), before);
}

TEST_F(PriceImportTest, TheChangeRecordNamesTheFileAndRefusesControlCharactersInIt)
{
    const struct {
        const char *file;
        int status;
        const char *method; // of the item's record line
    } cases[] = {
        {"precos.csv", 200, "SetImportaPreco precos.csv"},
        {"/home/ana/planilhas/maio.csv", 200, "SetImportaPreco maio.csv"},
        {"C:\\Planilhas\\junho.csv", 200, "SetImportaPreco junho.csv"},
        // Cut to the record's 40 characters.
        {"tabela-de-precos-de-maio-revisada.csv", 200, "SetImportaPreco tabela-de-precos-de-maio"},
        {"linha\nnova.csv", 422, nullptr},
    };
    double price = 20;
    for (const auto &c : cases) {
        Row before = previewed("0000000001"), after = before;
        after[1] = price;
        const Answer answer = import({{before, after}}, QString::fromUtf8(c.file));
        ASSERT_EQ(answer.status, c.status) << c.file;
        if (!c.method)
            continue;
        m_items = packet(QStringLiteral("getItemPreco"), {"001", m_start, "4", "", "T"});
        price += 1;
        EXPECT_EQ(scalar(QStringLiteral("SELECT NMMETODO FROM HISTALTERACAO WHERE CDPRODUTO = "
                                        "'0000000001' AND NMTABELA = 'ITEMPRECO' ORDER BY "
                                        "NRALTERACAO DESC LIMIT 1"))
                      .toString(),
                  QString::fromUtf8(c.method))
            << c.file;
    }
}

} // namespace
} // namespace vnd::server::test
