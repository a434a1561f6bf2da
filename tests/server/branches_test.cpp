// Branch links: one table per branch, the other-table lookup, registration rules.

#include "serverfixture.h"

namespace vnd::server::test
{
namespace
{

using BranchesTest = ServerFixture;

TEST_F(BranchesTest, ListsAndChecksLinks)
{
    const auto branches = packet(QStringLiteral("getFilTab"), {"001"});
    ASSERT_EQ(branches.rows.size(), 2u);
    EXPECT_EQ(branches.rows[0], (data::Row{"001", "MATRIZ CENTRO", "0001"}));
    EXPECT_EQ(packet(QStringLiteral("getVdFilTab"), {"001", "0002"}).rows.size(), 1u);
    EXPECT_TRUE(packet(QStringLiteral("getVdFilTab"), {"002", "0002"}).rows.empty());
}

TEST_F(BranchesTest, OtherTableShowsThePeriodInForceElseTheLatest)
{
    // A table whose only periods lie in the future, and one without periods.
    data::ChangeSet tables = changeSetFor(packet(QStringLiteral("getTabGeral"), {}));
    tables.changes = {insert({"020", "FUTURA"}), insert({"021", "VAZIA"})};
    ASSERT_EQ(call(QStringLiteral("setTabGeral"), {tables}).status, 200);
    data::ChangeSet periods = changeSetFor(packet(QStringLiteral("getVigenciaTab"), {"001"}));
    periods.changes = {
        insert({"020", today().addDays(10), today().addDays(20), QVariant(), QVariant(), "1"}),
        insert({"020", today().addDays(30), today().addDays(40), QVariant(), QVariant(), "1"})};
    ASSERT_EQ(call(QStringLiteral("setVigenciaTab"), {periods}).status, 200);
    data::ChangeSet links = changeSetFor(packet(QStringLiteral("getFilTab"), {"001"}));
    links.changes = {modify({"001", "x", "0001"}, {"020", "x", "0001"}),
                     modify({"001", "x", "0002"}, {"021", "x", "0002"})};
    ASSERT_EQ(call(QStringLiteral("setFilTab"), {links}).status, 200);

    const struct {
        const char *branch, *table;
        const char *other; // empty: no row
        QVariant start;
    } cases[] = {
        {"0004", "001", "002", today().addDays(-14)}, // in force
        {"0003", "001", "003", today()},              // in force from today
        {"0001", "003", "020", today().addDays(30)},  // latest of future ones
        {"0002", "003", "021", QVariant()},           // no period at all
        {"0004", "002", "", QVariant()},              // this very table
        {"9999", "001", "", QVariant()},              // unknown branch
    };
    for (const auto &c : cases) {
        const auto p = packet(QStringLiteral("getFilOutTab"), {c.branch, c.table});
        if (!*c.other) {
            EXPECT_TRUE(p.rows.empty()) << c.branch;
            continue;
        }
        ASSERT_EQ(p.rows.size(), 1u) << c.branch;
        EXPECT_EQ(p.rows[0][0].toString(), QLatin1String(c.other)) << c.branch;
        EXPECT_EQ(p.rows[0][1].isNull(), c.start.isNull()) << c.branch;
        if (!c.start.isNull()) {
            EXPECT_EQ(p.rows[0][1].toDate(), c.start.toDate()) << c.branch;
        }
    }
}

TEST_F(BranchesTest, ABranchHoldsOneTableAndMustExist)
{
    const auto branches = packet(QStringLiteral("getFilTab"), {"001"});
    const struct {
        const char *name;
        data::Row row;
        int status;
    } cases[] = {
        {"held by another table", {"001", "", "0003"}, 409},
        {"unknown branch", {"001", "", "9999"}, 422},
        {"code too long", {"001", "", "00001"}, 422},
    };
    for (const auto &c : cases) {
        data::ChangeSet cs = changeSetFor(branches);
        cs.changes.push_back(insert(c.row));
        EXPECT_EQ(call(QStringLiteral("setFilTab"), {cs}).status, c.status) << c.name;
    }
    // Freed from its table, a branch can join another.
    data::ChangeSet move = changeSetFor(branches);
    move.changes = {remove({"003", "FILIAL SHOPPING NORTE", "0003"}),
                    insert({"001", "FILIAL SHOPPING NORTE", "0003"})};
    EXPECT_EQ(call(QStringLiteral("setFilTab"), {move}).status, 200);
    EXPECT_EQ(packet(QStringLiteral("getFilTab"), {"001"}).rows.size(), 3u);
}

} // namespace
} // namespace vnd::server::test
