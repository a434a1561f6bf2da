#include "datasetfixture.h"

#include "host/data/hashindex.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>

using namespace vnd::data;
using namespace vnd::data::test;

namespace
{

QDateTime at(int y, int m, int d, int h = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, 0));
}

// Day/hour records: ID, CDTABEPREC (fixed 3), DTINIVGPREC (date-time), CDPRODUTO and
// CDPRPAITABPR (fixed 10), NRDIASEMANPR (fixed 1), VRPRECODIA, DTINIVALPREC, NMTIPOCONS.
std::unique_ptr<ClientDataSet> dayHour()
{
    DataPacket p;
    p.fields = {{"ID", FieldType::Integer, 0},
                {"CDTABEPREC", FieldType::FixedString, 3},
                {"DTINIVGPREC", FieldType::DateTime, 0},
                {"CDPRODUTO", FieldType::FixedString, 10},
                {"CDPRPAITABPR", FieldType::FixedString, 10},
                {"NRDIASEMANPR", FieldType::FixedString, 1},
                {"VRPRECODIA", FieldType::Float, 0},
                {"DTINIVALPREC", FieldType::DateTime, 0},
                {"NMTIPOCONS", FieldType::String, 20}};
    const auto row = [&](int id, const char *tab, QDateTime vg, const char *prod, const char *pai,
                         const char *day, QVariant value, QVariant from, const char *cons) {
        p.rows.push_back(Row{qlonglong(id), QString::fromLatin1(tab), vg, QString::fromLatin1(prod),
                             QString::fromLatin1(pai), QString::fromLatin1(day), value, from,
                             QString::fromUtf8(cons)});
    };
    row(1, "001", at(2024, 2, 1), "A         ", "A         ", "1", 10.0, at(2024, 2, 1), "Geral");
    row(2, "001", at(2024, 2, 1), "A         ", "X         ", "T", 5.5, at(2024, 2, 20), "D'Ávila");
    row(3, "001", at(2024, 3, 1), "A         ", "A         ", "7", QVariant(), QVariant(), "");
    row(4, "002", at(2024, 2, 1), "B         ", "B         ", "1", 20.0, at(2024, 2, 14, 12),
        "Geral");
    row(5, "001", at(2024, 2, 1), "B         ", "B         ", "F", 0.0, at(2024, 1, 31), "geral");
    auto ds = std::make_unique<ClientDataSet>();
    ds->loadPacket(std::move(p));
    return ds;
}

QStringList ids(const ClientDataSet &ds)
{
    return codes(ds, "ID");
}

} // namespace

TEST(DataSetFilter, ExpressionsSelectTheRightRows)
{
    struct Case {
        const char *expr;
        QStringList ids;
    };
    const std::vector<Case> cases = {
        {"CDPRODUTO = 'A'", {"1", "2", "3"}}, // fixed width: trailing blanks ignored
        {"CDPRODUTO = 'A         '", {"1", "2", "3"}},
        {"CDTABEPREC = '001' and DTINIVGPREC = '01/02/2024' and CDPRODUTO = 'A' and "
         "CDPRPAITABPR = 'A'",
         {"1"}},
        {"cdproduto = 'B' AND cdprpaitabpr = 'B'", {"4", "5"}},
        {"NRDIASEMANPR = '1' or NRDIASEMANPR = 'T'", {"1", "2", "4"}},
        {"(CDPRODUTO = 'A' or CDPRODUTO = 'B') and VRPRECODIA >= 10", {"1", "4"}},
        {"CDPRODUTO = 'A' or CDPRODUTO = 'B' and VRPRECODIA >= 10", {"1", "2", "3", "4"}},
        {"DTINIVALPREC < '14/02/2024'", {"1", "5"}},
        {"DTINIVALPREC <= '14/02/2024 12:00'", {"1", "4", "5"}},
        {"DTINIVALPREC > '01/02/2024'", {"2", "4"}},
        {"DTINIVALPREC = ''", {"3"}},
        {"VRPRECODIA <> ''", {"1", "2", "4", "5"}},
        {"VRPRECODIA = 0", {"5"}},
        {"not CDPRODUTO = 'A'", {"4", "5"}},
        {"CDPRODUTO <> 'A' and NMTIPOCONS = 'Geral'", {"4"}}, // texts are case-sensitive
        {"NMTIPOCONS = 'D''Ávila'", {"2"}},
        {"NMTIPOCONS = ''", {"3"}},
        {"'B' = CDPRODUTO", {"4", "5"}},
        {"5 < VRPRECODIA", {"1", "2", "4"}},
        {"CDPRODUTO = 'Z'", {}},
    };
    for (const Case &c : cases) {
        auto ds = dayHour();
        ds->setFilter(QString::fromUtf8(c.expr));
        ds->setFiltered(true);
        EXPECT_EQ(ids(*ds), c.ids) << c.expr;
        EXPECT_EQ(ds->recNo(), c.ids.isEmpty() ? -1 : 0) << c.expr;
        ds->setFiltered(false);
        EXPECT_EQ(ds->recordCount(), 5) << c.expr;
    }
}

