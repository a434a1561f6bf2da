// Clients slower than the database: readers that stop reading hold neither a worker nor a
// read snapshot, a slow reader gets its whole answer and a silent one is cut, the disk such
// answers take has a cap, HTTP/1.0 gets streamed answers with their length, and a body that
// would decode into too many values is refused before it is read whole.

#include "rawsocket.h"
#include "serverfixture.h"

#include "wire/codec.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <chrono>
#include <fstream>
#include <thread>

namespace vnd::server::test
{
namespace
{

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Answers of several megabytes: more than the sockets' buffers hold.
constexpr int kAdded = 30000;

class SlowClientTest : public ServerFixture
{
protected:
    void SetUp() override
    {
        ServerFixture::SetUp();
        m_start = currentPeriodStart(packet(QStringLiteral("getVigenciaTab"), {"001"}), today());
        addPricedProducts(kAdded, m_start);
        m_level =
            scalar(QStringLiteral("SELECT COUNT(*) FROM PRODUTO WHERE CDNVPRODUTO = 4")).toInt();
    }

    std::string itemsRequest(const std::string &extra = {}, const std::string &version = "1.1")
    {
        return request("getItemPreco",
                       R"({"args":["001",{"date":")" + m_start.toString(Qt::ISODate).toStdString() +
                           R"("},"4","","T"]})",
                       bearer() + extra, version);
    }
    // The rows of a whole JSON answer to itemsRequest.
    static int rowsOf(const RawAnswer &a)
    {
        const data::Reply r =
            data::decodeReply(QByteArray::fromStdString(a.body), data::Encoding::Json);
        return r.ok ? int(r.result.packet().rows.size()) : -1;
    }

    QDate m_start;
    int m_level = 0;
};

// Two workers, four readers that never read.
class StalledReaderTest : public SlowClientTest
{
protected:
    StalledReaderTest()
    {
        m_options.threads = 2;
        m_options.stallSeconds = 30;
    }
};

TEST_F(StalledReaderTest, StalledReadersHoldNeitherAWorkerNorASnapshot)
{
    std::vector<std::unique_ptr<Socket>> stalled;
    for (int i = 0; i < 4; ++i) {
        stalled.push_back(std::make_unique<Socket>(port(), 4096));
        ASSERT_TRUE(stalled.back()->send(itemsRequest()));
    }
    const auto start = Clock::now();
    EXPECT_EQ(call(QStringLiteral("getTabGeral"), {}).status, 200);
    EXPECT_LT(Clock::now() - start, 10s);
    if (onPostgres())
        return;
    // A checkpoint copies the whole log back once no reader holds a snapshot older than it.
    QSqlDatabase db = database().connection();
    QSqlQuery q(db);
    bool blocked = true;
    for (const auto until = Clock::now() + 10s; blocked && Clock::now() < until;) {
        ASSERT_TRUE(q.exec(QStringLiteral("UPDATE PRODUTO SET NMPRODUTO = NMPRODUTO || '' "
                                          "WHERE CDPRODUTO = '9000000001'")));
        ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")) && q.next());
        blocked = q.value(0).toInt() != 0;
        if (blocked)
            std::this_thread::sleep_for(50ms);
    }
    EXPECT_FALSE(blocked);
}

class SlowReaderTest : public SlowClientTest
{
protected:
    SlowReaderTest() { m_options.stallSeconds = 1; }
};

TEST_F(SlowReaderTest, ASlowReaderGetsItsWholeAnswerAndASilentOneIsCut)
{
    Socket slow(port(), 64 << 10);
    ASSERT_TRUE(slow.send(itemsRequest("Connection: close\r\n")));
    Socket silent(port(), 4096);
    ASSERT_TRUE(silent.send(itemsRequest("Connection: close\r\n")));

    // Pauses below the stall time, for longer than it in all.
    const auto start = Clock::now();
    std::string bytes;
    for (size_t pausedAt = 0; slow.readSome(bytes, 64 << 10) > 0;) {
        if (bytes.size() - pausedAt > (1 << 20)) {
            std::this_thread::sleep_for(700ms);
            pausedAt = bytes.size();
        }
    }
    EXPECT_GT(Clock::now() - start, 2s);
    const RawAnswer whole = parseAnswer(bytes);
    EXPECT_TRUE(whole.complete);
    EXPECT_EQ(rowsOf(whole), m_level);

    // The silent one had more than the stall time already: it finds its answer cut.
    const RawAnswer cut = parseAnswer(silent.readAll());
    EXPECT_EQ(cut.status, 200);
    EXPECT_FALSE(cut.complete);
    EXPECT_TRUE(log()
                    .filter(QStringLiteral("getItemPreco"))
                    .join('\n')
                    .contains(QStringLiteral("200 interrompida")));
}

TEST_F(SlowReaderTest, Http10GetsAStreamedAnswerWithItsLength)
{
    for (const bool keep : {false, true}) {
        SCOPED_TRACE(keep ? "keep-alive" : "close");
        Socket s(port());
        ASSERT_TRUE(s.send(itemsRequest(keep ? "Connection: keep-alive\r\n" : "", "1.0")));
        std::string bytes;
        const RawAnswer a = readAnswer(s, bytes);
        EXPECT_FALSE(a.chunked);
        EXPECT_EQ(rowsOf(a), m_level);
        EXPECT_EQ(a.head.find("Connection: keep-alive") != std::string::npos, keep);
        bytes.erase(0, a.size);
        s.send(request("getTabGeral", R"({"args":[]})", bearer(), "1.0"));
        EXPECT_EQ(readAnswer(s, bytes).status, keep ? 200 : 0);
    }
}

