// The transport under abuse: refused bodies are never read as requests, idle and slow
// clients cost no service, heads are bounded, pipelined requests are answered in order; and
// the forms of HTTP that clients use.

#include "rawsocket.h"
#include "serverfixture.h"

#include "wire/codec.h"

#include <chrono>
#include <thread>
#include <vector>

namespace vnd::server::test
{
namespace
{

using TransportTest = ServerFixture;

} // namespace

// A request hidden in the body of a refused one is never executed: the connection closes.
TEST_F(TransportTest, ARefusedRequestsBodyIsNeverReadAsARequest)
{
    const std::string hidden =
        request("setTabGeral",
                R"({"args":[{"delta":{"fields":[{"name":"CDTABEPREC","type":"string","size":3},)"
                R"({"name":"NMTABEPREC","type":"string","size":20}],)"
                R"("changes":[{"op":"insert","new":["099","CONTRABANDO"]}]}}]})",
                bearer());
    const struct {
        const char *name;
        std::string head;
    } refused[] = {
        {"413", "POST /vnd42700.rdmTabGeral/getTabGeral HTTP/1.1\r\nHost: x\r\nContent-Type: "
                "application/json\r\nContent-Length: 99999999\r\n\r\n"},
        {"411", "POST /vnd42700.rdmTabGeral/getTabGeral HTTP/1.1\r\nHost: x\r\nContent-Type: "
                "application/json\r\nTransfer-Encoding: chunked\r\n\r\n"},
        {"415", "POST /vnd42700.rdmTabGeral/getTabGeral HTTP/1.1\r\nHost: x\r\nContent-Type: "
                "application/json\r\nContent-Encoding: gzip\r\nContent-Length: " +
                    std::to_string(hidden.size()) + "\r\n\r\n"},
        {"400", "POST /vnd42700.rdmTabGeral/getTabGeral HTTP/1.1\r\nHost: x\r\nContent-Type: "
                "application/json\r\nContent-Length: 1x\r\n\r\n"},
        {"404", "GET / HTTP/1.1\r\nHost: x\r\nContent-Length: " + std::to_string(hidden.size()) +
                    "\r\n\r\n"},
    };
    for (const auto &c : refused) {
        Socket s(port());
        ASSERT_TRUE(s.ok());
        s.send(c.head + hidden);
        const std::string answer = s.readAll();
        EXPECT_NE(answer.find(std::string(" ") + c.name + " "), std::string::npos)
            << c.name << ": " << answer.substr(0, 200);
        EXPECT_NE(answer.find("Connection: close"), std::string::npos) << c.name;
        EXPECT_EQ(count(answer, "HTTP/1.1"), 1) << c.name;
    }
    EXPECT_EQ(
        scalar(QStringLiteral("SELECT COUNT(*) FROM TABEPRECGER WHERE CDTABEPREC = '099'")).toInt(),
        0);
}

// Idle and trickling connections hold sockets, not workers: others are answered at once.
TEST_F(TransportTest, IdleAndSlowClientsDoNotStopService)
{
    std::vector<std::unique_ptr<Socket>> idle;
    for (int i = 0; i < 100; ++i) {
        idle.push_back(std::make_unique<Socket>(port()));
        if (i % 2)
            idle.back()->send("POST /vnd42700.rdmTabGeral/getTabGeral HTTP/1.1\r\nHo");
    }
    for (int i = 0; i < 5; ++i) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(call(QStringLiteral("getTabGeral"), {}).status, 200);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    }
}

TEST_F(TransportTest, AHeadWithoutEndIsRefusedAtItsLimit)
{
    Socket s(port());
    std::string head = "POST /vnd42700.rdmTabGeral/getTabGeral HTTP/1.1\r\nX-Long: ";
    head += std::string(64 * 1024, 'a');
    s.send(head);
    const std::string answer = s.readAll();
    EXPECT_NE(answer.find(" 431 "), std::string::npos) << answer.substr(0, 200);
}

TEST_F(TransportTest, PipelinedRequestsAreAnsweredInOrder)
{
    Socket s(port());
    std::string all;
    for (int i = 0; i < 8; ++i)
        all += request(i % 2 ? "getTabGeral" : "getVigenciaTab",
                       i % 2 ? R"({"args":[]})" : R"({"args":["001"]})", bearer());
    all += request("getTabGeral", R"({"args":[]})", bearer() + "Connection: close\r\n");
    ASSERT_TRUE(s.send(all));
    const std::string answer = s.readAll();
    EXPECT_EQ(count(answer, "HTTP/1.1 200"), 9) << answer.substr(0, 300);
    // Periods name their field DTINIVGPREC, tables do not: the order shows in the bodies.
    size_t at = 0;
    for (int i = 0; i < 8; ++i) {
        const size_t next = answer.find("HTTP/1.1 200", at + 1);
        const std::string one =
            answer.substr(at, next == std::string::npos ? std::string::npos : next - at);
        EXPECT_EQ(one.find("DTINIVGPREC") != std::string::npos, i % 2 == 0) << i;
        at = next;
    }
}

class CappedTransportTest : public ServerFixture
{
protected:
    CappedTransportTest() { m_maxConnections = 4; }
};

