// The connection itself: failures of the transport become failed replies with a Portuguese
// message (or vnd::Error when asked to throw), the before-connect hook decides where to
// connect, and a dropped server is reconnected to once it is back.

#include "netfixture.h"
#include "scriptedpeer.h"

#include "host/services/errors.h"
#include "wire/codec.h"

#include <httplib.h>

#include <QElapsedTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <string>
#include <thread>

namespace vnd::net::test
{
namespace
{

using data::Reply;
using data::Value;

// A server of our own on the fixture's database, so a test can stop it and start it again.
class RunningServer
{
public:
    RunningServer(const server::Database &db, int port)
    {
        server::ServerOptions options;
        options.port = port;
        options.logRequests = false;
        // Stopping waits for idle kept-alive connections to time out.
        options.keepAliveSeconds = 1;
        m_server = std::make_unique<server::Server>(db, options);
        m_port = m_server->bind();
        if (m_port > 0)
            m_thread = std::thread([this] {
                m_server->run();
                m_finished = true;
            });
    }
    ~RunningServer()
    {
        if (m_port <= 0)
            return;
        while (!m_finished) {
            m_server->stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        m_thread.join();
    }
    int port() const { return m_port; }

private:
    std::unique_ptr<server::Server> m_server;
    std::thread m_thread;
    std::atomic<bool> m_finished{false};
    int m_port = -1;
};

// Answers the first request of every connection and keeps it alive; reads the second whole,
// then hangs up without answering, as a server dying after its work would.
class HangUpPeer
{
public:
    HangUpPeer()
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        ::bind(m_listen, reinterpret_cast<sockaddr *>(&addr), len);
        ::listen(m_listen, 4);
        ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&addr), &len);
        m_port = ntohs(addr.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~HangUpPeer()
    {
        ::shutdown(m_listen, SHUT_RDWR);
        m_thread.join();
        ::close(m_listen);
    }
    int port() const { return m_port; }
    int requests() const { return m_requests; }

private:
    void serve()
    {
        data::Reply ok;
        ok.ok = true;
        const std::string body = data::encodeReply(ok, data::Encoding::Cbor).toStdString();
        const std::string answer = "HTTP/1.1 200 OK\r\nContent-Type: " +
                                   std::string(data::contentType(data::Encoding::Cbor)) +
                                   "\r\nContent-Length: " + std::to_string(body.size()) +
                                   "\r\n\r\n" + body;
        for (int fd; (fd = ::accept(m_listen, nullptr, nullptr)) >= 0; ::close(fd)) {
            timeval tv{5, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
            if (readRequest(fd))
                ::send(fd, answer.data(), answer.size(), MSG_NOSIGNAL);
            readRequest(fd);
        }
    }
    bool readRequest(int fd)
    {
        std::string in;
        char buf[4096];
        size_t head = std::string::npos;
        size_t need = 0;
        for (ssize_t n; (n = ::recv(fd, buf, sizeof buf, 0)) > 0;) {
            in.append(buf, size_t(n));
            if (head == std::string::npos && (head = in.find("\r\n\r\n")) != std::string::npos) {
                const size_t at = in.find("Content-Length: ");
                need = head + 4 + (at < head ? std::stoul(in.substr(at + 16)) : 0);
            }
            if (head != std::string::npos && in.size() >= need) {
                ++m_requests;
                return true;
            }
        }
        return false;
    }

    int m_listen = -1;
    int m_port = 0;
    std::atomic<int> m_requests{0};
    std::thread m_thread;
};

using ConnectionTest = NetFixture;

TEST_F(ConnectionTest, TransportFailuresBecomeFailedRepliesOrErrorsWhenAsked)
{
    ScriptedPeer peer;
    const struct {
        const char *name;
        int port;
        ScriptedPeer::Handler answer;
        QString code;
        QString message; // the start of it; any text will do when empty
    } cases[] = {
        {"nothing listening", closedPort(), nullptr, "connection",
         "Não foi possível conectar ao servidor de aplicação em 127.0.0.1:"},
        {"answer cut short", peer.port(),
         [](const httplib::Request &, httplib::Response &res) {
             // Promises more than it sends, then hangs up.
             res.set_content_provider(1000, "application/cbor",
                                      [](size_t, size_t, httplib::DataSink &sink) {
                                          sink.write("\xa1\x62ok", 4);
                                          return false;
                                      });
         },
         "connection", "A conexão com o servidor de aplicação em 127.0.0.1:"},
        {"body that is not a reply", peer.port(),
         [](const httplib::Request &, httplib::Response &res) {
             res.set_content("<html>proxy error</html>", "application/cbor");
         },
         "bad_reply", "Resposta inválida do servidor de aplicação (127.0.0.1:"},
        {"refusal without a message", peer.port(),
         [](const httplib::Request &, httplib::Response &res) {
             res.status = 503;
             res.set_content(
                 data::encodeReply(Reply{false, {}, {}, "busy", {}, {}}, data::Encoding::Cbor)
                     .toStdString(),
                 "application/cbor");
         },
         "busy", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.answer)
            peer.answer(c.answer);
        // Made at once, or started on a connection of its own and awaited.
        for (const bool started : {false, true})
            for (const bool raise : {false, true}) {
                TNetConnection conn;
                conn.Port = c.port;
                conn.ThrowException = raise;
                const auto attempt = [&] {
                    return started ? conn.start(QStringLiteral("getTabGeral"))->wait()
                                   : conn.call(QStringLiteral("getTabGeral"));
                };
                if (!raise) {
                    const Reply r = attempt();
                    EXPECT_FALSE(r.ok);
                    EXPECT_EQ(r.errorCode, c.code);
                    EXPECT_FALSE(r.errorMessage.isEmpty());
                    EXPECT_TRUE(r.errorMessage.startsWith(c.message)) << qPrintable(r.errorMessage);
                    continue;
                }
                try {
                    attempt();
                    ADD_FAILURE() << "no exception";
                } catch (const vnd::Error &e) {
                    EXPECT_TRUE(e.message().startsWith(c.message)) << qPrintable(e.message());
                }
            }
    }
}

TEST_F(ConnectionTest, ServerRefusalsKeepTheirMessageAndThrowOnlyWhenAsked)
{
    const Reply unknown = m_conn.call(QStringLiteral("semMetodo"));
    EXPECT_FALSE(unknown.ok);
    EXPECT_EQ(unknown.errorCode, QStringLiteral("not_found"));
    EXPECT_FALSE(unknown.errorMessage.isEmpty());

    // An argument the wire cannot carry fails on this side, before anything is sent.
    const Reply nan = m_conn.call(QStringLiteral("getVdTabGeral"), {std::nan("")});
    EXPECT_FALSE(nan.ok);
    EXPECT_EQ(nan.errorCode, QStringLiteral("client"));
    EXPECT_TRUE(nan.errorMessage.startsWith(QStringLiteral("Falha ao chamar o método "
                                                           "getVdTabGeral")));

    m_conn.ThrowException = true;
    try {
        m_conn.call(QStringLiteral("getVdTabGeral"), {"001", "excesso"});
        ADD_FAILURE() << "no exception";
    } catch (const vnd::Error &e) {
        const Reply same =
            server::test::ServerFixture::call(QStringLiteral("getVdTabGeral"), {"001", "excesso"})
                .reply;
        EXPECT_EQ(e.message(), same.errorMessage);
    }
    // Case-insensitive method names, and success does not throw.
    EXPECT_TRUE(m_conn.call(QStringLiteral("GETTABGERAL")).ok);
}

TEST_F(ConnectionTest, AStoppedServerFailsTheCallAndIsReachedAgainWhenBack)
{
    int port = 0;
    {
        RunningServer first(database(), 0);
        ASSERT_GT(first.port(), 0);
        port = first.port();
        m_conn.Port = port;
        ASSERT_TRUE(m_conn.call(QStringLiteral("getTabGeral")).ok);
        ASSERT_TRUE(m_conn.connected());
    }
    const Reply down = m_conn.call(QStringLiteral("getTabGeral"));
    EXPECT_FALSE(down.ok);
    EXPECT_EQ(down.errorCode, QStringLiteral("connection"));
    EXPECT_TRUE(down.errorMessage.contains(QStringLiteral("127.0.0.1:%1").arg(port)))
        << qPrintable(down.errorMessage);

    RunningServer again(database(), port);
    ASSERT_EQ(again.port(), port);
    const Reply back = m_conn.call(QStringLiteral("getTabGeral"));
    EXPECT_TRUE(back.ok) << qPrintable(back.errorMessage);
}

TEST_F(ConnectionTest, BeforeConnectRunsBeforeEveryConnectAndChoosesTheServer)
{
    ScriptedPeer peer;
    int runs = 0;
    int target = port();
    m_conn.Port = closedPort(); // wrong until the hook says otherwise
    m_conn.BeforeConnect = [&](TNetConnection &c) {
        ++runs;
        c.Host = QStringLiteral("127.0.0.1");
        c.Port = target;
    };
    int changes = 0;
    QObject::connect(&m_conn, &TNetConnection::connectedChanged, [&] { ++changes; });

    EXPECT_TRUE(m_conn.call(QStringLiteral("getTabGeral")).ok);
    EXPECT_TRUE(m_conn.call(QStringLiteral("getFilTab"), {"001"}).ok);
    EXPECT_EQ(runs, 1); // one connection, kept alive

    target = peer.port();
    m_conn.close();
    EXPECT_FALSE(m_conn.connected());
    m_conn.open();
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(changes, 3);
    EXPECT_TRUE(m_conn.call(QStringLiteral("getTabGeral")).ok);
    ASSERT_EQ(peer.seen().size(), 1u);

    // A failure names the address the hook chose.
    target = closedPort();
    m_conn.close();
    const Reply r = m_conn.call(QStringLiteral("getTabGeral"));
    EXPECT_EQ(runs, 3);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.errorMessage.contains(QStringLiteral(":%1.").arg(target)))
        << qPrintable(r.errorMessage);

    // A hook that fails fails the call, not the program.
    m_conn.close();
    m_conn.BeforeConnect = [](TNetConnection &) {
        throw vnd::Error(QStringLiteral("Servidor não configurado."));
    };
    const Reply refused = m_conn.call(QStringLiteral("getTabGeral"));
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.errorMessage.endsWith(QStringLiteral("Servidor não configurado.")));
}

TEST(ConnectionWire, SendsCborWithoutCompressionToTheServerNamesPath)
{
    ScriptedPeer peer;
    TNetConnection conn;
    conn.Port = peer.port();
    QStringList announced;
    QObject::connect(&conn, &TNetConnection::methodCalled,
                     [&](const QString &m) { announced << m; });
    const data::ValueArray args{"001", QDate(2024, 2, 29), 2.5, Value()};
    ASSERT_TRUE(conn.call(QStringLiteral("getVdPeriodo"), args).ok);
    conn.ServerName = QStringLiteral("outro.rdm");
    conn.call(QStringLiteral("x"));

    const auto seen = peer.seen();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].path, "/vnd42700.rdmTabGeral/getVdPeriodo");
    EXPECT_EQ(seen[0].contentType, "application/cbor");
    EXPECT_EQ(seen[0].acceptEncoding.find("br"), std::string::npos);
    EXPECT_EQ(seen[0].args, args);
    EXPECT_EQ(seen[1].path, "/outro.rdm/x");
    EXPECT_EQ(announced, QStringList({"getVdPeriodo", "x"}));
}

