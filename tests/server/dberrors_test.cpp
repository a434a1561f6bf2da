// Database failures reach the user as Portuguese text; the driver's own words go to the log.

#include "serverfixture.h"

#include "server/dberror.h"
#include "server/unitofwork.h"

#include <optional>

#include <QDateTime>
#include <QElapsedTimer>
#include <QThread>

#include <future>

namespace vnd::server::test
{
namespace
{

data::ChangeSet newTable(const ServerFixture &f)
{
    data::ChangeSet cs = changeSetFor(f.packet(QStringLiteral("getTabGeral"), {}));
    cs.changes.push_back(insert({"009", "NOVA"}));
    return cs;
}

class ReadOnlyTest : public ServerFixture
{
protected:
    void SetUp() override
    {
        m_readOnlyServer = true;
        ServerFixture::SetUp();
    }
};

TEST_F(ReadOnlyTest, WritesAreRefusedInPortuguese)
{
    EXPECT_EQ(call(QStringLiteral("getTabGeral"), {}).status, 200);
    const Answer a = call(QStringLiteral("setTabGeral"), {newTable(*this)});
    EXPECT_EQ(a.status, 500);
    EXPECT_EQ(a.reply.errorMessage.toStdString(), "O banco de dados está somente para leitura.");
    const QString driverText = onPostgres() ? QStringLiteral("read-only transaction")
                                            : QStringLiteral("readonly database");
    EXPECT_EQ(log().filter(driverText).size(), 1) << log().join(u'\n').toStdString();
}

class BusyTest : public ServerFixture
{
protected:
    void SetUp() override
    {
        m_busyTimeoutMs = 200;
        ServerFixture::SetUp();
    }
};

TEST_F(BusyTest, AnotherWriterHoldingTheLockGives503AndRetryAfter)
{
    {
        // Another program writing: it holds the write lock past the server's patience.
        const Database other(databaseUrl());
        std::optional<UnitOfWork> otherWrites(std::in_place, other);
        const Answer a = call(QStringLiteral("setTabGeral"), {newTable(*this)});
        otherWrites.reset();
        EXPECT_EQ(a.status, 503);
        EXPECT_EQ(a.reply.errorMessage.toStdString(),
                  "Banco de dados ocupado; tente novamente em instantes.");
        EXPECT_EQ(a.retryAfter, "2");
        const QString driverText =
            onPostgres() ? QStringLiteral("lock timeout") : QStringLiteral("database is locked");
        EXPECT_EQ(log().filter(driverText).size(), 1) << log().join(u'\n').toStdString();
    }
    EXPECT_EQ(call(QStringLiteral("setTabGeral"), {newTable(*this)}).status, 200);
}

// An item save takes the lock with its first statement; held by another writer, it is as busy.
TEST_F(BusyTest, AnItemSaveWaitsForTheLockWithItsFirstStatement)
{
    const QDate start =
        currentPeriodStart(packet(QStringLiteral("getVigenciaTab"), {"001"}), today());
    const data::DataPacket items =
        packet(QStringLiteral("getItemPreco"), {"001", start, "4", "", "T"});
    data::Row changed = items.rows[0];
    changed[items.indexOf(u"VRPRECITEM")] = 7.77;
    data::ChangeSet cs = changeSetFor(items);
    cs.changes.push_back(modify(items.rows[0], changed));
    {
        const Database other(databaseUrl());
        std::optional<UnitOfWork> otherWrites(std::in_place, other);
        EXPECT_EQ(call(QStringLiteral("SetItemPreco"), {cs, ""}).status, 503);
    }
    EXPECT_EQ(call(QStringLiteral("SetItemPreco"), {cs, ""}).status, 200);
}

// Queued behind other writes for the two write workers, a write is answered when its busy
// timeout is up, not a busy timeout later for every write ahead of it.
TEST_F(BusyTest, AQueuedWriteWaitsNoLongerThanTheBusyTimeoutInAll)
{
    const Database other(databaseUrl());
    std::optional<UnitOfWork> otherWrites(std::in_place, other);
    const data::ChangeSet cs = newTable(*this);
    std::vector<std::future<std::pair<int, qint64>>> writes;
    for (int i = 0; i < 10; ++i)
        writes.push_back(std::async(std::launch::async, [this, &cs] {
            QElapsedTimer timer;
            timer.start();
            const int status = call(QStringLiteral("setTabGeral"), {cs}).status;
            return std::make_pair(status, timer.elapsed());
        }));
    for (auto &w : writes) {
        const auto [status, ms] = w.get();
        EXPECT_EQ(status, 503);
        EXPECT_LT(ms, 3 * m_busyTimeoutMs); // five rounds of two writers before
    }
}

// Every call reads its session and notes its use, so the use's write meets the held lock.
class BusyLastUseTest : public BusyTest
{
protected:
    void SetUp() override
    {
        m_sessions.trustMs = 0;
        m_sessions.touchSeconds = 0;
        BusyTest::SetUp();
    }
};

// A session's last use that finds another writer holding the lock is written once the lock
// is free: not lost, and not a line in the log for every long bulk call.
TEST_F(BusyLastUseTest, ALastUseWaitsForTheWriteLockInsteadOfBeingLost)
{
    exec(QStringLiteral("UPDATE SESSAO SET DTULTIMOUSO = DTULTIMOUSO - 1000"));
    const qint64 used = QDateTime::currentSecsSinceEpoch();
    {
        const Database other(databaseUrl());
        std::optional<UnitOfWork> otherWrites(std::in_place, other);
        EXPECT_EQ(call(QStringLiteral("getTabGeral"), {}).status, 200);
        QThread::msleep(3 * m_busyTimeoutMs); // past the use's first try
    }
    const QString written = QStringLiteral("SELECT COUNT(*) FROM SESSAO WHERE DTULTIMOUSO >= ?");
    QElapsedTimer waited;
    waited.start();
    while (scalar(written, {used}).toInt() == 0 && waited.elapsed() < 10000)
        QThread::msleep(50);
    EXPECT_EQ(scalar(written, {used}).toInt(), 1);
    EXPECT_TRUE(log().filter(QStringLiteral("não registrado")).isEmpty())
        << log().join(u'\n').toStdString();
}

TEST_F(ServerFixture, ReadsAnswerWhileWritersWaitForTheLock)
{
    const Database other(databaseUrl());
    std::optional<UnitOfWork> otherWrites(std::in_place, other);
    // More waiting writers than the server has workers of any kind.
    std::vector<std::future<Answer>> writes;
    for (int i = 0; i < 10; ++i)
        writes.push_back(std::async(std::launch::async, [this, i] {
            data::ChangeSet cs = changeSetFor(packet(QStringLiteral("getTabGeral"), {}));
            cs.changes.push_back(insert({QStringLiteral("%1").arg(20 + i, 3, 10, QLatin1Char('0')),
                                         QStringLiteral("NOVA")}));
            return call(QStringLiteral("setTabGeral"), {cs});
        }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    QElapsedTimer timer;
    timer.start();
    const Answer read = call(QStringLiteral("getTabGeral"), {});
    const qint64 ms = timer.elapsed();
    int pending = 0;
    for (auto &w : writes)
        pending += w.wait_for(std::chrono::seconds(0)) != std::future_status::ready;
    otherWrites.reset();
    EXPECT_EQ(read.status, 200);
    EXPECT_EQ(pending, 10);
    EXPECT_LT(ms, 2000); // the writers wait up to 10 s
    for (auto &w : writes)
        EXPECT_EQ(w.get().status, 200);
}

TEST(DbErrors, AFullDiskIsToldInPortuguese)
{
    const ServiceError e =
        DbError::fromSqlError(QSqlError(QStringLiteral("Unable to fetch row"),
                                        QStringLiteral("database or disk is full"),
                                        QSqlError::StatementError, QStringLiteral("13")))
            .toServiceError();
    EXPECT_EQ(e.status(), 500);
    EXPECT_EQ(e.message().toStdString(), "Não há espaço em disco para gravar.");
    EXPECT_TRUE(e.detail().contains(QStringLiteral("disk is full")));
}

} // namespace
} // namespace vnd::server::test