TEST(DataSetFilter, MalformedExpressionsAreRefused)
{
    const char *bad[] = {
        "CDPRODUTO = ",
        "CDPRODUTO 'A'",
        "CDPRODUTO = 'A",
        "(CDPRODUTO = 'A'",
        "CDPRODUTO = 'A')",
        "CDPRODUTO = 'A' and",
        "CDPRODUTO = CDPRPAITABPR",
        "NAOEXISTE = 'A'",
        "DTINIVALPREC = '31/02/2024'",
        "VRPRECODIA = 'dez'",
        "CDPRODUTO ! 'A'",
        "CDPRODUTO = 'A' ; drop",
    };
    for (const char *expr : bad) {
        auto ds = dayHour();
        ds->setFilter(QStringLiteral("CDPRODUTO = 'B'"));
        ds->setFiltered(true);
        try {
            ds->setFilter(QString::fromLatin1(expr));
            ADD_FAILURE() << "accepted: " << expr;
        } catch (const vnd::Error &e) {
            EXPECT_FALSE(e.message().isEmpty());
        }
        // The filter in force stays as it was.
        EXPECT_EQ(ds->filter(), "CDPRODUTO = 'B'") << expr;
        EXPECT_EQ(ids(*ds), QStringList({"4", "5"})) << expr;
    }
}

TEST(DataSetFilter, FilterSetBeforeLoadAppliesOnLoad)
{
    auto ds = std::make_unique<ClientDataSet>();
    ds->setFilter(QStringLiteral("CDPRODUTO = 'B'"));
    ds->setFiltered(true);
    auto full = dayHour();
    ds->loadPacket(full->toPacket());
    EXPECT_EQ(ids(*ds), QStringList({"4", "5"}));
}

TEST(DataSetFilter, PostedRowLeavesOrJoinsTheFilter)
{
    auto ds = dayHour();
    ds->setFilter(QStringLiteral("CDPRODUTO = 'A'"));
    ds->setFiltered(true);
    ds->moveTo(1);
    ds->edit();
    ds->fieldByName(u"CDPRODUTO").setValue(QStringLiteral("B"));
    ds->post();
    EXPECT_EQ(ids(*ds), QStringList({"1", "3"}));
    EXPECT_EQ(current(*ds, "ID"), "3");

    ds->append();
    ds->fieldByName(u"ID").setValue(9);
    ds->fieldByName(u"CDPRODUTO").setValue(QStringLiteral("A"));
    ds->post();
    EXPECT_EQ(ids(*ds), QStringList({"1", "3", "9"}));
    ds->setFilter(QStringLiteral("CDPRODUTO = 'B'"));
    EXPECT_EQ(ids(*ds), QStringList({"2", "4", "5"}));
}

