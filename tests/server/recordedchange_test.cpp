// Reading the record's lines: the fields one line changed, and rows put back as they stood.

#include "server/recordedchange.h"
#include "server/recordimage.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <memory>

namespace vnd::server::test
{
namespace
{

const RecordedTable kTable{
    QStringLiteral("T"), {QStringLiteral("K")}, {QStringLiteral("A"), QStringLiteral("B")}};

RecordLine line(const char *op, const char *key, const char *before, const char *after)
{
    return recordLine(kTable, QString::fromLatin1(op), QString::fromLatin1(key),
                      QString::fromLatin1(before), QString::fromLatin1(after), {});
}

TEST(RecordedChange, FieldsThatDifferInColumnOrder)
{
    const struct {
        RecordLine line;
        QStringList fields;
    } cases[] = {
        {line("A", R"(["1"])", R"({"K":"1","A":"2.5","B":null})", R"({"K":"1","A":"3","B":"x"})"),
         {"A", "B"}},
        {line("A", R"(["2"])", R"({"K":"1","A":"2","B":"x"})", R"({"K":"2","A":"2","B":"x"})"),
         {"K"}},
        {line("I", R"(["1"])", "", R"({"A":null,"B":"x"})"), {"K", "B"}},
        {line("E", R"(["1"])", R"({"A":"0","B":null})", ""), {"K", "A"}},
    };
    for (const auto &c : cases) {
        QStringList fields;
        for (const FieldChange &f : fieldChanges(kTable, c.line))
            fields << f.field;
        EXPECT_EQ(fields, c.fields);
    }
    const QList<FieldChange> cleared =
        fieldChanges(kTable, line("A", R"(["1"])", R"({"K":"1","A":"2","B":"x"})",
                                  R"({"K":"1","A":"2","B":null})"));
    ASSERT_EQ(cleared.size(), 1);
    EXPECT_EQ(cleared[0].before, QStringLiteral("x"));
    EXPECT_EQ(cleared[0].after, std::nullopt);
}

// Lines now keep in DSCHAVE only the key beyond the item columns, and an insertion's or
// deletion's image as the fields in order; the first form, the whole key and named fields.
TEST(RecordedChange, CompactAndFirstFormsReadAlike)
{
    const RecordedTable rules{
        QStringLiteral("R"),
        {QStringLiteral("CDTABEPREC"), QStringLiteral("CDPRODUTO"), QStringLiteral("K")},
        {QStringLiteral("A"), QStringLiteral("B")}};
    const QStringList items{"001", "2026-01-01", "P1", "P1"};
    const RecordLine compact = recordLine(rules, "I", R"(["k\"1"])", "", R"(["2.5",null])", items);
    const RecordLine first = recordLine(rules, "I", R"(["001","P1","k\"1"])", "",
                                        R"({"A":"2.5","B":null})", {"x", "x", "x", "x"});
    EXPECT_EQ(compact.key, QStringList({"001", "P1", "k\"1"}));
    EXPECT_EQ(compact.key, first.key);
    EXPECT_EQ(compact.after, first.after);
    EXPECT_EQ(wholeKeyText(rules, R"(["k\"1"])", items), R"(["001","P1","k\"1"])");
    EXPECT_EQ(namedImageText(rules, R"(["2.5",null])"), R"({"A":"2.5","B":null})");
    EXPECT_EQ(namedImageText(rules, R"({"B":"x"})"), R"({"B":"x"})");
    for (const char *key : {R"([])", R"(["a","b"])"})
        EXPECT_THROW(lineKey(rules, QString::fromLatin1(key), items), std::runtime_error) << key;
    EXPECT_THROW(lineImage(rules, R"(["1","2","3"])"), std::runtime_error);
}

TEST(RecordedChange, RowsArePutBackNewestFirst)
{
    RowsByKey now;
    now[QStringLiteral("2")] = storedRow(QJsonObject{{"K", "2"}, {"A", "30"}, {"B", "x"}});
    now[QStringLiteral("3")] = storedRow(QJsonObject{{"K", "3"}, {"A", "1"}});
    // Oldest first: 1 (10) renamed 2 (20); 2 altered to 30; 3 inserted; now listed newest first.
    // Alterations name only what they changed; the first version's lines held whole rows.
    const QList<RecordLine> lines = {
        line("I", R"(["3"])", "", R"({"A":"1"})"),
        line("A", R"(["2"])", R"({"A":"20"})", R"({"A":"30"})"),
        line("A", R"(["2"])", R"({"K":"1","A":"10"})", R"({"K":"2","A":"20"})"),
    };
    const RowsByKey middle = rowsBefore(kTable, now, lines.mid(0, 2));
    ASSERT_EQ(middle.size(), 1u);
    EXPECT_EQ(middle.at(QStringLiteral("2")).value(QStringLiteral("A")), QStringLiteral("20"));
    EXPECT_EQ(middle.at(QStringLiteral("2")).value(QStringLiteral("B")), QStringLiteral("x"));
    const RowsByKey first = rowsBefore(kTable, now, lines);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first.at(QStringLiteral("1")).value(QStringLiteral("A")), QStringLiteral("10"));
    EXPECT_EQ(first.at(QStringLiteral("1")).value(QStringLiteral("B")), QStringLiteral("x"));
    // A deleted row comes back as it was, its key from the line.
    const RowsByKey undeleted =
        rowsBefore(kTable, {}, {line("E", R"(["4"])", R"({"A":null})", "")});
    ASSERT_EQ(undeleted.size(), 1u);
    EXPECT_EQ(undeleted.at(QStringLiteral("4")).value(QStringLiteral("A")), std::nullopt);
    EXPECT_EQ(undeleted.at(QStringLiteral("4")).value(QStringLiteral("K")), QStringLiteral("4"));
    EXPECT_TRUE(rowsBefore(kTable, now, {}) == now);
}

// Amounts are written without asking SQLite; the text must be the one SQLite's CAST gives, the
// oracle here, whole cents or not.
TEST(RecordedChange, RealsReadAsSqliteCastsThem)
{
    sqlite3 *raw = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &raw), SQLITE_OK);
    const std::unique_ptr<sqlite3, int (*)(sqlite3 *)> db(raw, sqlite3_close);
    sqlite3_stmt *raw_q = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(raw, "SELECT CAST(? AS TEXT)", -1, &raw_q, nullptr), SQLITE_OK);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> q(raw_q, sqlite3_finalize);
    for (const double v : {0.0, -0.0, 5.7, 30.0, 138.49, 0.05, -12.3, 0.1 + 0.2, 1.0 / 3, 0.001,
                           999999999999.99, 1e13, 123456789012345.6, 1e20, -1e-7, 2.675}) {
        sqlite3_bind_double(q.get(), 1, v);
        ASSERT_EQ(sqlite3_step(q.get()), SQLITE_ROW);
        const std::string cast = reinterpret_cast<const char *>(sqlite3_column_text(q.get(), 0));
        sqlite3_reset(q.get());
        std::string ours;
        appendRealText(ours, v);
        EXPECT_EQ(ours, cast) << v;
    }
}

} // namespace
} // namespace vnd::server::test
