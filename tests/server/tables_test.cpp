// Price tables and validity periods: clashes, overlaps, cascades, concurrency, atomicity.

#include "serverfixture.h"

namespace vnd::server::test
{
namespace
{

using data::Row;

using TablesTest = ServerFixture;

const QString kConflict = QStringLiteral(
    "Registro alterado ou excluído por outro usuário. Atualize os dados e tente novamente.");
const QString kOverlap = QStringLiteral("Já existe um período cadastrado para a tabela de preço "
                                        "no intervalo informado. Favor informar outra data.");

int count(const ServerFixture &f, const QString &table, const QString &code)
{
    return f
        .scalar(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE CDTABEPREC = ?").arg(table), {code})
        .toInt();
}

TEST_F(TablesTest, GetVdPeriodoReportsOverlapsButNotThePeriodItself)
{
    // Table 001: [T-120, T-31], [T-30, T+30], [T+31, T+120].
    const struct {
        int from, to;
        size_t clashes;
    } cases[] = {
        {-30, 30, 0},    // the current period, unchanged
        {-30, 31, 1},    // reaches into the next one
        {-30, 200, 1},   // same start: only the future period clashes
        {121, 200, 0},   // after everything
        {-200, -121, 0}, // before everything
        {-121, -120, 1}, // touches the first day of the oldest
        {120, 120, 1},   // last day of the future period
        {-100, 100, 3},  // over all three, start unlike any
    };
    for (const auto &c : cases) {
        const auto p = packet(QStringLiteral("getVdPeriodo"),
                              {"001", today().addDays(c.from), today().addDays(c.to)});
        EXPECT_EQ(p.rows.size(), c.clashes) << c.from << ".." << c.to;
    }
}

TEST_F(TablesTest, SetVigenciaTabRefusesOverlapsAndKeepsValidPeriods)
{
    const auto periods = packet(QStringLiteral("getVigenciaTab"), {"001"});
    ASSERT_EQ(periods.rows.size(), 3u);
    const struct {
        const char *name;
        data::Change change;
        int status;
    } cases[] = {
        {"new period overlapping the future one",
         insert({"001", today().addDays(100), today().addDays(150), QVariant(), QVariant(), "1"}),
         422},
        {"current period stretched into the next",
         modify(periods.rows[1],
                {"001", periods.rows[1][1], today().addDays(40), QVariant(), QVariant(), "3"}),
         422},
        {"end before start",
         insert({"001", today().addDays(200), today().addDays(190), QVariant(), QVariant(), "1"}),
         422},
        {"new period after the last",
         insert({"001", today().addDays(121), today().addDays(150), QVariant(), QVariant(), "1"}),
         200},
    };
    for (const auto &c : cases) {
        data::ChangeSet cs = changeSetFor(periods);
        cs.changes.push_back(c.change);
        const Answer a = call(QStringLiteral("setVigenciaTab"), {cs});
        EXPECT_EQ(a.status, c.status) << c.name;
        if (c.status == 422 && std::string(c.name).find("overlap") != std::string::npos) {
            EXPECT_EQ(a.reply.errorMessage, kOverlap);
        }
    }
    const auto after = packet(QStringLiteral("getVigenciaTab"), {"001"});
    ASSERT_EQ(after.rows.size(), 4u);
    EXPECT_EQ(after.rows[1], periods.rows[1]); // the refused stretch left it alone
    EXPECT_EQ(packet(QStringLiteral("GetMaxDtFinVg"), {"001"}).rows[0][0].toDate(),
              today().addDays(150));
}

TEST_F(TablesTest, DeletingAndRenamingCascade)
{
    ASSERT_GT(count(*this, QStringLiteral("ITEMPRECODIA"), QStringLiteral("003")), 0);
    const auto tables = packet(QStringLiteral("getTabGeral"), {});
    const Row t3 = tables.rows[2];
    data::ChangeSet rename = changeSetFor(tables);
    rename.changes.push_back(modify(t3, {"009", t3[1]}));
    ASSERT_EQ(call(QStringLiteral("setTabGeral"), {rename}).status, 200);
    for (const char *table : {"TABEVEND", "ITEMPRECO", "ITEMPRECODIA", "TABEPRECFILI"}) {
        EXPECT_EQ(count(*this, QString::fromLatin1(table), QStringLiteral("003")), 0) << table;
        EXPECT_GT(count(*this, QString::fromLatin1(table), QStringLiteral("009")), 0) << table;
    }

    // Deleting a period removes its prices and rules, and nothing of the other periods.
    const auto periods = packet(QStringLiteral("getVigenciaTab"), {"009"});
    const QDate current = currentPeriodStart(periods, today());
    data::ChangeSet dropPeriod = changeSetFor(periods);
    for (const Row &r : periods.rows)
        if (r[1].toDate() == current)
            dropPeriod.changes.push_back(remove(r));
    const int before = count(*this, QStringLiteral("ITEMPRECO"), QStringLiteral("009"));
    ASSERT_EQ(call(QStringLiteral("setVigenciaTab"), {dropPeriod}).status, 200);
    EXPECT_EQ(count(*this, QStringLiteral("ITEMPRECODIA"), QStringLiteral("009")), 0);
    const int after = count(*this, QStringLiteral("ITEMPRECO"), QStringLiteral("009"));
    EXPECT_GT(after, 0);
    EXPECT_LT(after, before);

    data::ChangeSet drop = changeSetFor(tables);
    drop.changes.push_back(remove({"009", t3[1]}));
    ASSERT_EQ(call(QStringLiteral("setTabGeral"), {drop}).status, 200);
    for (const char *table : {"TABEVEND", "ITEMPRECO", "ITEMPRECODIA", "TABEPRECFILI"})
        EXPECT_EQ(count(*this, QString::fromLatin1(table), QStringLiteral("009")), 0) << table;
    EXPECT_TRUE(packet(QStringLiteral("getVdTabGeral"), {"009"}).rows.empty());
}

TEST_F(TablesTest, SecondWriterOfTheSameRowGetsAConflict)
{
    const auto tables = packet(QStringLiteral("getTabGeral"), {});
    const Row loaded = tables.rows[0];
    data::ChangeSet first = changeSetFor(tables), second = changeSetFor(tables);
    first.changes.push_back(modify(loaded, {loaded[0], "PRIMEIRO"}));
    second.changes.push_back(modify(loaded, {loaded[0], "SEGUNDO"}));
    EXPECT_EQ(call(QStringLiteral("setTabGeral"), {first}).status, 200);
    const Answer late = call(QStringLiteral("setTabGeral"), {second});
    EXPECT_EQ(late.status, 409);
    EXPECT_EQ(late.reply.errorMessage, kConflict);
    data::ChangeSet lateDelete = changeSetFor(tables);
    lateDelete.changes.push_back(remove(loaded));
    EXPECT_EQ(call(QStringLiteral("setTabGeral"), {lateDelete}).status, 409);
    EXPECT_EQ(packet(QStringLiteral("getVdTabGeral"), {"001"}).rows[0][1].toString(),
              QStringLiteral("PRIMEIRO"));
}

TEST_F(TablesTest, AChangeSetFailingHalfWayStoresNothing)
{
    const auto tables = packet(QStringLiteral("getTabGeral"), {});
    const struct {
        const char *name;
        data::Change failing;
        int status;
    } cases[] = {
        {"stale modify", modify({"002", "NOME ANTIGO"}, {"002", "X"}), 409},
        {"duplicate code", insert({"001", "OUTRA"}), 409},
        {"empty name", insert({"006", ""}), 422},
        {"missing row", remove({"404", "NADA"}), 409},
    };
    for (const auto &c : cases) {
        data::ChangeSet cs = changeSetFor(tables);
        cs.changes.push_back(insert({"005", "NOVA"}));
        cs.changes.push_back(modify(tables.rows[2], {"003", "RENOMEADA"}));
        cs.changes.push_back(c.failing);
        EXPECT_EQ(call(QStringLiteral("setTabGeral"), {cs}).status, c.status) << c.name;
        EXPECT_EQ(packet(QStringLiteral("getTabGeral"), {}).rows, tables.rows) << c.name;
    }
}

TEST_F(TablesTest, MaxEndDateOfATableWithoutPeriodsIsEmpty)
{
    data::ChangeSet cs = changeSetFor(packet(QStringLiteral("getTabGeral"), {}));
    cs.changes.push_back(insert({"010", "SEM PERIODOS"}));
    ASSERT_EQ(call(QStringLiteral("setTabGeral"), {cs}).status, 200);
    const auto p = packet(QStringLiteral("GetMaxDtFinVg"), {"010"});
    EXPECT_TRUE(p.rows.empty());
    EXPECT_EQ(packet(QStringLiteral("GetMaxDtFinVg"), {"002"}).rows[0][0].toDate(),
              today().addDays(180));
}

} // namespace
} // namespace vnd::server::test
