// Two server processes on one database, clients racing across them on the same rows: the
// rules hold because they live in the database, not in one process's memory.

#include "serverfixture.h"
#include "serverprocess.h"

#include <QElapsedTimer>
#include <QThread>

#include <array>
#include <atomic>
#include <cstdio>
#include <functional>
#include <latch>
#include <map>

namespace vnd::server::test
{
namespace
{

using data::Row;

class TwoServersTest : public ServerFixture
{
protected:
    void SetUp() override
    {
        ServerFixture::SetUp();
        ASSERT_TRUE(m_logs.isValid());
        for (int i = 0; i < 2; ++i) {
            m_servers[i] = std::make_unique<ServerProcess>(
                databaseUrl(), m_logs.filePath(QStringLiteral("server%1.log").arg(i)));
            ASSERT_GT(m_servers[i]->port(), 0) << "server " << i << " did not start";
        }
    }
    void TearDown() override
    {
        for (auto &s : m_servers)
            if (s) {
                EXPECT_TRUE(s->stop());
            }
        ServerFixture::TearDown();
    }
    int port(int client) const { return m_servers[client % 2]->port(); }
    // A call through the client's server, with the fixture's session: every server on the
    // database accepts it.
    Answer callVia(int client, const QString &method, const data::ValueArray &args) const
    {
        return callOn(port(client), method, args, data::Encoding::Cbor, token());
    }

    // Reads one item price row and adds one to its price; the answer's status.
    int increment(int client, const QString &table, QDate start, const QString &product)
    {
        const Answer items =
            callVia(client, QStringLiteral("getItemPreco"), {table, start, "4", product, ""});
        ++m_requests;
        if (items.status != 200 || items.reply.result.packet().rows.size() != 1)
            return items.status == 200 ? 404 : items.status;
        const data::DataPacket &p = items.reply.result.packet();
        const int price = p.indexOf(u"VRPRECITEM");
        Row row = p.rows[0];
        row[price] = row[price].toDouble() + 1;
        data::ChangeSet cs = changeSetFor(p);
        cs.changes.push_back(modify(p.rows[0], row));
        ++m_requests;
        return callVia(client, QStringLiteral("SetItemPreco"), {cs, ""}).status;
    }
    double price(const QString &table, QDate start, const QString &product) const
    {
        return scalar(QStringLiteral("SELECT VRPRECITEM FROM ITEMPRECO WHERE CDTABEPREC = ? AND "
                                     "DTINIVGPREC = ? AND CDPRODUTO = ? AND CDPRPAITABPR = ?"),
                      {table, start.toString(Qt::ISODate), product, product})
            .toDouble();
    }
    int count(const char *table, const char *code) const
    {
        return scalar(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE CDTABEPREC = ?")
                          .arg(QLatin1String(table)),
                      {QString::fromLatin1(code)})
            .toInt();
    }
    QDate periodOf(const char *table) const
    {
        return currentPeriodStart(packet(QStringLiteral("getVigenciaTab"), {table}), today());
    }
    QString pricedProduct(const char *table, QDate start) const
    {
        const auto items = packet(QStringLiteral("getItemPreco"), {table, start, "4", "", "T"});
        for (const Row &r : items.rows)
            if (!r[items.indexOf(u"VRPRECITEM")].isNull())
                return r[items.indexOf(u"CDPRODUTO")].toString();
        return {};
    }

    // Two clients, one on each server, send their change sets at the same moment.
    std::array<int, 2> race(const QString &method,
                            const std::function<data::ChangeSet(int)> &changes) const
    {
        std::array<int, 2> status{};
        std::latch go(2);
        std::jthread racers[2];
        for (int c = 0; c < 2; ++c)
            racers[c] = std::jthread([&, c] {
                const data::ChangeSet cs = changes(c);
                go.arrive_and_wait();
                status[c] = callVia(c, method, {cs}).status;
            });
        for (auto &r : racers)
            r.join();
        return status;
    }

