// Upgrading a database whose day/hour rules were stored before the server checked them.

#include "server/database.h"
#include "server/dayhourrepository.h"
#include "server/dberror.h"
#include "server/demodata.h"
#include "server/historyrepository.h"
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

// Lines written before the record took its lean form (whole key, images by column) read as
// they did, single saves' and bulk calls' alike, and new lines are numbered after them.
TEST(SchemaUpgrade, EarlierRecordLinesStayReadable)
{
    const TestDatabase fresh;
    const Database db(fresh.url());
    ASSERT_EQ(Schema::upgrade(db, 6), 6);
    const char *const lines[][5] = {
        {"1000000", "SetItemPreco", "I", "", R"({"VRPRECITEM":"1.5","IDPRODPROMOC":"N"})"},
        {"2000000", "SetItemPreco", "A", R"({"VRPRECITEM":"1.5"})", R"({"VRPRECITEM":"2"})"},
        {"3000000", "setConfirmar", "A", R"({"IDPRODPROMOC":"N"})", R"({"IDPRODPROMOC":"S"})"},
    };
    for (const auto &l : lines)
        SqlStatement(db.connection(),
                     QStringLiteral(
                         "INSERT INTO HISTALTERACAO (DTALTERACAO, CDUSUARIO, DSENDERECO, NMMETODO,"
                         " NMTABELA, IDOPERACAO, CDTABEPREC, DTINIVGPREC, CDPRODUTO, CDPRPAITABPR,"
                         " DSCHAVE, DSANTES, DSDEPOIS) VALUES (?, 'ana', '10.0.0.1', ?,"
                         " 'ITEMPRECO', ?, '001', '2026-01-05', 'P1', 'P1',"
                         " '[\"001\",\"2026-01-05\",\"P1\",\"P1\"]', NULLIF(?, ''), ?)"))
            .bind(QString::fromLatin1(l[0]).toLongLong())
            .bind(QString::fromLatin1(l[1]))
            .bind(QString::fromLatin1(l[2]))
            .bind(QString::fromLatin1(l[3]))
            .bind(QString::fromLatin1(l[4]))
            .exec();

    ASSERT_EQ(Schema::upgrade(db), Schema::latestVersion());
    const data::DataPacket h =
        HistoryRepository(db).itemHistory({"001", QDate(2026, 1, 5), "P1", "P1"});
    QStringList read;
    for (const data::Row &r : h.rows)
        read << QStringList{r[h.indexOf(QStringLiteral("NMCAMPO"))].toString(),
                            r[h.indexOf(QStringLiteral("DSANTES"))].toString(),
                            r[h.indexOf(QStringLiteral("DSDEPOIS"))].toString(),
                            r[h.indexOf(QStringLiteral("CDUSUARIO"))].toString()}
                    .join(u' ');
    EXPECT_EQ(read, QStringList({"IDPRODPROMOC N S ana", "VRPRECITEM 1.5 2 ana",
                                 "VRPRECITEM  1.5 ana", "IDPRODPROMOC  N ana"}));

    SqlStatement(db.connection(),
                 QStringLiteral("INSERT INTO TABEPRECGER (CDTABEPREC, NMTABEPREC) VALUES"
                                " ('777', 'NOVA')"))
        .exec();
    SqlStatement q(db.connection(),
                   QStringLiteral("SELECT MIN(NRALTERACAO), MAX(NRALTERACAO), COUNT(*) FROM"
                                  " HISTALTERACAO"));
    q.exec();
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(2).toInt(), 4);
    EXPECT_GT(q.value(1).toLongLong(), q.value(0).toLongLong() + 2);
}

} // namespace
} // namespace vnd::server::test