// The product list of the differentiated-price window streams like any packet: its rows in
// parts, the text after them.
TEST_F(SlowReaderTest, TheProductListOfALevelIsStreamed)
{
    Socket s(port());
    ASSERT_TRUE(s.send(request("SQL_Pesquisa_ProdutoPDV", R"({"args":["4"]})",
                               bearer() + "Connection: close\r\n")));
    const RawAnswer a = parseAnswer(s.readAll());
    EXPECT_TRUE(a.chunked && a.complete);
    const data::Reply r =
        data::decodeReply(QByteArray::fromStdString(a.body), data::Encoding::Json);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.result.array().size(), 2u);
    EXPECT_EQ(int(r.result.array()[0].packet().rows.size()), m_level);
    EXPECT_TRUE(r.result.array()[1].toString().contains(QStringLiteral("CDNVPRODUTO = 4")));
    for (const auto enc : {data::Encoding::Json, data::Encoding::Cbor}) {
        const Answer c = call(QStringLiteral("SQL_Pesquisa_ProdutoPDV"), {"4"}, enc);
        ASSERT_EQ(c.status, 200);
        EXPECT_EQ(c.reply.result, r.result);
    }
}

// A disk cap of 1 MB, which one stalled reader's answer passes.
class SpillCapTest : public SlowClientTest
{
protected:
    SpillCapTest() { m_options.spill.diskBytes = 1 << 20; }
};

TEST_F(SpillCapTest, OverTheDiskCapNewLargeReadsAreAskedToComeBack)
{
    const auto itemsStatus = [this](Answer *out = nullptr) {
        const Answer a = call(QStringLiteral("getItemPreco"), {"001", m_start, "4", "", "T"});
        if (out)
            *out = a;
        return a.status;
    };
    auto stalled = std::make_unique<Socket>(port(), 4096);
    ASSERT_TRUE(stalled->send(itemsRequest()));
    Answer refused;
    for (const auto until = Clock::now() + 10s; Clock::now() < until;)
        if (itemsStatus(&refused) == 503)
            break;
    EXPECT_EQ(refused.status, 503);
    EXPECT_EQ(refused.retryAfter, "2");
    EXPECT_EQ(refused.reply.errorMessage.toStdString(),
              "Servidor ocupado com respostas grandes; tente novamente em instantes.");
    EXPECT_EQ(call(QStringLiteral("getTabGeral"), {}).status, 200); // small answers go on

    // The reader gone, its disk is given back.
    stalled.reset();
    int status = 0;
    for (const auto until = Clock::now() + 10s; status != 200 && Clock::now() < until;)
        status = itemsStatus();
    EXPECT_EQ(status, 200);
}

// The peak of this process's resident memory since the last reset, in MB.
double peakGrowthMb(bool reset)
{
    static double base = 0;
    const auto field = [](const char *name) {
        std::ifstream in("/proc/self/status");
        for (std::string line; std::getline(in, line);)
            if (line.rfind(name, 0) == 0)
                return std::atof(line.c_str() + std::strlen(name)) / 1024.0;
        return 0.0;
    };
    if (reset) {
        std::ofstream("/proc/self/clear_refs") << "5"; // the peak becomes the current size
        base = field("VmRSS:");
        return 0;
    }
    return field("VmHWM:") - base;
}

class BodyBombTest : public ServerFixture
{
protected:
    BodyBombTest() { m_options.maxBodyBytes = 64 << 20; }
};

// Bodies of about 64 MB that would decode into tens of millions of values.
TEST_F(BodyBombTest, ABodyOfTooManyValuesIsRefusedBeforeItIsAllRead)
{
    const std::string cbor = std::string("\xA1\x64"
                                         "args\x81\x9F",
                                         8) +
                             std::string(63 << 20, '\0');
    std::string json = R"({"args":[[0)";
    json.reserve(64 << 20);
    while (json.size() < 64'000'000 - 8)
        json += ",0";
    json += "]]}";
    using Bomb = std::pair<const char *, const std::string *>;
    for (const auto &[type, body] :
         {Bomb{"application/cbor", &cbor}, Bomb{"application/json", &json}}) {
        SCOPED_TRACE(type);
        peakGrowthMb(true);
        Socket s(port());
        const std::string head = "POST /vnd42700.rdmTabGeral/getTabGeral HTTP/1.1\r\nHost: x\r\n"
                                 "Content-Type: " +
                                 std::string(type) +
                                 "\r\nContent-Length: " + std::to_string(body->size()) + "\r\n\r\n";
        std::atomic<size_t> sent{0};
        std::thread sender([&] {
            s.send(head);
            for (size_t at = 0; at < body->size(); at += 64 << 10) {
                const ssize_t n =
                    ::send(s.fd(), body->data() + at, std::min<size_t>(64 << 10, body->size() - at),
                           MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                sent += size_t(n);
            }
        });
        std::string bytes;
        const RawAnswer a = readAnswer(s, bytes);
        const size_t sentWhenAnswered = sent;
        ::shutdown(s.fd(), SHUT_RDWR);
        sender.join();
        EXPECT_EQ(a.status, 413);
        const data::Reply r = data::decodeReply(
            QByteArray::fromStdString(a.body),
            std::string_view(type).ends_with("cbor") ? data::Encoding::Cbor : data::Encoding::Json);
        EXPECT_EQ(r.errorMessage.toStdString(),
                  "Requisição com valores demais: o máximo é 4.000.000.");
        EXPECT_LT(sentWhenAnswered, body->size() / 2);
        EXPECT_LT(peakGrowthMb(false), 128);
    }
}

} // namespace
} // namespace vnd::server::test
