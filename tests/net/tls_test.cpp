// TLS between the module's connection and the server, with a throwaway authority made here by
// the openssl program: a certificate it issued is accepted when the settings name it, and
// refused (with the reason, in Portuguese, before any call is sent) when the client does not
// trust its issuer or it names another address.

#include "clientsignin.h"
#include "host/net/clienttls.h"
#include "host/net/netconnection.h"
#include "serverfixture.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/write.hpp>

#include <QProcess>
#include <QTemporaryDir>

namespace vnd::net::test
{
namespace
{

using data::Reply;

// The authority, a server certificate it issued for 127.0.0.1 alone, and an intruder's
// self-signed one for the same address.
class Certificates
{
public:
    Certificates()
    {
        const QString ext = file("ext.cnf");
        QFile f(ext);
        if (!f.open(QIODevice::WriteOnly) || f.write("subjectAltName=IP:127.0.0.1\n") < 0)
            return;
        f.close();
        const QStringList ec{"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};
        m_ok = openssl(QStringList{"req", "-x509"} + ec +
                       QStringList{"-keyout", file("ca.key"), "-out", file("ca.pem"), "-days", "2",
                                   "-subj", "/CN=Autoridade de teste"}) &&
               openssl(QStringList{"req"} + ec +
                       QStringList{"-keyout", file("server.key"), "-out", file("server.csr"),
                                   "-subj", "/CN=127.0.0.1"}) &&
               openssl({"x509", "-req", "-in", file("server.csr"), "-CA", file("ca.pem"), "-CAkey",
                        file("ca.key"), "-CAcreateserial", "-out", file("server.pem"), "-days", "2",
                        "-extfile", ext}) &&
               openssl(QStringList{"req", "-x509"} + ec +
                       QStringList{"-keyout", file("intruder.key"), "-out", file("intruder.pem"),
                                   "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
                                   "subjectAltName=IP:127.0.0.1"});
    }
    bool ok() const { return m_ok; }
    QString file(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

private:
    bool openssl(const QStringList &args)
    {
        QProcess p;
        p.start(QStringLiteral("openssl"), args);
        return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit &&
               p.exitCode() == 0;
    }
    QTemporaryDir m_dir;
    bool m_ok = false;
};

const Certificates &certificates()
{
    static const Certificates made;
    return made;
}

class TlsTest : public server::test::ServerFixture
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(certificates().ok()) << "openssl could not make the certificates";
        m_options.tlsCertFile = certificates().file("server.pem");
        m_options.tlsKeyFile = certificates().file("server.key");
        ServerFixture::SetUp();
    }
    void TearDown() override
    {
        signOutClient();
        QString ignored;
        setTrustedAuthorities({}, ignored);
        ServerFixture::TearDown();
    }

