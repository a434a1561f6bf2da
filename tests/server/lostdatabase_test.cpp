// A database that goes away and comes back: lost connections are opened again on every
// worker, calls meanwhile answer 503 with Retry-After, and service resumes by itself.

#include "serverfixture.h"

#include "server/sqlstatement.h"
#include "server/unitofwork.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QUrl>

#include <future>

namespace vnd::server::test
{
namespace
{

class LostDatabaseTest : public ServerFixture
{
protected:
    void SetUp() override
    {
        ServerFixture::SetUp();
        m_tables = changeSetFor(packet(QStringLiteral("getTabGeral"), {}));
    }
    Answer saveTable()
    {
        data::ChangeSet cs = m_tables;
        cs.changes.push_back(insert({QStringLiteral("%1").arg(m_next++), "NOVA"}));
        return call(QStringLiteral("setTabGeral"), {cs});
    }
    // Reads from many clients at once, so that every read worker takes part, and a save,
    // which a writer runs.
    void everyWorkerAnswers()
    {
        std::vector<std::future<int>> reads;
        for (int i = 0; i < 24; ++i)
            reads.push_back(std::async(std::launch::async, [this] {
                return call(QStringLiteral("getTabGeral"), {}).status;
            }));
        for (auto &r : reads)
            EXPECT_EQ(r.get(), 200) << log().join(u'\n').toStdString();
        EXPECT_EQ(saveTable().status, 200);
    }
    void expectUnavailable(const Answer &a) const
    {
        EXPECT_EQ(a.status, 503);
        EXPECT_EQ(a.reply.errorMessage.toStdString(),
                  "Banco de dados indisponível; tente novamente em instantes.");
        EXPECT_EQ(a.retryAfter, "2");
    }
    // Calls until one answers 200, for at most 10 s; the time it took.
    qint64 msUntilServed() const
    {
        QElapsedTimer timer;
        timer.start();
        while (call(QStringLiteral("getTabGeral"), {}).status != 200 && timer.elapsed() < 10000)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return timer.elapsed();
    }
    int logged(const char *text) const { return int(log().filter(QString::fromUtf8(text)).size()); }

    data::ChangeSet m_tables;
    int m_next = 500;
};

// The test cluster's server stopped, and started again however the test ends.
class ClusterHalt
{
public:
    ClusterHalt() { m_halted = run("halt"); }
    ~ClusterHalt() { resume(); }
    bool halted() const { return m_halted; }
    bool resume()
    {
        if (!m_halted)
            return false;
        m_halted = false;
        return run("resume");
    }

private:
    static bool run(const char *what)
    {
        return QProcess::execute(
                   QStringLiteral(VND_PGCLUSTER_SCRIPT),
                   {QString::fromLatin1(what), qEnvironmentVariable("VND_PGCLUSTER")}) == 0;
    }
    bool m_halted = false;
};

TEST_F(LostDatabaseTest, TerminatedBackendsAreReplacedWithoutAFailedCall)
{
    if (!onPostgres())
        GTEST_SKIP() << "PostgreSQL only";
    everyWorkerAnswers();
    const Database admin(qEnvironmentVariable("VND_TEST_PG"));
    SqlStatement kill(admin.connection(),
                      QStringLiteral("SELECT COUNT(pg_terminate_backend(pid)) FROM "
                                     "pg_stat_activity WHERE datname = ?"));
    kill.bind(QUrl(databaseUrl()).path().mid(1)).exec();
    ASSERT_TRUE(kill.next());
    EXPECT_GE(kill.value(0).toInt(), 3); // readers, a writer and this test's own
    everyWorkerAnswers();
    EXPECT_GE(logged("conexão com o banco de dados perdida"), 2);
}

// Statements deallocated under the server (a pooler in transaction mode does it): each
// write prepares again what it sends, rather than failing on that connection from then on.
TEST_F(ServerFixture, WritesPrepareAgainStatementsPostgresNoLongerHolds)
{
    if (!onPostgres())
        GTEST_SKIP() << "PostgreSQL only";
    const auto rename = [&](const QString &name) {
        UnitOfWork work(database(), UnitOfWork::Lock::WithFirstStatement);
        SqlStatement(work.db(), QStringLiteral("UPDATE TABEPRECGER SET NMTABEPREC = ? "
                                               "WHERE CDTABEPREC = '001'"))
            .bind(name)
            .exec();
        work.commit();
    };
    for (const QString &name : {QStringLiteral("PRIMEIRA"), QStringLiteral("SEGUNDA")}) {
        EXPECT_NO_THROW(rename(name)) << name.toStdString();
        QSqlQuery(database().connection()).exec(QStringLiteral("DEALLOCATE ALL"));
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT NMTABEPREC FROM TABEPRECGER WHERE CDTABEPREC = "
                                    "'001'"))
                  .toString(),
              QStringLiteral("SEGUNDA"));
}

TEST_F(LostDatabaseTest, AStoppedServerAnswers503UntilItIsBack)
{
    if (!onPostgres())
        GTEST_SKIP() << "PostgreSQL only";
    if (qEnvironmentVariable("VND_PGCLUSTER").isEmpty())
        GTEST_SKIP() << "no test cluster to stop (VND_PGCLUSTER)";
    everyWorkerAnswers();
    ClusterHalt halt;
    ASSERT_TRUE(halt.halted());
    expectUnavailable(call(QStringLiteral("getTabGeral"), {}));
    expectUnavailable(saveTable());
    EXPECT_EQ(logged("banco de dados inacessível"), 1);
    ASSERT_TRUE(halt.resume());
    EXPECT_LT(msUntilServed(), 10000);
    everyWorkerAnswers();
    EXPECT_EQ(logged("banco de dados acessível de novo"), 1);
}

TEST_F(LostDatabaseTest, AFileThatWentAwayAnswers503UntilItIsBack)
{
    if (onPostgres())
        GTEST_SKIP() << "SQLite only";
    everyWorkerAnswers();
    const QString path = database().sqlitePath();
    ASSERT_TRUE(QFile::rename(path, path + QStringLiteral(".fora")));
    expectUnavailable(call(QStringLiteral("getTabGeral"), {}));
    expectUnavailable(saveTable());
    EXPECT_FALSE(QFile::exists(path)); // not created again, empty
    EXPECT_EQ(logged("banco de dados inacessível"), 1);
    ASSERT_TRUE(QFile::rename(path + QStringLiteral(".fora"), path));
    EXPECT_LT(msUntilServed(), 10000);
    everyWorkerAnswers();
}

} // namespace
} // namespace vnd::server::test