    QTemporaryDir m_logs;
    std::unique_ptr<ServerProcess> m_servers[2];
    std::atomic<int> m_requests{0};
};

TEST_F(TwoServersTest, RacingClientsLoseNoUpdateAndKeepTheRules)
{
    // Eight clients, four on each server, add one to the same price.
    const QDate start = periodOf("001");
    const QString product = pricedProduct("001", start);
    ASSERT_FALSE(product.isEmpty());
    const double before = price("001", start, product);
    constexpr int kClients = 8, kRounds = 25;
    std::mutex mutex;
    std::map<int, int> statuses;
    {
        std::vector<std::jthread> clients;
        std::latch go(kClients);
        for (int c = 0; c < kClients; ++c)
            clients.emplace_back([&, c] {
                go.arrive_and_wait();
                for (int i = 0; i < kRounds; ++i) {
                    const int status = increment(c, QStringLiteral("001"), start, product);
                    std::lock_guard lock(mutex);
                    ++statuses[status];
                }
            });
    }
    const int stored = statuses[200], conflicts = statuses[409];
    EXPECT_EQ(stored + conflicts, kClients * kRounds) << "only 200 and 409 are expected";
    EXPECT_GT(conflicts, 0) << "the clients never met";
    const double lost = before + stored - price("001", start, product);
    EXPECT_EQ(lost, 0);
    std::printf("two servers: %d requests, %d price updates stored, %d answered 409, %g lost\n",
                m_requests.load(), stored, conflicts, lost);

    // Two clients, one on each server, move the same branch to two different tables at once:
    // one wins, the other is told of the conflict, the branch keeps one table.
    const char *tables[] = {"001", "002", "003"};
    int branchConflicts = 0;
    for (int round = 0; round < 6; ++round) {
        const QString held =
            scalar(QStringLiteral("SELECT CDTABEPREC FROM TABEPRECFILI WHERE CDFILIAL = '0003'"))
                .toString();
        const auto links = packet(QStringLiteral("getFilTab"), {held});
        Row old;
        for (const Row &r : links.rows)
            if (r[2] == "0003")
                old = r;
        ASSERT_FALSE(old.isEmpty());
        QStringList targets;
        for (const char *t : tables)
            if (held != QLatin1String(t))
                targets << QString::fromLatin1(t);
        const auto status = race(QStringLiteral("setFilTab"), [&](int c) {
            data::ChangeSet move = changeSetFor(links);
            move.changes = {remove(old), insert({targets[c], old[1], old[2]})};
            return move;
        });
        ASSERT_EQ(std::min(status[0], status[1]), 200) << round;
        ASSERT_EQ(std::max(status[0], status[1]), 409) << round;
        branchConflicts++;
        EXPECT_EQ(scalar(QStringLiteral("SELECT CDTABEPREC FROM TABEPRECFILI WHERE CDFILIAL = "
                                        "'0003'"))
                      .toString(),
                  targets[status[0] == 200 ? 0 : 1]);
    }
    EXPECT_EQ(
        scalar(QStringLiteral("SELECT COUNT(*) FROM TABEPRECFILI WHERE CDFILIAL = '0003'")).toInt(),
        1);

    // Two overlapping periods sent at once to the two servers: the check before the write
    // sees the other's period, so one is refused and no overlap is ever stored.
    const auto periods = packet(QStringLiteral("getVigenciaTab"), {"002"});
    for (int round = 0; round < 10; ++round) {
        const QDate from = today().addDays(400 + 40 * round);
        const auto status = race(QStringLiteral("setVigenciaTab"), [&](int c) {
            data::ChangeSet cs = changeSetFor(periods);
            cs.changes.push_back(insert({"002", from.addDays(5 * c), from.addDays(10 + 5 * c),
                                         QVariant(), QVariant(), "1"}));
            return cs;
        });
        EXPECT_EQ(std::min(status[0], status[1]), 200) << round;
        EXPECT_EQ(std::max(status[0], status[1]), 422) << round;
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM TABEVEND A JOIN TABEVEND B ON "
                                    "A.CDTABEPREC = B.CDTABEPREC AND A.DTINIVGPREC < "
                                    "B.DTINIVGPREC AND B.DTINIVGPREC <= A.DTFINVGPREC"))
                  .toInt(),
              0);

