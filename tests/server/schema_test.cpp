// Upgrading a database whose day/hour rules were stored before the server checked them.

#include "server/database.h"
#include "server/dayhourrepository.h"
#include "server/dberror.h"
#include "server/demodata.h"
#include "server/schema.h"
#include "server/sqlstatement.h"
#include "testdatabase.h"

#include <gtest/gtest.h>

namespace vnd::server::test
{
namespace
{

// One demo rule again, under another day and consumer type.
void copyRule(const Database &db, const char *day, const char *consumerType)
{
    SqlStatement(
        db.connection(),
        QStringLiteral(
            "INSERT INTO ITEMPRECODIA (CDTABEPREC, DTINIVGPREC, CDPRPAITABPR, "
            "CDPRODUTO, NRDIASEMANPR, IDPERVALORPR, IDDESCACREPR, HRINIPRECDIA, "
            "HRFINPRECDIA, VRPRECODIA, DTINIVALPREC, DTFINVALPREC, CDTIPOCONSPD, "
            "IDVISUACUPOM, IDTPMODCMD, IDTPMODDLV, IDTPMODGERAL, VRPRECODIACMD, VRPRECODIADLV) "
            "SELECT CDTABEPREC, DTINIVGPREC, CDPRPAITABPR, CDPRODUTO, ?, "
            "IDPERVALORPR, IDDESCACREPR, HRINIPRECDIA, HRFINPRECDIA, VRPRECODIA, "
            "DTINIVALPREC, DTFINVALPREC, ?, IDVISUACUPOM, IDTPMODCMD, IDTPMODDLV, "
            "IDTPMODGERAL, VRPRECODIACMD, VRPRECODIADLV FROM ITEMPRECODIA "
            "WHERE NRDIASEMANPR <> '9' LIMIT 1"))
        .bind(QString::fromLatin1(day))
        .bind(QString::fromLatin1(consumerType))
        .exec();
}

int ruleCount(const Database &db)
{
    SqlStatement q(db.connection(), QStringLiteral("SELECT COUNT(*) FROM ITEMPRECODIA"));
    q.exec();
    return q.next() ? q.value(0).toInt() : -1;
}

TEST(SchemaUpgrade, RulesStoredBeforeTheChecksStayAndAreReported)
{
    const TestDatabase fresh;
    const Database db(fresh.url());
    ASSERT_EQ(Schema::upgrade(db, 2), 2);
    loadDemoData(db, QDate::currentDate());
    copyRule(db, "9", "T");
    copyRule(db, "F", "99");
    const int rules = ruleCount(db);

    ASSERT_EQ(Schema::upgrade(db), Schema::latestVersion());
    EXPECT_EQ(ruleCount(db), rules);
    const QStringList faulty = DayHourRepository(db).faultyRules();
    ASSERT_EQ(faulty.size(), 2) << faulty.join(u'\n').toStdString();
    EXPECT_EQ(faulty.filter(QStringLiteral("dia 9"))
                  .filter(QStringLiteral("Dia deve ser informado."))
                  .size(),
              1);
    EXPECT_EQ(faulty.filter(QStringLiteral("Tipo de consumidor não cadastrado.")).size(), 1);

    // From now on the database itself refuses such rows, whoever writes them.
    const struct {
        const char *day, *consumerType;
        DbError::Kind kind;
    } refused[] = {{"8", "T", DbError::Kind::Check}, {"V", "98", DbError::Kind::ForeignKey}};
    for (const auto &r : refused) {
        try {
            copyRule(db, r.day, r.consumerType);
            ADD_FAILURE() << r.day << " " << r.consumerType << " was stored";
        } catch (const DbError &e) {
            EXPECT_EQ(e.kind(), r.kind) << e.text().toStdString();
        }
    }
    EXPECT_EQ(ruleCount(db), rules);
}

} // namespace
} // namespace vnd::server::test
