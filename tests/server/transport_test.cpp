// The transport under abuse: refused bodies are never read as requests, idle and slow
// clients cost no service, heads are bounded, pipelined requests are answered in order.

#include "serverfixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

namespace vnd::server::test
{
namespace
{

using TransportTest = ServerFixture;

// A raw loopback socket; closed on scope exit.
class Socket
{
public:
    explicit Socket(int port)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(uint16_t(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_ok = ::connect(m_fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
        timeval tv{5, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    }
    ~Socket() { ::close(m_fd); }
    bool ok() const { return m_ok; }
    bool send(const std::string &bytes) const
    {
        return ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
    }
    // Everything until the peer closes or goes quiet for the timeout.
    std::string readAll() const
    {
        std::string out;
        char buffer[8192];
        for (ssize_t n; (n = ::recv(m_fd, buffer, sizeof buffer, 0)) > 0;)
            out.append(buffer, size_t(n));
        return out;
    }

private:
    int m_fd = -1;
    bool m_ok = false;
};

std::string request(const std::string &method, const std::string &body,
                    const std::string &extra = {})
{
    return "POST /vnd42700.rdmTabGeral/" + method + " HTTP/1.1\r\nHost: x\r\n" +
           "Content-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n" + extra + "\r\n" + body;
}

int count(const std::string &text, const std::string &what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

} // namespace

// A request hidden in the body of a refused one is never executed: the connection closes.
TEST_F(TransportTest, ARefusedRequestsBodyIsNeverReadAsARequest)
{
    const std::string hidden =
        request("setTabGeral",
                R"({"args":[{"delta":{"fields":[{"name":"CDTABEPREC","type":"string","size":3},)"
                R"({"name":"NMTABEPREC","type":"string","size":20}],)"
                R"("changes":[{"op":"insert","new":["099","CONTRABANDO"]}]}}]})");
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
                       i % 2 ? R"({"args":[]})" : R"({"args":["001"]})");
    all += request("getTabGeral", R"({"args":[]})", "Connection: close\r\n");
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
    ASSERT_TRUE(fresh.send(request("getTabGeral", R"({"args":[]})", "Connection: close\r\n")));
    EXPECT_EQ(count(fresh.readAll(), "HTTP/1.1 200"), 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(idle[0]->readAll(), "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)); // closed
    ASSERT_TRUE(idle[1]->send(request("getTabGeral", R"({"args":[]})", "Connection: close\r\n")));
    EXPECT_EQ(count(idle[1]->readAll(), "HTTP/1.1 200"), 1);
}

} // namespace vnd::server::test
