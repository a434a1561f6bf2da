// The host's direct query on the demo database: bound parameters, read-only statements,
// case-insensitive fields, one component reused for queries of different shapes; and the
// shell's own connection, which reads what the lookups read and writes nothing. The suite
// runs on SQLite and, under VND_TEST_DB=postgresql, on PostgreSQL as the shells' role.

#include "printers.h"
#include "serverfixture.h"

#include "host/db/adoibquery.h"
#include "host/db/hostdatabase.h"
#include "host/services/errors.h"
#include "server/shellrole.h"
#include "server/unitofwork.h"

#include <QFile>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

namespace vnd::db::test
{
namespace
{

class QueryTest : public server::test::ServerFixture
{
protected:
    void SetUp() override
    {
        ServerFixture::SetUp();
        openHostDatabase(shellAddress());
    }
    // What --init leaves the shells: on PostgreSQL, its role on the same database.
    QString shellAddress() const
    {
        if (!onPostgres())
            return databaseUrl();
        EXPECT_EQ(server::grantShellRole(database()), QString());
        QUrl url(databaseUrl());
        url.setUserName(QString::fromLatin1(server::kShellRole));
        url.setPassword({});
        return url.toString();
    }
    // Straight, not prepared: PostgreSQL cannot prepare GRANT.
    void asOwner(const QString &sql) const
    {
        QSqlQuery q(database().connection());
        ASSERT_TRUE(q.exec(sql)) << qPrintable(q.lastError().text());
    }
    void TearDown() override
    {
        closeHostDatabase();
        ServerFixture::TearDown();
    }
    int rows(const char *table) const
    {
        return scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(table))).toInt();
    }
    void open(const QString &sql)
    {
        m_query.SQL = sql.split(QLatin1Char('\n'));
        m_query.Open();
    }
    QString failureOf(const QString &sql)
    {
        try {
            open(sql);
        } catch (const vnd::Error &e) {
            return e.message();
        }
        return {};
    }

    TADOIBQuery m_query;
};