// A kept connection broken after the request went out: a read is sent again on a new one; a
// write is not, since it may have been done, and the user is told so.
TEST(ConnectionWire, OnlyReadsAreSentAgainAfterAKeptConnectionBreaks)
{
    const struct {
        const char *method;
        int requests;
        bool ok;
    } cases[] = {{"getTabGeral", 3, true}, {"SetItemPreco", 2, false}};
    for (const auto &c : cases) {
        HangUpPeer peer;
        TNetConnection conn;
        conn.Port = peer.port();
        ASSERT_TRUE(conn.call(QStringLiteral("getVdTabGeral")).ok);
        const Reply r = conn.call(QString::fromLatin1(c.method));
        EXPECT_EQ(r.ok, c.ok) << c.method;
        EXPECT_EQ(peer.requests(), c.requests) << c.method;
        if (!c.ok) {
            EXPECT_TRUE(r.errorMessage.contains(QStringLiteral("pode ter sido gravada")))
                << qPrintable(r.errorMessage);
        }
    }
}

TEST(ConnectionWire, AStalledAnswerEndsAtTheReadTimeout)
{
    ScriptedPeer peer;
    peer.answer([](const httplib::Request &, httplib::Response &res) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        res.set_content("", "application/cbor");
    });
    TNetConnection conn;
    conn.Port = peer.port();
    conn.readTimeout = std::chrono::seconds(1);
    QElapsedTimer timer;
    timer.start();
    const Reply r = conn.call(QStringLiteral("getTabGeral"));
    EXPECT_LT(timer.elapsed(), 2400);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errorCode, QStringLiteral("connection"));
}

