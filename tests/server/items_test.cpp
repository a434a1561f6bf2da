// Item prices: one row per product, insert-or-update, empty fields, product changes,
// clearing, compositions.

#include "serverfixture.h"

namespace vnd::server::test
{
namespace
{

using data::Row;

class ItemsTest : public ServerFixture
{
protected:
    void SetUp() override
    {
        ServerFixture::SetUp();
        m_start = currentPeriodStart(packet(QStringLiteral("getVigenciaTab"), {"001"}), today());
        m_items = packet(QStringLiteral("getItemPreco"), {"001", m_start, "4", "", "T"});
    }
    int field(const char *name) const { return m_items.indexOf(QString::fromLatin1(name)); }
    const Row *find(bool priced) const
    {
        for (const Row &r : m_items.rows)
            if (r[field("VRPRECITEM")].isNull() != priced)
                return &r;
        return nullptr;
    }
    Answer save(const data::Change &change, const QString &emptyFields = {}) const
    {
        data::ChangeSet cs = changeSetFor(m_items);
        cs.changes.push_back(change);
        return call(QStringLiteral("SetItemPreco"), {cs, emptyFields});
    }
    QVariant stored(const char *column, const Row &row) const
    {
        return scalar(
            QStringLiteral("SELECT %1 FROM ITEMPRECO WHERE CDTABEPREC = '001' AND "
                           "DTINIVGPREC = ? AND CDPRODUTO = ? AND CDPRPAITABPR = ?")
                .arg(QLatin1String(column)),
            {m_start.toString(Qt::ISODate), row[field("CDPRODUTO")], row[field("CDPRODUTO")]});
    }