TEST_F(QueryTest, ParametersAreBoundNeverPasted)
{
    const int branches = rows("FILIAL");
    ASSERT_GT(branches, 0);
    const struct {
        const char *name;
        QVariant value;
        int found;
    } cases[] = {
        {"plain value", QStringLiteral("MATRIZ CENTRO"), 1},
        {"statement smuggled in", QStringLiteral("'; DROP TABLE FILIAL; --"), 0},
        {"always-true clause", QStringLiteral("x' OR '1'='1"), 0},
        {"no value", QVariant(), 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        m_query.setParam(QStringLiteral(":nmfilial"), c.value);
        open(QStringLiteral("SELECT CDFILIAL, NMFILIAL\nFROM FILIAL\nWHERE NMFILIAL = :NmFilial"));
        EXPECT_EQ(m_query.dataSet().recordCount(), c.found);
        EXPECT_EQ(m_query.IsEmpty(), c.found == 0);
    }
    EXPECT_EQ(rows("FILIAL"), branches);

    // The same name twice binds the same value; quoted text is not a parameter.
    m_query.clearParams();
    m_query.setParam(QStringLiteral("COD"), QStringLiteral("0001"));
    open(QStringLiteral("SELECT ':COD' AS LITERAL, CDFILIAL FROM FILIAL "
                        "WHERE CDFILIAL = :COD OR CDFILIAL = :cod"));
    ASSERT_EQ(m_query.dataSet().recordCount(), 1);
    EXPECT_EQ(m_query.FieldByName(QStringLiteral("LITERAL")).asString(), QStringLiteral(":COD"));

    // Comments are neither quotes nor parameters.
    for (const char *sql : {"SELECT CDFILIAL FROM FILIAL -- filial d'água\nWHERE CDFILIAL = :COD",
                            "SELECT CDFILIAL FROM FILIAL WHERE CDFILIAL = :COD /* :OUTRO */"}) {
        SCOPED_TRACE(sql);
        EXPECT_EQ(failureOf(QString::fromUtf8(sql)), QString());
        EXPECT_EQ(m_query.dataSet().recordCount(), 1);
    }

    m_query.clearParams();
    EXPECT_EQ(failureOf(QStringLiteral("SELECT * FROM FILIAL WHERE CDFILIAL = :COD")),
              QStringLiteral("Parâmetro \"COD\" da consulta não informado."));
}

TEST_F(QueryTest, OnlyReadingStatementsRun)
{
    for (const char *sql :
         {"DELETE FROM FILIAL", "  update FILIAL SET NMFILIAL = 'X'",
          "INSERT INTO TIPOCONS SELECT * FROM TIPOCONS", "PRAGMA query_only = 0",
          "SELECT 1; DELETE FROM FILIAL", "SELECT ';' AS A; DROP TABLE FILIAL",
          "-- comentário\nDELETE FROM FILIAL", "SELECT 1 AS A -- it's\n; DELETE FROM FILIAL",
          "SELECT 1 AS A /* ' */; DELETE FROM FILIAL"}) {
        SCOPED_TRACE(sql);
        EXPECT_EQ(failureOf(QString::fromUtf8(sql)),
                  QStringLiteral("Consulta recusada: somente consultas de leitura (SELECT) são "
                                 "permitidas."));
    }
    EXPECT_EQ(rows("FILIAL"), 4);

    // Reading forms that must still pass.
    for (const char *sql : {"SELECT ';' AS A;", "with F as (select CDFILIAL from FILIAL) "
                                                "select count(*) AS N from F"}) {
        SCOPED_TRACE(sql);
        EXPECT_EQ(failureOf(QString::fromUtf8(sql)), QString());
    }
}

// A write that starts like a read passes the component; the connection must refuse it.
TEST_F(QueryTest, TheShellsConnectionReadsTheLookedUpTablesAndChangesNone)
{
    // A session setting is no fence: lift it, so only the connection's rights are left.
    if (onPostgres()) {
        EXPECT_EQ(failureOf(QStringLiteral("SELECT set_config('default_transaction_read_only', "
                                           "'off', false) AS X")),
                  QString());
    }
    const struct {
        const char *table;
        const char *key;
    } tables[] = {{"CONFIGHOST", "CHAVE"},
                  {"FILIAL", "CDFILIAL"},
                  {"PRODUTO", "CDPRODUTO"},
                  {"TABEPRECGER", "CDTABEPREC"},
                  {"TIPOCONS", "CDTIPOCONS"}};
    const char *const writes[] = {
        "WITH F AS (SELECT 1) INSERT INTO %1 SELECT * FROM %1 WHERE %2 IS NOT NULL",
        "WITH F AS (SELECT 1) UPDATE %1 SET %2 = %2 || 'x'",
        "WITH F AS (SELECT 1) DELETE FROM %1 WHERE %2 IS NOT NULL",
    };
    // On SQLite a recorded table's write stops even before the read-only file refuses it: the
    // change record's triggers need the function only the server's connections have.
    const QRegularExpression refused(
        QStringLiteral("^Erro na consulta: .*(readonly|permission denied for table|no such "
                       "function: vnd_chamada)"));
    for (const auto &t : tables) {
        SCOPED_TRACE(t.table);
        const QString table = QString::fromLatin1(t.table);
        const int stored = rows(t.table);
        ASSERT_GT(stored, 0);
        open(QStringLiteral("SELECT COUNT(*) AS N FROM %1").arg(table));
        EXPECT_EQ(m_query.FieldByName(QStringLiteral("N")).asInteger(), stored);
        for (const char *write : writes) {
            const QString sql = QString::fromLatin1(write).arg(table, QLatin1String(t.key));
            SCOPED_TRACE(qPrintable(sql));
            const QString why = failureOf(sql);
            EXPECT_TRUE(refused.match(why).hasMatch()) << qPrintable(why);
        }
        EXPECT_EQ(rows(t.table), stored);
        EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2 LIKE '%x'")
                             .arg(table, QLatin1String(t.key)))
                      .toInt(),
                  0);
    }
}

TEST_F(QueryTest, LookupsAnswerWhileTheServerWrites)
{
    const QString lookup = QStringLiteral("SELECT NMFILIAL FROM FILIAL WHERE CDFILIAL = '0001'");
    open(lookup);
    const QString before = m_query.FieldByName(QStringLiteral("NMFILIAL")).asString();
    {
        server::UnitOfWork work(database());
        asOwner(QStringLiteral("UPDATE FILIAL SET NMFILIAL = 'EM GRAVACAO' WHERE CDFILIAL = "
                               "'0001'"));
        open(lookup);
        EXPECT_EQ(m_query.FieldByName(QStringLiteral("NMFILIAL")).asString(), before);
        work.commit();
    }
    open(lookup);
    EXPECT_EQ(m_query.FieldByName(QStringLiteral("NMFILIAL")).asString(),
              QStringLiteral("EM GRAVACAO"));
}