TEST(ConnectionWire, ByReferenceTextsAreWrittenBackOnlyFromTextRefs)
{
    ScriptedPeer peer;
    TNetConnection conn;
    conn.Port = peer.port();
    contracts::RdmTabGeral rdm(conn);
    const struct {
        const char *name;
        data::ValueArray refs;
        QString product, mark;
    } cases[] = {
        {"both texts", {nullptr, nullptr, nullptr, "0000000099", "N"}, "0000000099", "N"},
        {"no value for the mark",
         {nullptr, nullptr, nullptr, "0000000099", nullptr},
         "0000000099",
         "T"},
        {"refs missing", {}, "", "T"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        peer.answer(Reply{true, data::DataPacket{}, c.refs, {}, {}, {}});
        QString product, mark = QStringLiteral("T");
        ASSERT_TRUE(rdm.getItemPreco("001", QDate(2024, 1, 1), "4", product, mark).ok);
        EXPECT_EQ(product, c.product);
        EXPECT_EQ(mark, c.mark);
    }
    peer.answer(Reply{true, true, {nullptr, "VRPRECITEM|"}, {}, {}, {}});
    QString empty = QStringLiteral("VRPRECITEMDLV|");
    ASSERT_TRUE(rdm.SetItemPreco(data::ChangeSet{}, empty).ok);
    EXPECT_EQ(empty, QStringLiteral("VRPRECITEM|"));
    // A failed reply never overwrites them.
    peer.answer(Reply{false, {}, {nullptr, "lixo"}, "rule", "Recusado.", {}}, 422);
    EXPECT_FALSE(rdm.SetItemPreco(data::ChangeSet{}, empty).ok);
    EXPECT_EQ(empty, QStringLiteral("VRPRECITEM|"));

    // Arguments travel in the facade's order.
    const auto seen = peer.seen();
    ASSERT_GE(seen.size(), 1u);
    EXPECT_EQ(seen[0].args, (data::ValueArray{"001", QDate(2024, 1, 1), "4", "", "T"}));
}

// Large answers come in parts without a length; the connection decodes them as they arrive.
TEST(ConnectionWire, AnswersSentInPartsArriveWholeOrFailWithTheirCause)
{
    data::DataPacket packet;
    packet.fields = {{"NMPRODUTO", data::FieldType::String, 50},
                     {"VRPRECITEM", data::FieldType::Float, 0},
                     {"DTINIVGPREC", data::FieldType::Date, 0}};
    for (int i = 0; i < 3000; ++i)
        packet.rows.push_back({QStringLiteral("Pão \"%1\" ç 𝄞").arg(i), i + 0.15,
                               i % 7 ? QVariant(QDate(2024, 2, 29)) : QVariant()});
    const Reply sent{true, Value(packet), {Value(), Value("0000000099")}, {}, {}, {}};
    // Parts of odd sizes, `cut` bytes before the end the connection drops.
    const auto inParts = [](QByteArray body, const char *type, qsizetype cut) {
        return [body, type, cut](const httplib::Request &, httplib::Response &res) {
            res.set_chunked_content_provider(
                type, [body, cut](size_t offset, httplib::DataSink &sink) {
                    const qsizetype at = qsizetype(offset);
                    if (at >= body.size() - cut)
                        return cut == 0 ? (sink.done(), true) : false;
                    const qsizetype n = std::min<qsizetype>(4093, body.size() - cut - at);
                    sink.write(body.constData() + at, size_t(n));
                    return true;
                });
        };
    };
    ScriptedPeer peer;
    TNetConnection conn;
    conn.Port = peer.port();
    for (const data::Encoding enc : {data::Encoding::Json, data::Encoding::Cbor}) {
        const QByteArray body = data::encodeReply(sent, enc);
        ASSERT_GT(body.size(), 64 * 1024);
        peer.answer(inParts(body, data::contentType(enc), 0));
        const Reply whole = conn.call(QStringLiteral("getItemPreco"));
        ASSERT_TRUE(whole.ok) << whole.errorMessage.toStdString();
        const data::DataPacket &got = whole.result.packet();
        ASSERT_EQ(got.rows.size(), 3000);
        EXPECT_EQ(got.rows.at(2999).at(0).toString(), QStringLiteral("Pão \"2999\" ç 𝄞"));
        EXPECT_EQ(got.rows.at(1234).at(1).toDouble(), 1234.15);
        EXPECT_FALSE(got.rows.at(2996).at(2).isValid());
        EXPECT_EQ(got.rows.at(2997).at(2).toDate(), QDate(2024, 2, 29));
        EXPECT_EQ(whole.refs.at(1).toString(), QStringLiteral("0000000099"));

        peer.answer(inParts(body, data::contentType(enc), 10));
        const Reply broken = conn.call(QStringLiteral("getItemPreco"));
        EXPECT_FALSE(broken.ok);
        EXPECT_EQ(broken.errorCode, QStringLiteral("connection"));

        QByteArray spoiled = body;
        spoiled[body.size() / 2] = char(0xFF); // a break (CBOR) or a byte no JSON has there
        peer.answer(inParts(spoiled, data::contentType(enc), 0));
        const Reply invalid = conn.call(QStringLiteral("getItemPreco"));
        EXPECT_FALSE(invalid.ok);
        EXPECT_EQ(invalid.errorCode, QStringLiteral("bad_reply"));
        // The connection is still good for the next call.
        peer.answer(inParts(body, data::contentType(enc), 0));
        EXPECT_TRUE(conn.call(QStringLiteral("getItemPreco")).ok);
    }
}

// A call whose session has ended asks for a new one and is sent again; two calls under way
// when it ended (one started on a connection of its own) ask only once. Without anyone to ask,
// the refusal comes back as it is.
TEST_F(ConnectionTest, AnEndedSessionIsRenewedOnceAndTheCallsRepeated)
{
    ClientSession &session = ClientSession::instance();
    int asked = 0;
    session.renew = [&] {
        ++asked;
        return session
            .adopt(QStringLiteral("127.0.0.1"), port(),
                   QByteArray::fromStdString(openSession(QStringLiteral("precos"))))
            .ok;
    };
    ASSERT_EQ(callAs(token(), QStringLiteral("Sair"), {}).status, 200);
    auto started = m_conn.start(QStringLiteral("getVigenciaTab"), {"001"});
    const Reply tables = m_conn.call(QStringLiteral("getTabGeral"));
    const Reply periods = started->wait();
    EXPECT_TRUE(tables.ok) << qPrintable(tables.errorMessage);
    EXPECT_TRUE(periods.ok) << qPrintable(periods.errorMessage);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(session.login(), QStringLiteral("precos"));

    // A write the new role may not make is refused, not renewed.
    const Reply refused = m_conn.call(QStringLiteral("setTabGeral"), {data::ChangeSet{}});
    EXPECT_EQ(refused.errorCode, QStringLiteral("forbidden"));
    EXPECT_EQ(asked, 1);

    session.renew = nullptr;
    ASSERT_EQ(m_conn.call(QStringLiteral("Sair")).ok, true);
    const Reply ended = m_conn.call(QStringLiteral("getTabGeral"));
    EXPECT_EQ(ended.errorMessage,
              QStringLiteral("Sua sessão terminou. Entre novamente com seu usuário e senha."));
}

} // namespace
} // namespace vnd::net::test
