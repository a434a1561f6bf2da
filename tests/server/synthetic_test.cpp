// The generated data set for benchmarks, loaded by each database's bulk path.

#include "server/database.h"
#include "server/schema.h"
#include "server/sqlstatement.h"
#include "server/syntheticdata.h"
#include "testdatabase.h"

#include <gtest/gtest.h>

namespace vnd::server::test
{
namespace
{

QVariant scalar(const Database &db, const char *sql)
{
    SqlStatement q(db.connection(), QString::fromLatin1(sql));
    q.exec();
    return q.next() ? q.value(0) : QVariant();
}

TEST(SyntheticData, LoadsEveryRowExactlyAndOnlyIntoAnEmptyCatalogue)
{
    const TestDatabase fresh;
    const Database db(fresh.url());
    Schema::upgrade(db);
    const QDate today(2024, 3, 10);
    const SyntheticSummary s = loadSyntheticData(db, 250, today);
    EXPECT_EQ(s.prices, 3 * 3 * 250);
    EXPECT_EQ(scalar(db, "SELECT COUNT(*) FROM PRODUTO WHERE CDNVPRODUTO = 4").toInt(), 250);
    EXPECT_EQ(scalar(db, "SELECT COUNT(*) FROM ITEMPRECO").toInt(), 3 * 3 * 250);
    EXPECT_EQ(scalar(db, "SELECT COUNT(*) FROM ITEMPRECODIA").toInt(), s.rules);
    EXPECT_EQ(scalar(db, "SELECT COUNT(*) FROM PRODCOMP").toInt(), 13 * 3);
    // The second product in table 002's current period: 5 + 0.25 + 1 + 0.5; its cost 42 %
    // of that, 2.835, rounded half away from zero.
    EXPECT_EQ(scalar(db, "SELECT VRPRECITEM FROM ITEMPRECO WHERE CDTABEPREC = '002' AND "
                         "DTINIVGPREC = '2024-02-09' AND CDPRODUTO = '0000000002'")
                  .toDouble(),
              6.75);
    EXPECT_EQ(scalar(db, "SELECT VRCUSTITEM FROM ITEMPRECO WHERE CDTABEPREC = '002' AND "
                         "DTINIVGPREC = '2024-02-09' AND CDPRODUTO = '0000000002'")
                  .toDouble(),
              2.84);
    EXPECT_THROW(loadSyntheticData(db, 10, today), std::runtime_error);
    EXPECT_EQ(scalar(db, "SELECT COUNT(*) FROM PRODUTO WHERE CDNVPRODUTO = 4").toInt(), 250);
}

} // namespace
} // namespace vnd::server::test