// The owner (any role that can write) is refused; --init takes back what was granted by hand.
TEST_F(QueryTest, OnPostgresOnlyTheShellsRoleIsAccepted)
{
    if (!onPostgres())
        GTEST_SKIP() << "SQLite has no roles; its file is opened read-only";
    const QString shell = shellAddress();
    const auto refusal = [](const QString &address) -> QString {
        try {
            openHostDatabase(address);
        } catch (const vnd::Error &e) {
            return e.message();
        }
        return {};
    };
    EXPECT_EQ(refusal(databaseUrl()),
              QStringLiteral("O usuário \"postgres\" do banco de dados pode alterar a tabela "
                             "CONFIGHOST, e a retaguarda só consulta o banco. Use no endereço "
                             "do banco o usuário vnd42700_retaguarda, criado por "
                             "vnd42700-server --init."));
    EXPECT_FALSE(hostDatabaseOpen());

    asOwner(QStringLiteral("GRANT UPDATE ON FILIAL TO %1").arg(QLatin1String(server::kShellRole)));
    EXPECT_TRUE(refusal(shell).contains(QStringLiteral("pode alterar a tabela FILIAL")));
    EXPECT_EQ(server::grantShellRole(database()), QString());
    EXPECT_EQ(refusal(shell), QString());
    EXPECT_TRUE(hostDatabaseOpen());
}

TEST_F(QueryTest, FieldsAreFoundCaseInsensitivelyAndFollowEachStatement)
{
    m_query.setParam(QStringLiteral("COD"), QStringLiteral("0002"));
    open(QStringLiteral("SELECT CDFILIAL, nmFilial FROM FILIAL WHERE CDFILIAL = :COD"));
    ASSERT_FALSE(m_query.IsEmpty());
    const QString name = m_query.FieldByName(QStringLiteral("NMFILIAL")).asString();
    EXPECT_FALSE(name.isEmpty());
    EXPECT_EQ(m_query.FieldByName(QStringLiteral("nmfilial")).asString(), name);
    EXPECT_EQ(m_query.FieldByName(QStringLiteral("CdFilial")).asString(), QStringLiteral("0002"));

    // Same component, other columns: the old ones are gone, the new ones are there.
    open(QStringLiteral("SELECT COUNT(*) AS QTDE, MAX(NMPRODUTO) AS ULTIMO FROM PRODUTO"));
    EXPECT_EQ(m_query.FieldByName(QStringLiteral("qtde")).asInteger(), rows("PRODUTO"));
    EXPECT_FALSE(m_query.FieldByName(QStringLiteral("Ultimo")).asString().isEmpty());
    EXPECT_THROW(m_query.FieldByName(QStringLiteral("NMFILIAL")), vnd::Error);

    // A statement finding nothing still opens, with its fields.
    open(QStringLiteral("SELECT CDTABEPREC FROM TABEPRECGER WHERE 1 = 0"));
    EXPECT_TRUE(m_query.Active());
    EXPECT_TRUE(m_query.IsEmpty());
    EXPECT_NO_THROW(m_query.FieldByName(QStringLiteral("cdtabeprec")));

    m_query.Close();
    EXPECT_TRUE(m_query.IsEmpty());
    EXPECT_THROW(m_query.FieldByName(QStringLiteral("CDTABEPREC")), vnd::Error);
}

TEST(HostDatabase, RefusesWhatItCannotOpenAndCreatesNothing)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("nao-existe.db"));
    for (const QString &address :
         {QStringLiteral("sqlite:") + missing, QStringLiteral("sqlite:"),
          QStringLiteral("mysql://x/y"), QStringLiteral("postgresql://h")}) {
        SCOPED_TRACE(qPrintable(address));
        EXPECT_THROW(openHostDatabase(address), vnd::Error);
        EXPECT_FALSE(hostDatabaseOpen());
    }
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_THROW(hostDatabase(), vnd::Error);
    TADOIBQuery query;
    query.SQL = {QStringLiteral("SELECT 1")};
    EXPECT_THROW(query.Open(), vnd::Error);
}

} // namespace
} // namespace vnd::db::test