    static void trust(const QString &caFile)
    {
        QString error;
        ASSERT_TRUE(setTrustedAuthorities(caFile, error)) << qPrintable(error);
    }
    Reply callAt(const QString &host, int port, const QString &method,
                 const data::ValueArray &args = {}) const
    {
        TNetConnection conn;
        conn.Host = host;
        conn.Port = port;
        conn.bearer = QByteArray::fromStdString(token());
        return conn.call(method, args);
    }
    // The method lines of the server's log: calls that got through to it.
    qsizetype callsLogged() const
    {
        return log().filter(QRegularExpression(QStringLiteral("^\\w+ \\d+ ms "))).size();
    }
};

TEST_F(TlsTest, TheSitesAuthorityOpensSessionsAndCarriesLargeAnswers)
{
    trust(certificates().file("ca.pem"));
    const QString https = QStringLiteral("https://127.0.0.1");
    const Reply who =
        ClientSession::instance().adopt(https, port(), QByteArray::fromStdString(token()));
    ASSERT_TRUE(who.ok) << qPrintable(who.errorMessage);
    EXPECT_EQ(ClientSession::instance().login(), QStringLiteral("gerente"));

    // Streamed in parts over TLS, decoded while they arrive, on one kept connection.
    TNetConnection conn;
    conn.Host = https;
    conn.Port = port();
    const Reply periods = conn.call(QStringLiteral("getVigenciaTab"), {"001"});
    ASSERT_TRUE(periods.ok) << qPrintable(periods.errorMessage);
    const QDate start = server::test::currentPeriodStart(periods.result.packet(), today());
    addPricedProducts(3000, start);
    for (int i = 0; i < 2; ++i) {
        const Reply items = conn.call(QStringLiteral("getItemPreco"), {"001", start, "4", "", "T"});
        ASSERT_TRUE(items.ok) << qPrintable(items.errorMessage);
        EXPECT_GT(items.result.packet().rows.size(), 3000);
    }
    const Reply tables = conn.call(QStringLiteral("getTabGeral"));
    ASSERT_TRUE(tables.ok) << qPrintable(tables.errorMessage);
    EXPECT_EQ(tables.result.packet().rows.size(),
              scalar(QStringLiteral("SELECT COUNT(*) FROM TABEPRECGER")).toLongLong());
    conn.close();

    // Connections that went were closed quietly, not taken for bad requests.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(log().filter(QStringLiteral("bad_request")).isEmpty())
        << qPrintable(log().join(u'\n'));

    // Plain HTTP to the TLS port gets no answer, only a clear failure.
    const Reply plain = callAt(QStringLiteral("127.0.0.1"), port(), QStringLiteral("getTabGeral"));
    EXPECT_FALSE(plain.ok);
    EXPECT_EQ(plain.errorCode, QStringLiteral("connection"));
}

// An answer that ends its connection ends it with TLS's close, so the client can tell it from a
// cut (here: HTTP/1.0, closed after one answer).
TEST_F(TlsTest, TheServerAnnouncesTheEndOfAConnection)
{
    namespace asio = boost::asio;
    asio::io_context io;
    asio::ssl::context ctx(asio::ssl::context::tls_client);
    asio::ssl::stream<asio::ip::tcp::socket> tls(io, ctx);
    tls.next_layer().connect({asio::ip::make_address("127.0.0.1"), quint16(port())});
    tls.handshake(asio::ssl::stream_base::client);
    const std::string request = "POST /vnd42700.rdmTabGeral/getTabGeral HTTP/1.0\r\n"
                                "Content-Type: application/json\r\nContent-Length: 2\r\n\r\n[]";
    asio::write(tls, asio::buffer(request));
    std::string answer(4096, '\0');
    boost::system::error_code ec;
    size_t got = 0;
    while (!ec)
        got += tls.read_some(asio::buffer(answer.data() + got, answer.size() - got), ec);
    EXPECT_EQ(ec, asio::error::eof) << ec.message();
    EXPECT_EQ(answer.substr(8, 5), " 401 ") << answer.substr(0, got);
}

TEST_F(TlsTest, ACertificateThatDoesNotVerifyIsRefusedBeforeAnyCall)
{
    // The intruder's server, on the same database.
    server::ServerOptions options;
    options.port = 0;
    options.tlsCertFile = certificates().file("intruder.pem");
    options.tlsKeyFile = certificates().file("intruder.key");
    server::Server intruder(database(), options);
    const int intruderPort = intruder.bind();
    ASSERT_GT(intruderPort, 0) << qPrintable(intruder.error());
    std::atomic<bool> finished{false};
    std::thread serving([&] {
        intruder.run();
        finished = true;
    });

    const QString unknownIssuer = QStringLiteral(
        "foi emitido por uma autoridade certificadora que esta máquina não reconhece (confira o "
        "arquivo de autoridades da configuração)");
    const struct {
        const char *name;
        QString caFile; // empty: the system's store
        QString host;
        int port;
        QString reason;
    } cases[] = {
        {"the system's store does not know the site's authority",
         {},
         QStringLiteral("https://127.0.0.1"),
         port(),
         unknownIssuer},
        {"an intruder's certificate", certificates().file("ca.pem"),
         QStringLiteral("https://127.0.0.1"), intruderPort, unknownIssuer},
        {"issued for another address", certificates().file("ca.pem"),
         QStringLiteral("https://localhost"), port(),
         QStringLiteral("foi emitido para outro endereço")},
    };
    const qsizetype before = callsLogged();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        trust(c.caFile);
        const Reply r = callAt(c.host, c.port, QStringLiteral("getTabGeral"));
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.errorCode, QStringLiteral("connection"));
        EXPECT_EQ(r.errorMessage,
                  QStringLiteral("O certificado do servidor de aplicação em %1:%2 %3. A conexão "
                                 "foi recusada.")
                      .arg(c.host)
                      .arg(c.port)
                      .arg(c.reason));
    }
    EXPECT_EQ(callsLogged(), before);
    EXPECT_FALSE(log().filter(QStringLiteral("TLS recusado com 127.0.0.1")).isEmpty());

    // A file that holds no authority is refused at once, and the trust in force stays.
    QString error;
    EXPECT_FALSE(setTrustedAuthorities(certificates().file("ext.cnf"), error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("O arquivo de autoridades certificadoras")))
        << qPrintable(error);
    EXPECT_FALSE(setTrustedAuthorities(QStringLiteral("/nao/existe.pem"), error));
    EXPECT_TRUE(
        callAt(QStringLiteral("https://127.0.0.1"), port(), QStringLiteral("getTabGeral")).ok);

    while (!finished) { // a stop before run() began serving may be missed: repeated
        intruder.stop();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    serving.join();
}

} // namespace
} // namespace vnd::net::test
