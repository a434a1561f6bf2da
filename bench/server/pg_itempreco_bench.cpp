// getItemPreco of a whole period on PostgreSQL against psql's \copy of the same join to
// /dev/null: what the server adds over the database's own fastest way out.
//   bench_pg_itempreco postgresql://... (a database loaded with --init --synthetic N)

#include "benchserver.h"
#include "server/demousers.h"
#include "server/sessionstore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QProcess>

#include <cstdio>
#include <thread>

using namespace vnd::server;
using namespace vnd::server::bench;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "uso: %s postgresql://...\n", argv[0]);
        return 2;
    }
    const QString url = QString::fromLocal8Bit(argv[1]);
    const Database database(url);
    ServerOptions options;
    options.port = 0;
    Server server(database, options);
    const int port = server.bind();
    std::thread serving([&server] { server.run(); });

    // The synthetic data set's current period starts 30 days ago.
    const QDate start = QDate::currentDate().addDays(-30);
    const QString day = start.toString(Qt::ISODate);
    const QString join =
        QStringLiteral(
            "SELECT P.NMPRODUTO, P.CDPRODUTO, (SELECT COUNT(*) FROM PRODCOMP C WHERE "
            "C.CDPRODUTO = P.CDPRODUTO), I.VRPRECITEM, I.VRPRECITEMCMD, I.VRPRECITEMDLV, "
            "I.VRPRECITEMCL, I.IDPRECVARIA, I.VRPRESUGITEM, P.CDARVPROD, I.VRCUSTITEM, "
            "I.VRMKUPITEM, I.IDPRODPROMOC, P.CDBARPRODUTO, I.HRINIVENPROD, I.HRFIMVENPROD "
            "FROM PRODUTO P LEFT JOIN ITEMPRECO I ON I.CDTABEPREC = '001' AND I.DTINIVGPREC = "
            "'%1' AND I.CDPRODUTO = P.CDPRODUTO AND I.CDPRPAITABPR = P.CDPRODUTO WHERE "
            "P.CDNVPRODUTO = 4 ORDER BY P.CDARVPROD")
            .arg(day);

    addDemoUsers(database);
    BenchClient client(port, SessionStore(database)
                                 .open(QStringLiteral("gerente"), QStringLiteral("bench"),
                                       QDateTime::currentSecsSinceEpoch(), options.sessions)
                                 .toStdString());
    double bestServer = 1e18, bestCopy = 1e18;
    qint64 rows = 0;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer t;
        t.start();
        vnd::data::Reply reply;
        if (client.call(QStringLiteral("getItemPreco"), {"001", start, "4", "", "T"}, reply) !=
            200) {
            std::fprintf(stderr, "getItemPreco falhou: %s\n", qPrintable(reply.errorMessage));
            break;
        }
        bestServer = std::min(bestServer, double(t.nsecsElapsed()) / 1e9);
        rows = qint64(reply.result.packet().rows.size());

        t.restart();
        QProcess psql;
        psql.start(QStringLiteral("psql"), {url, QStringLiteral("-qc"),
                                            QStringLiteral("\\copy (%1) to /dev/null").arg(join)});
        if (!psql.waitForFinished(120000) || psql.exitCode() != 0) {
            std::fprintf(stderr, "psql falhou: %s\n", psql.readAllStandardError().constData());
            break;
        }
        bestCopy = std::min(bestCopy, double(t.nsecsElapsed()) / 1e9);
    }
    server.stop();
    serving.join();
    std::printf("getItemPreco, %lld rows: server %.3f s, psql \\copy %.3f s, ratio %.2f\n", rows,
                bestServer, bestCopy, bestServer / bestCopy);
    return 0;
}
