// The host's direct query on the demo database: bound parameters, read-only statements,
// case-insensitive fields, one component reused for queries of different shapes.

#include "printers.h"
#include "serverfixture.h"

#include "host/db/adoibquery.h"
#include "host/db/hostdatabase.h"
#include "host/services/errors.h"

#include <QFile>

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
        openHostDatabase(databaseUrl());
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
    const QString refused = QStringLiteral("Consulta recusada: somente consultas de leitura "
                                           "(SELECT) são permitidas.");
    const struct {
        const char *sql;
        bool byTheComponent; // else refused by the read-only database connection
    } cases[] = {
        {"DELETE FROM FILIAL", true},
        {"  update FILIAL SET NMFILIAL = 'X'", true},
        {"INSERT INTO TIPOCONS SELECT * FROM TIPOCONS", true},
        {"PRAGMA query_only = 0", true},
        {"SELECT 1; DELETE FROM FILIAL", true},
        {"SELECT ';' AS A; DROP TABLE FILIAL", true},
        {"-- comentário\nDELETE FROM FILIAL", true},
        {"SELECT 1 AS A -- it's\n; DELETE FROM FILIAL", true},
        {"SELECT 1 AS A /* ' */; DELETE FROM FILIAL", true},
        {"WITH F AS (SELECT CDFILIAL FROM FILIAL) DELETE FROM FILIAL", false},
        {"WITH F AS (SELECT 1) UPDATE FILIAL SET NMFILIAL = 'X'", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.sql);
        const QString why = failureOf(QString::fromUtf8(c.sql));
        if (c.byTheComponent)
            EXPECT_EQ(why, refused);
        else
            EXPECT_TRUE(why.startsWith(QStringLiteral("Erro na consulta:"))) << qPrintable(why);
    }
    EXPECT_EQ(rows("FILIAL"), 4);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM FILIAL WHERE NMFILIAL = 'X'")).toInt(),
              0);

    // Reading forms that must still pass.
    for (const char *sql : {"SELECT ';' AS A;", "with F as (select CDFILIAL from FILIAL) "
                                                "select count(*) AS N from F"}) {
        SCOPED_TRACE(sql);
        EXPECT_EQ(failureOf(QString::fromUtf8(sql)), QString());
    }
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
    for (const QString &address : {QStringLiteral("sqlite:") + missing, QStringLiteral("sqlite:"),
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