    QDate m_start;
    data::DataPacket m_items;
};

TEST_F(ItemsTest, OneRowPerDeepestProductPricedOrNot)
{
    const int products =
        scalar(QStringLiteral("SELECT COUNT(*) FROM PRODUTO WHERE CDNVPRODUTO = 4")).toInt();
    ASSERT_EQ(int(m_items.rows.size()), products);
    ASSERT_NE(find(true), nullptr);
    const Row *unpriced = find(false);
    ASSERT_NE(unpriced, nullptr);
    EXPECT_EQ((*unpriced)[field("CDTABEPREC")].toString(), QStringLiteral("001"));
    EXPECT_EQ((*unpriced)[field("DTINIVGPREC")].toDateTime().date(), m_start);
    for (const Row &r : m_items.rows)
        EXPECT_EQ(r[field("CDPRPAITABPR")], r[field("CDPRODUTO")]);
    int combos = 0;
    for (const Row &r : m_items.rows)
        combos += r[field("NRCOMPPROD")].toDouble() > 0;
    EXPECT_EQ(combos, 10);

    const QString one = m_items.rows[5][field("CDPRODUTO")].toString();
    const auto only = packet(QStringLiteral("getItemPreco"), {"001", m_start, "4", one, ""});
    ASSERT_EQ(only.rows.size(), 1u);
    EXPECT_EQ(only.rows[0], m_items.rows[5]);
    EXPECT_TRUE(packet(QStringLiteral("getItemPreco"), {"001", m_start.addDays(1), "4", "", "T"})
                    .rows.empty());
}

TEST_F(ItemsTest, SavingUpdatesInsertsClearsAndCarriesNameAndBarCode)
{
    const Row priced = *find(true);
    Row changed = priced;
    changed[field("VRPRECITEM")] = 12.34;
    changed[field("NMPRODUTO")] = QStringLiteral("NOME NOVO");
    changed[field("CDBARPRODUTO")] = QStringLiteral("123");
    changed[field("VRPRECITEMDLV")] = QVariant();
    changed[field("HRINIVENPROD")] = QString();
    changed[field("HRFIMVENPROD")] = QString();
    const Answer a = save(modify(priced, changed), QStringLiteral("VRPRECITEMDLV|HRINIVENPROD|"
                                                                  "HRFIMVENPROD|"));
    ASSERT_EQ(a.status, 200) << qPrintable(a.reply.errorMessage);
    EXPECT_EQ(a.reply.refs.size(), 2u);
    EXPECT_DOUBLE_EQ(stored("VRPRECITEM", priced).toDouble(), 12.34);
    EXPECT_TRUE(stored("VRPRECITEMDLV", priced).isNull());
    EXPECT_TRUE(stored("HRINIVENPROD", priced).isNull());
    EXPECT_EQ(scalar(QStringLiteral("SELECT NMPRODUTO || '/' || CDBARPRODUTO FROM PRODUTO "
                                    "WHERE CDPRODUTO = ?"),
                     {priced[field("CDPRODUTO")]})
                  .toString(),
              QStringLiteral("NOME NOVO/123"));

    const Row unpriced = *find(false);
    Row first = unpriced;
    first[field("VRPRECITEM")] = 9.9;
    first[field("VRPRECITEMCL")] = 0.0;
    first[field("IDPRODPROMOC")] = QStringLiteral("N");
    ASSERT_EQ(save(modify(unpriced, first)).status, 200);
    EXPECT_DOUBLE_EQ(stored("VRPRECITEM", unpriced).toDouble(), 9.9);
}

// The empty-field list is under the same optimistic rule as the changed fields: a stale
// client never empties what another user saved (the sales window here, the bar code, which
// every table shares).
TEST_F(ItemsTest, StaleEmptyFieldListIsAConflictNotAWipe)
{
    const Row loaded = *find(true);
    Row theirs = loaded;
    theirs[field("HRINIVENPROD")] = QStringLiteral("0800");
    theirs[field("HRFIMVENPROD")] = QStringLiteral("1800");
    theirs[field("CDBARPRODUTO")] = QStringLiteral("7890000000017");
    ASSERT_EQ(save(modify(loaded, theirs)).status, 200);

    Row mine = loaded;
    mine[field("VRPRECITEM")] = 3.21;
    const struct {
        const char *list;
    } stale[] = {{"HRINIVENPROD|HRFIMVENPROD|"}, {"CDBARPRODUTO|"}};
    for (const auto &c : stale) {
        EXPECT_EQ(save(modify(loaded, mine), QString::fromLatin1(c.list)).status, 409) << c.list;
        EXPECT_EQ(stored("HRINIVENPROD", loaded).toString(), QStringLiteral("0800"));
        EXPECT_EQ(stored("VRPRECITEM", loaded).toDouble(), loaded[field("VRPRECITEM")].toDouble());
        EXPECT_EQ(scalar(QStringLiteral("SELECT CDBARPRODUTO FROM PRODUTO WHERE CDPRODUTO = ?"),
                         {loaded[field("CDPRODUTO")]})
                      .toString(),
                  QStringLiteral("7890000000017"));
    }
}

TEST_F(ItemsTest, ConcurrentEditsOfOneItemConflict)
{
    const struct {
        const char *name;
        bool priced;
    } cases[] = {{"priced row", true}, {"row priced meanwhile by someone else", false}};
    for (const auto &c : cases) {
        const Row loaded = *find(c.priced);
        Row mine = loaded, theirs = loaded;
        mine[field("VRPRECITEM")] = 1.11;
        theirs[field("VRPRECITEM")] = 2.22;
        ASSERT_EQ(save(modify(loaded, mine)).status, 200) << c.name;
        const Answer late = save(modify(loaded, theirs));
        EXPECT_EQ(late.status, 409) << c.name;
        EXPECT_DOUBLE_EQ(stored("VRPRECITEM", loaded).toDouble(), 1.11) << c.name;
    }
    // A stale name change does not overwrite either.
    const Row loaded = *find(true);
    Row a = loaded, b = loaded;
    a[field("NMPRODUTO")] = QStringLiteral("A");
    b[field("NMPRODUTO")] = QStringLiteral("B");
    ASSERT_EQ(save(modify(loaded, a)).status, 200);
    EXPECT_EQ(save(modify(loaded, b)).status, 409);

    // A price another user removed is not brought back by an edit of the row as loaded.
    const QString code = loaded[field("CDPRODUTO")].toString();
    ASSERT_EQ(call(QStringLiteral("setApagaPreco"),
                   {"001", m_start.toString(QStringLiteral("dd/MM/yyyy")), code, code})
                  .status,
              200);
    Row edited = loaded;
    edited[field("VRPRECITEM")] = 3.33;
    EXPECT_EQ(save(modify(loaded, edited)).status, 409);
    EXPECT_FALSE(stored("VRPRECITEM", loaded).isValid());
}

TEST_F(ItemsTest, ServerRefusesPricesTheWindowWouldRefuse)
{
    const Row loaded = *find(true);
    const struct {
        const char *field;
        QVariant value;
        const char *message;
    } cases[] = {
        {"VRPRECITEM", -0.01, "Valor consumidor deve ser maior que zero."},
        {"VRPRECITEM", 999999999999999.0, "Operação bloqueda. Valor preço inválido."},
        {"VRPRECITEMDLV", -1.0, "Valor consumidor deve ser maior que zero."},
        {"VRPRECITEMCL", -1.0, "Valor Cliente deve ser maior ou igual a zero."},
        {"VRPRESUGITEM", -1.0, "Preço sugerido deve ser maior ou igual a zero."},
        {"VRCUSTITEM", 1e15, "Operação bloqueada. Valor preço calculado inválido."},
        {"HRINIVENPROD", QStringLiteral("2500"), "'2500'Hora inválida."},
        {"HRFIMVENPROD", QStringLiteral("12:3"), "'12:3'Hora inválida."},
        {"IDPRODPROMOC", QStringLiteral("X"), "Valor inválido para o campo IDPRODPROMOC."},
        {"NMPRODUTO", QString(51, QLatin1Char('N')),
         "Campo NMPRODUTO aceita no máximo 50 caracteres."},
    };
    for (const auto &c : cases) {
        Row bad = loaded;
        bad[field(c.field)] = c.value;
        const Answer a = save(modify(loaded, bad));
        EXPECT_EQ(a.status, 422) << c.field;
        EXPECT_EQ(a.reply.errorMessage, QString::fromUtf8(c.message)) << c.field;
    }
    Row fine = loaded;
    fine[field("VRPRECITEM")] = 0.0;
    fine[field("VRCUSTITEM")] = -5.0;
    EXPECT_EQ(save(modify(loaded, fine)).status, 200);
}

TEST_F(ItemsTest, ClearingAPriceRemovesItsDayHourPrices)
{
    const QString product = QStringLiteral("FEIJOADA COMPLETA");
    Row feijoada;
    for (const Row &r : m_items.rows)
        if (r[field("NMPRODUTO")].toString() == product)
            feijoada = r;
    ASSERT_FALSE(feijoada.isEmpty());
    const QVariant code = feijoada[field("CDPRODUTO")];
    const QString rules = QStringLiteral("SELECT COUNT(*) FROM ITEMPRECODIA WHERE CDPRODUTO = ? "
                                         "AND CDTABEPREC = '001'");
    ASSERT_GT(scalar(rules, {code}).toInt(), 0);
    const Answer a = call(
        QStringLiteral("setApagaPreco"),
        {"001", m_start.toString(QStringLiteral("dd/MM/yyyy")), code.toString(), code.toString()});
    ASSERT_EQ(a.status, 200);
    EXPECT_EQ(scalar(rules, {code}).toInt(), 0);
    EXPECT_FALSE(stored("VRPRECITEM", feijoada).isValid());
}

TEST_F(ItemsTest, ComponentsCarryTheirComboPriceElseTheirOwn)
{
    Row combo;
    for (const Row &r : m_items.rows)
        if (r[field("NMPRODUTO")].toString() == QStringLiteral("COMBO X-BURGUER"))
            combo = r;
    ASSERT_FALSE(combo.isEmpty());
    const QString parent = combo[field("CDPRODUTO")].toString();
    const auto parts = packet(QStringLiteral("getItemPrecoComp"), {"001", parent, m_start});
    ASSERT_EQ(parts.rows.size(), 3u);
    for (const Row &part : parts.rows) {
        EXPECT_EQ(part[parts.indexOf(u"CDPRPAITABPR")].toString(), parent);
        EXPECT_EQ(part[parts.indexOf(u"DTINIVGPREC")].toDate(), m_start);
        const QString code = part[parts.indexOf(u"CDPRODUTO")].toString();
        const QVariant own =
            scalar(QStringLiteral("SELECT VRPRECITEM FROM ITEMPRECO WHERE CDTABEPREC = '001' AND "
                                  "DTINIVGPREC = ? AND CDPRODUTO = ? AND CDPRPAITABPR = ?"),
                   {m_start.toString(Qt::ISODate), code, code});
        const QVariant inCombo =
            scalar(QStringLiteral("SELECT VRPRECITEM FROM ITEMPRECO WHERE CDTABEPREC = '001' AND "
                                  "DTINIVGPREC = ? AND CDPRODUTO = ? AND CDPRPAITABPR = ?"),
                   {m_start.toString(Qt::ISODate), code, parent});
        const QVariant expected = inCombo.isValid() ? inCombo : own;
        EXPECT_EQ(part[parts.indexOf(u"VRPRECITEM")].toDouble(), expected.toDouble())
            << code.toStdString();
    }
}

} // namespace
} // namespace vnd::server::test