    // One server renames a table while clients of the other keep writing its prices: every
    // row follows the new code, and the writes that went first are carried along.
    const QDate start3 = periodOf("003");
    const QString product3 = pricedProduct("003", start3);
    const double before3 = price("003", start3, product3);
    const char *children[] = {"TABEVEND", "ITEMPRECO", "ITEMPRECODIA", "TABEPRECFILI"};
    std::map<QString, int> rows;
    for (const char *t : children)
        rows[QString::fromLatin1(t)] = count(t, "003");
    std::atomic<int> written{0}, refused{0}, other{0};
    std::atomic<bool> renamed{false};
    int renameStatus = 0;
    {
        std::vector<std::jthread> writers;
        for (int c = 1; c < 8; c += 2)
            writers.emplace_back([&, c] {
                for (int i = 0; i < 40 && !(renamed && i > 5); ++i) {
                    const int s = increment(c, QStringLiteral("003"), start3, product3);
                    (s == 200 ? written : s == 409 || s == 422 || s == 404 ? refused : other)++;
                }
            });
        QThread::msleep(50);
        const auto general = packet(QStringLiteral("getTabGeral"), {});
        data::ChangeSet rename = changeSetFor(general);
        rename.changes.push_back(modify(general.rows[2], {"009", general.rows[2][1]}));
        renameStatus = callVia(0, QStringLiteral("setTabGeral"), {rename}).status;
        renamed = true;
    }
    ASSERT_EQ(renameStatus, 200);
    EXPECT_EQ(other, 0);
    for (const char *t : children) {
        EXPECT_EQ(count(t, "003"), 0) << t;
        EXPECT_EQ(count(t, "009"), rows[QString::fromLatin1(t)]) << t;
    }
    EXPECT_EQ(price("009", start3, product3), before3 + written);
    std::printf("rename across servers: %d price updates carried to the new code, %d refused "
                "(409, or 422 once the code is gone), %d branch races each won once\n",
                written.load(), refused.load(), branchConflicts);
}

// A session opened on one server is accepted by the other, which sees its sign-out within
// the short time it trusts a session it has checked.
TEST_F(TwoServersTest, SessionOpenedOnOneServerHoldsOnTheOtherUntilSignedOut)
{
    const std::string token =
        tokenOf(signInOn(port(0), QStringLiteral("precos"), QStringLiteral("precos-demo")));
    ASSERT_FALSE(token.empty());
    const Answer who =
        callOn(port(1), QStringLiteral("getSessao"), {}, data::Encoding::Cbor, token);
    ASSERT_EQ(who.status, 200) << qPrintable(who.reply.errorMessage);
    EXPECT_EQ(who.reply.result.array()[0].toString(), QStringLiteral("precos"));
    // The role holds there too.
    EXPECT_EQ(callOn(port(1), QStringLiteral("setTabGeral"), {changeSetFor({})},
                     data::Encoding::Cbor, token)
                  .status,
              403);

    ASSERT_EQ(callOn(port(0), QStringLiteral("Sair"), {}, data::Encoding::Cbor, token).status, 200);
    QElapsedTimer t;
    t.start();
    int status = 200;
    while (status == 200 && t.elapsed() < 10000) {
        status =
            callOn(port(1), QStringLiteral("getTabGeral"), {}, data::Encoding::Cbor, token).status;
        if (status == 200)
            QThread::msleep(50);
    }
    EXPECT_EQ(status, 401);
    EXPECT_LT(t.elapsed(), 5000);
    std::printf("signed out on one server: refused by the other after %lld ms\n",
                static_cast<long long>(t.elapsed()));
}

} // namespace
} // namespace vnd::server::test