TEST(DataSetFilter, HashIndexFollowsEveryChange)
{
    // Random edits, inserts, deletes and undos; after each, the indexed filter must give
    // exactly the rows a full scan gives. Enough keys that buckets empty and probe runs
    // close up often.
    DataPacket p;
    p.fields = {{"ID", FieldType::Integer, 0},
                {"CDPRODUTO", FieldType::FixedString, 10},
                {"CDPRPAITABPR", FieldType::FixedString, 10}};
    QStringList prods;
    for (int i = 1; i <= 12; ++i)
        prods << QStringLiteral("P%1").arg(i);
    // Keys the index keeps beside its buckets (Latin-1) and keys it cannot (beyond it).
    prods << QStringLiteral("Ação") << QStringLiteral("€1");
    std::mt19937 rng(42);
    const auto pick = [&](const QStringList &l) { return l[int(rng() % l.size())]; };
    for (int i = 0; i < 200; ++i)
        p.rows.push_back(Row{qlonglong(i), pick(prods) + "        ", pick(prods)});
    ClientDataSet ds;
    ds.loadPacket(p);
    ds.setIndexFieldNames(QStringLiteral("CDPRODUTO;ID"));
    int nextId = 1000;
    for (int step = 0; step < 600; ++step) {
        QString a = pick(prods), b = pick(prods);
        if (step % 2 && !ds.isEmpty()) { // a key that exists
            const int r = int(rng() % ds.recordCount());
            a = ds.valueAt(r, 1).toString();
            b = ds.valueAt(r, 2).toString();
        }
        ds.setFiltered(false);
        ds.setFilter(QStringLiteral("CDPRODUTO = '%1' and CDPRPAITABPR = '%2'").arg(a, b));
        ds.setFiltered(true);
        const QStringList got = ids(ds);
        ds.setFiltered(false);
        QStringList want;
        for (int r = 0; r < ds.recordCount(); ++r) {
            if (ds.valueAt(r, 1).toString() == a && ds.valueAt(r, 2).toString() == b)
                want << ds.valueAt(r, 0).toString();
        }
        ASSERT_EQ(got, want) << "step " << step;
        ds.setFiltered(true);
        switch (rng() % 6) {
        case 0:
        case 1:
            if (!ds.isEmpty()) {
                ds.moveTo(int(rng() % ds.recordCount()));
                ds.edit();
                ds.field(1).setValue(pick(prods));
                ds.field(2).setValue(pick(prods));
                ds.post();
            }
            break;
        case 2:
            ds.append();
            ds.field(0).setValue(nextId++);
            ds.field(1).setValue(pick(prods));
            ds.field(2).setValue(pick(prods));
            ds.post();
            break;
        case 3:
            if (!ds.isEmpty()) {
                ds.moveTo(int(rng() % ds.recordCount()));
                ds.remove();
            }
            break;
        case 4:
            if (rng() % 4 == 0)
                ds.cancelUpdates();
            break;
        default:
            ds.mergeChangeLog();
            break;
        }
    }
}

// Keys whose hashes collide are still told apart, by the rows and by the key the index keeps
// beside a bucket, which follows the row that stays when the others go.
TEST(DataSetFilter, CollidingKeysAreToldApart)
{
    struct Cells final : internal::RecordCells {
        std::map<const internal::Record *, QString> text;
        QVariant data(const internal::Record *r, int) const override { return text.at(r); }
        QVariant calc(const internal::Record *, int) const override { return {}; }
        quint64 hash(const internal::Record *, int, FieldType) const override { return 7; }
        bool same(const internal::Record *a, const internal::Record *b, int,
                  FieldType) const override
        {
            return text.at(a) == text.at(b);
        }
        int latin1Text(const internal::Record *r, int, FieldType, char *out,
                       int room) const override
        {
            const QByteArray l = text.at(r).toLatin1();
            if (l.size() > room)
                return -1;
            std::memcpy(out, l.constData(), size_t(l.size()));
            return int(l.size());
        }
    } cells;
    internal::Record a, b;
    cells.text[&a] = QStringLiteral("A");
    cells.text[&b] = QStringLiteral("B");
    b.pos = 1;
    internal::HashIndex ix(cells, {0}, {FieldType::String});
    ix.add(&a);
    const quint64 key = ix.keyOf(&a);
    ASSERT_EQ(key, ix.keyOf(&b));
    EXPECT_EQ(ix.holds(*ix.find(key), {QStringLiteral("A")}), true);
    EXPECT_EQ(ix.holds(*ix.find(key), {QStringLiteral("B")}), false);
    ix.add(&b);
    EXPECT_TRUE(ix.find(key)->mixed);
    ix.remove(&a);
    ASSERT_FALSE(ix.find(key)->mixed);
    EXPECT_EQ(ix.holds(*ix.find(key), {QStringLiteral("B")}), true);
    EXPECT_EQ(ix.holds(*ix.find(key), {QStringLiteral("A")}), false);
}