// Idle clients filling the cap cannot keep a new one out: the longest idle gives way.
TEST_F(CappedTransportTest, AtTheCapTheLongestIdleConnectionGivesWay)
{
    std::vector<std::unique_ptr<Socket>> idle;
    for (int i = 0; i < 4; ++i) {
        idle.push_back(std::make_unique<Socket>(port()));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Socket fresh(port());
    ASSERT_TRUE(
        fresh.send(request("getTabGeral", R"({"args":[]})", bearer() + "Connection: close\r\n")));
    EXPECT_EQ(count(fresh.readAll(), "HTTP/1.1 200"), 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(idle[0]->readAll(), "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)); // closed
    ASSERT_TRUE(idle[1]->send(
        request("getTabGeral", R"({"args":[]})", bearer() + "Connection: close\r\n")));
    EXPECT_EQ(count(idle[1]->readAll(), "HTTP/1.1 200"), 1);
}

namespace
{

bool hasHeader(const RawAnswer &a, const std::string &line)
{
    return a.head.find("\r\n" + line + "\r\n") != std::string::npos;
}

} // namespace

TEST_F(TransportTest, Http10GetsALengthAndKeepsItsConnectionOnlyWhenAsked)
{
    for (const bool keep : {false, true}) {
        SCOPED_TRACE(keep ? "keep-alive" : "close");
        Socket s(port());
        const std::string call =
            request("getTabGeral", R"({"args":[]})",
                    bearer() + (keep ? "Connection: keep-alive\r\n" : ""), "1.0");
        ASSERT_TRUE(s.send(call));
        std::string bytes;
        const RawAnswer first = readAnswer(s, bytes);
        EXPECT_EQ(first.status, 200);
        EXPECT_TRUE(first.complete);
        EXPECT_FALSE(first.chunked);
        EXPECT_EQ(hasHeader(first, "Connection: keep-alive"), keep) << first.head;
        // A second request on the same connection is answered only when it was kept.
        bytes.erase(0, first.size);
        s.send(call);
        EXPECT_EQ(readAnswer(s, bytes).status, keep ? 200 : 0);
    }
}

TEST_F(TransportTest, AClientWaitingForContinueIsToldToSendItsBody)
{
    const std::string body = R"({"args":[]})";
    const std::string head = "POST /vnd42700.rdmTabGeral/getTabGeral HTTP/1.1\r\nHost: x\r\n"
                             "Content-Type: application/json\r\nExpect: 100-continue\r\n" +
                             bearer();
    Socket s(port());
    ASSERT_TRUE(s.send(head + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n"));
    std::string bytes;
    EXPECT_GT(s.readSome(bytes), 0);
    EXPECT_EQ(bytes, "HTTP/1.1 100 Continue\r\n\r\n");
    ASSERT_TRUE(s.send(body));
    bytes.clear();
    EXPECT_EQ(readAnswer(s, bytes).status, 200);

    // Refused before its body: the final answer comes instead, and no invitation.
    Socket refused(port());
    ASSERT_TRUE(refused.send(head + "Content-Length: 99999999\r\n\r\n"));
    const std::string answer = refused.readAll();
    EXPECT_EQ(answer.rfind("HTTP/1.1 413 ", 0), 0u) << answer.substr(0, 100);
}

TEST_F(TransportTest, AnAbsoluteFormTargetIsServed)
{
    Socket s(port());
    ASSERT_TRUE(s.send("POST http://127.0.0.1:" + std::to_string(port()) +
                       "/VND42700.rdmTabGeral/getTabGeral HTTP/1.1\r\nHost: x\r\n" + bearer() +
                       "Content-Type: application/json\r\nContent-Length: 11\r\n\r\n"
                       R"({"args":[]})"));
    std::string bytes;
    const RawAnswer a = readAnswer(s, bytes);
    EXPECT_EQ(a.status, 200);
    EXPECT_NE(a.body.find("\"CDTABEPREC\""), std::string::npos);
}

TEST_F(TransportTest, OtherMethodsOnAMethodPathAreNotAllowed)
{
    const struct {
        std::string line;
        int status;
    } cases[] = {
        {"GET /vnd42700.rdmTabGeral/getTabGeral", 405},
        {"HEAD /vnd42700.rdmTabGeral/getTabGeral", 405},
        {"OPTIONS /vnd42700.rdmTabGeral/getTabGeral", 405},
        {"PUT /vnd42700.rdmTabGeral/setTabGeral", 405},
        {"DELETE http://x/vnd42700.rdmTabGeral/getTabGeral", 405},
        {"GET /vnd42700.rdmTabGeral/naoExiste", 404},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        Socket s(port());
        ASSERT_TRUE(s.send(c.line + " HTTP/1.1\r\nHost: x\r\n\r\n"));
        const std::string bytes = s.readAll(); // and the server closes
        const RawAnswer a = parseAnswer(bytes);
        EXPECT_EQ(a.status, c.status);
        EXPECT_EQ(hasHeader(a, "Allow: POST"), c.status == 405) << a.head;
        EXPECT_TRUE(hasHeader(a, "Connection: close")) << a.head;
        if (c.line.rfind("HEAD", 0) == 0) {
            EXPECT_EQ(a.size, bytes.size()); // no body after the head
        } else {
            const data::Reply r =
                data::decodeReply(QByteArray::fromStdString(a.body), data::Encoding::Json);
            EXPECT_FALSE(r.ok);
            EXPECT_EQ(r.errorMessage.toStdString(),
                      c.status == 405 ? "Use POST para chamar os métodos do servidor."
                                      : "Método não encontrado.");
        }
    }
}

} // namespace vnd::server::test
