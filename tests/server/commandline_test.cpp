// Plain HTTP is for the loopback: elsewhere the server needs a certificate and its key, or an
// explicit word that TLS ends before it (at a proxy).

#include "server/commandline.h"

#include <gtest/gtest.h>

namespace vnd::server::test
{
namespace
{

TEST(CommandLine, ListeningBeyondTheLoopbackNeedsTlsOrTheExplicitOption)
{
    const QString tlsOnly =
        QStringLiteral("para escutar em 0.0.0.0 sem ser o loopback dê --tls-cert e --tls-key, ou "
                       "--plain-http se o TLS termina antes, num proxy");
    const struct {
        const char *line;
        QString error; // empty: accepted
    } cases[] = {
        {"--listen 127.0.0.1:0", {}},
        {"--listen 127.0.0.2:0", {}},
        {"--listen localhost:0", {}},
        {"--listen 0.0.0.0:42700", tlsOnly},
        {"--listen 192.168.0.10:42700",
         QStringLiteral("para escutar em 192.168.0.10 sem ser o loopback dê --tls-cert e "
                        "--tls-key, ou --plain-http se o TLS termina antes, num proxy")},
        {"--listen 0.0.0.0:42700 --plain-http", {}},
        {"--listen 0.0.0.0:42700 --tls-cert c.pem --tls-key k.pem", {}},
        {"--listen 0.0.0.0:42700 --tls-cert c.pem",
         QStringLiteral("--tls-cert e --tls-key vão juntos")},
        {"--tls-key k.pem", QStringLiteral("--tls-cert e --tls-key vão juntos")},
        {"--listen 0.0.0.0:1 --tls-cert c.pem --tls-key k.pem --plain-http",
         QStringLiteral("use --tls-cert/--tls-key ou --plain-http, não os dois")},
        {"--tls-cert", QStringLiteral("--tls-cert exige um arquivo")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        const CommandLine cl = parseCommandLine(
            (QStringLiteral("--db sqlite:x.db ") + QString::fromUtf8(c.line)).split(u' '));
        EXPECT_EQ(cl.error, c.error);
    }
}

TEST(CommandLine, ListenTakesNamesAndBracketedIpv6)
{
    const struct {
        const char *listen;
        const char *host; // nullptr: refused
    } cases[] = {{"localhost:0", "localhost"}, {"[::1]:0", "::1"},
                 {"127.0.0.1:0", "127.0.0.1"}, {"[]:0", nullptr},
                 {"[::1]", nullptr},           {":0", nullptr}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.listen);
        const CommandLine cl =
            parseCommandLine({QStringLiteral("--db"), QStringLiteral("sqlite:x.db"),
                              QStringLiteral("--listen"), QString::fromLatin1(c.listen)});
        EXPECT_EQ(cl.error.isEmpty(), c.host != nullptr) << qPrintable(cl.error);
        if (c.host) {
            EXPECT_EQ(cl.host, QString::fromLatin1(c.host));
        }
    }
}

} // namespace
} // namespace vnd::server::test
