// A whole period's item prices through the module's connection over TLS against the same over
// plain HTTP: two servers on one database, one with a certificate (a throwaway authority made
// with the openssl program), the calls alternating between them.
// Usage: bench_tls [products] [rounds]

#include "bench/benchstats.h"
#include "benchserver.h"

#include "host/net/clientsession.h"
#include "host/net/clienttls.h"
#include "host/net/netconnection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace vnd;

namespace
{

using vnd::bench::best;
using vnd::bench::median;

bool openssl(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("openssl"), args);
    return p.waitForFinished(30000) && p.exitCode() == 0;
}

// An authority and a certificate it issued for 127.0.0.1, in `dir`.
bool makeCertificates(const QTemporaryDir &dir)
{
    const auto f = [&](const char *name) { return dir.filePath(QString::fromLatin1(name)); };
    QFile ext(f("ext.cnf"));
    if (!ext.open(QIODevice::WriteOnly) || ext.write("subjectAltName=IP:127.0.0.1\n") < 0)
        return false;
    ext.close();
    const QStringList ec{"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};
    return openssl(QStringList{"req", "-x509"} + ec +
                   QStringList{"-keyout", f("ca.key"), "-out", f("ca.pem"), "-days", "1", "-subj",
                               "/CN=bench"}) &&
           openssl(QStringList{"req"} + ec +
                   QStringList{"-keyout", f("server.key"), "-out", f("server.csr"), "-subj",
                               "/CN=127.0.0.1"}) &&
           openssl({"x509", "-req", "-in", f("server.csr"), "-CA", f("ca.pem"), "-CAkey",
                    f("ca.key"), "-CAcreateserial", "-out", f("server.pem"), "-days", "1",
                    "-extfile", f("ext.cnf")});
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int products = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int rounds = std::max(1, argc > 2 ? std::atoi(argv[2]) : 7);

    QTemporaryDir certs;
    if (!makeCertificates(certs)) {
        std::fprintf(stderr, "openssl could not make the certificates\n");
        return 1;
    }
    QString error;
    if (!net::setTrustedAuthorities(certs.filePath(QStringLiteral("ca.pem")), error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    server::bench::BenchServer plainServer(products, 2);
    server::ServerOptions options;
    options.threads = 2;
    options.logRequests = false;
    options.tlsCertFile = certs.filePath(QStringLiteral("server.pem"));
    options.tlsKeyFile = certs.filePath(QStringLiteral("server.key"));
    server::bench::ServingThread tlsServer(plainServer.database(), options);
    if (tlsServer.port() <= 0) {
        std::fprintf(stderr, "the TLS server did not start\n");
        return 1;
    }
    std::printf("getItemPreco, whole period, %d products: TLS against plain HTTP, loopback\n",
                products);

    net::ClientSession::instance().adopt(QStringLiteral("127.0.0.1"), plainServer.port(),
                                         QByteArray::fromStdString(plainServer.token()));
    net::TNetConnection plain, secure;
    plain.Port = plainServer.port();
    secure.Host = QStringLiteral("https://127.0.0.1");
    secure.Port = tlsServer.port();
    const data::ValueArray args{"001", plainServer.currentStart(), "4", "", "T"};

    std::vector<double> plainSeconds, tlsSeconds;
    qsizetype rows = 0;
    QElapsedTimer timer;
    for (int round = -1; round < rounds; ++round) {
        // Alternating which goes first, so that neither always finds the caches warm.
        for (int side = 0; side < 2; ++side) {
            const bool tls = (side == 0) == (round % 2 == 0);
            timer.restart();
            const data::Reply r = (tls ? secure : plain).call(QStringLiteral("getItemPreco"), args);
            const double seconds = timer.nsecsElapsed() / 1e9;
            if (!r.ok) {
                std::fprintf(stderr, "getItemPreco failed: %s\n", qPrintable(r.errorMessage));
                return 1;
            }
            rows = r.result.packet().rows.size();
            if (round >= 0)
                (tls ? tlsSeconds : plainSeconds).push_back(seconds);
        }
    }
    std::printf("  rows: %lld, %d rounds (best, median)\n", static_cast<long long>(rows), rounds);
    std::printf("  plain HTTP: %.3f s  %.3f s\n", best(plainSeconds), median(plainSeconds));
    std::printf("  TLS:        %.3f s  %.3f s\n", best(tlsSeconds), median(tlsSeconds));
    std::printf("  ratio TLS / plain: %.2f best, %.2f median (goal: 1.3 or less)\n",
                best(tlsSeconds) / best(plainSeconds), median(tlsSeconds) / median(plainSeconds));
    return 0;
}
