// The server on PostgreSQL against the database's own speed, with SQLite beside it, in one run:
// getItemPreco of a whole period against the fastest way the rows leave the database (psql's
// \copy of the same query to /dev/null; a bare sqlite3 scan), one item save against a bare
// round trip plus a bare UPDATE (libpq; sqlite3), 8 clients mixing reads and saves, and
// getVdTabGeral by 8 clients against pgbench -S on the same cluster (point reads' ceiling).
//   bench_pg_speed [products]   with VND_TEST_PG an administrator's URL (scripts/pgcluster.sh)

#include "bench/benchstats.h"
#include "benchserver.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>

#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

using namespace vnd::server;
using namespace vnd::server::bench;
using vnd::bench::quantile;
using vnd::data::Reply;

namespace
{

struct Figures {
    double readServer = 0, readBare = 0;               // seconds
    double saveServer = 0, saveTrip = 0, saveBare = 0; // microseconds
    double mixedRate = 0, pointRate = 0;               // requests per second
};

// Clients of the loads, for kLoadSeconds each; saves timed in turn with their bare sides.
constexpr int kClients = 8, kLoadSeconds = 5, kSaves = 500;

double seconds(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e9;
}

// Runs SQL on a libpq connection; false (printed) on failure.
bool pgExec(PGconn *conn, const char *sql)
{
    PGresult *r = PQexec(conn, sql);
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
    if (!ok)
        std::fprintf(stderr, "%s: %s\n", sql, PQerrorMessage(conn));
    PQclear(r);
    return ok;
}

QString withDatabase(const QString &url, const QString &name)
{
    QUrl u(url);
    u.setPath(u'/' + name);
    return u.toString();
}

// The server's item query with its values written in, for a tool that takes no parameters.
QString itemsJoin(QDate start)
{
    return QStringLiteral(
               "SELECT P.NMPRODUTO, P.CDPRODUTO, CAST('001' AS TEXT), P.CDPRODUTO, (SELECT "
               "COUNT(*) FROM PRODCOMP C WHERE C.CDPRODUTO = P.CDPRODUTO), I.VRPRECITEM, "
               "I.VRPRECITEMCMD, I.VRPRECITEMDLV, I.VRPRECITEMCL, CAST('%1' AS TEXT), "
               "I.IDPRECVARIA, I.VRPRESUGITEM, P.CDARVPROD, I.VRCUSTITEM, I.VRMKUPITEM, "
               "I.IDPRODPROMOC, P.CDBARPRODUTO, I.HRINIVENPROD, I.HRFIMVENPROD FROM PRODUTO P "
               "LEFT JOIN ITEMPRECO I ON I.CDTABEPREC = '001' AND I.DTINIVGPREC = '%1' AND "
               "I.CDPRODUTO = P.CDPRODUTO AND I.CDPRPAITABPR = P.CDPRODUTO WHERE "
               "P.CDNVPRODUTO = 4 ORDER BY P.CDARVPROD")
        .arg(start.toString(Qt::ISODate));
}

// The database alone: the whole join out of it, and one UPDATE of a price.
class Bare
{
public:
    virtual ~Bare() = default;
    virtual double readSeconds() = 0; // negative on failure
    virtual bool update(const QByteArray &product, double price) = 0;
};

class BareSqlite final : public Bare
{
public:
    BareSqlite(const QString &path, QDate start)
        : m_raw(path), m_join(itemsJoin(start).toUtf8()),
          m_start(start.toString(Qt::ISODate).toUtf8())
    {
        sqlite3_prepare_v2(m_raw.handle(),
                           "UPDATE ITEMPRECO SET VRPRECITEM = ? WHERE CDTABEPREC = '001' AND "
                           "DTINIVGPREC = ? AND CDPRODUTO = ? AND CDPRPAITABPR = ?",
                           -1, &m_update, nullptr);
    }
    ~BareSqlite() override { sqlite3_finalize(m_update); }

    double readSeconds() override
    {
        QElapsedTimer t;
        t.start();
        sqlite3_stmt *s = nullptr;
        if (sqlite3_prepare_v2(m_raw.handle(), m_join.constData(), -1, &s, nullptr) != SQLITE_OK)
            return -1;
        qint64 bytes = 0;
        while (sqlite3_step(s) == SQLITE_ROW)
            for (int c = 0, n = sqlite3_column_count(s); c < n; ++c) {
                // Each value as it is stored, as the server reads it.
                const int type = sqlite3_column_type(s, c);
                if (type == SQLITE_TEXT)
                    sqlite3_column_text(s, c);
                else if (type != SQLITE_NULL)
                    sqlite3_column_double(s, c);
                bytes += type == SQLITE_TEXT ? sqlite3_column_bytes(s, c) : 8;
            }
        sqlite3_finalize(s);
        return bytes > 0 ? seconds(t) : -1;
    }
    bool update(const QByteArray &product, double price) override
    {
        sqlite3_bind_double(m_update, 1, price);
        sqlite3_bind_text(m_update, 2, m_start.constData(), -1, SQLITE_STATIC);
        sqlite3_bind_text(m_update, 3, product.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(m_update, 4, product.constData(), -1, SQLITE_TRANSIENT);
        const bool ok = sqlite3_step(m_update) == SQLITE_DONE;
        sqlite3_reset(m_update);
        return ok;
    }

private:
    RawDatabase m_raw;
    QByteArray m_join, m_start;
    sqlite3_stmt *m_update = nullptr;
};

class BarePostgres final : public Bare
{
public:
    BarePostgres(const QString &url, QDate start)
        : m_url(url), m_join(itemsJoin(start)), m_start(start.toString(Qt::ISODate).toUtf8())
    {
        m_conn = PQconnectdb(url.toUtf8().constData());
        PGresult *r = PQprepare(m_conn, "upd",
                                "UPDATE ITEMPRECO SET VRPRECITEM = $1 WHERE CDTABEPREC = '001' "
                                "AND DTINIVGPREC = $2 AND CDPRODUTO = $3 AND CDPRPAITABPR = $3",
                                0, nullptr);
        PQclear(r);
    }
    ~BarePostgres() override { PQfinish(m_conn); }

    double readSeconds() override
    {
        QElapsedTimer t;
        t.start();
        QProcess psql;
        psql.start(
            QStringLiteral("psql"),
            {m_url, QStringLiteral("-qc"), QStringLiteral("\\copy (%1) to /dev/null").arg(m_join)});
        if (!psql.waitForFinished(300000) || psql.exitCode() != 0) {
            std::fprintf(stderr, "psql: %s\n", psql.readAllStandardError().constData());
            return -1;
        }
        return seconds(t);
    }
    bool update(const QByteArray &product, double price) override
    {
        const QByteArray value = QByteArray::number(price, 'f', 2);
        const char *values[] = {value.constData(), m_start.constData(), product.constData()};
        PGresult *r = PQexecPrepared(m_conn, "upd", 3, values, nullptr, nullptr, 0);
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
        PQclear(r);
        return ok;
    }

private:
    QString m_url, m_join;
    QByteArray m_start;
    PGconn *m_conn = nullptr;
};

QString productCode(int i)
{
    return QStringLiteral("%1").arg(i, 10, 10, QLatin1Char('0'));
}

// Calls per second of kClients clients for kLoadSeconds, each running `work` (false: failed).
double rateOf(const BenchServer &server, const std::function<bool(BenchClient &, int, int)> &work)
{
    std::atomic<qint64> done{0};
    std::atomic<bool> failed{false};
    QElapsedTimer t;
    t.start();
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c)
        clients.emplace_back([&, c] {
            BenchClient client(server.port(), server.token());
            for (int i = 0; t.elapsed() < kLoadSeconds * 1000 && !failed; ++i) {
                if (!work(client, c, i)) {
                    failed = true;
                    return;
                }
                ++done;
            }
        });
    for (std::thread &c : clients)
        c.join();
    return failed ? -1 : double(done) / seconds(t);
}

bool measure(const BenchServer &server, Bare &bare, Figures &f)
{
    const QDate start = server.currentStart();
    BenchClient client(server.port(), server.token());
    qint64 bytes = 0;
    if (!bestOfAlternating(
            3,
            [&](int) {
                QElapsedTimer t;
                t.start();
                return client.callRaw(QStringLiteral("getItemPreco"), {"001", start, "4", "", "T"},
                                      bytes) == 200
                           ? seconds(t)
                           : -1;
            },
            [&](int) { return bare.readSeconds(); }, f.readServer, f.readBare))
        return false;

    // The bare UPDATE writes another row, so that the saver's row stays as it loaded it.
    ItemSaver saver(client, start, productCode(42));
    if (!saver.ok())
        return false;
    const QByteArray other = productCode(43).toUtf8();
    int n = 0;
    Reply reply;
    const std::vector<std::vector<double>> us = interleavedTimes(
        kSaves, {[&] { return saver.save(client); },
                 [&] { return bare.update(other, 20.0 + (++n % 1000) * 0.01); },
                 [&] { return client.call(QStringLiteral("getTabGeral"), {}, reply) == 200; }});
    if (us.empty())
        return false;
    f.saveServer = quantile(us[0], 0.5);
    f.saveBare = quantile(us[1], 0.5);
    f.saveTrip = quantile(us[2], 0.5);

    // Each client reads single items and saves one of its own every fifth call.
    std::vector<std::unique_ptr<ItemSaver>> savers(kClients);
    std::mutex saversLock;
    f.mixedRate = rateOf(server, [&](BenchClient &c, int who, int i) {
        if (i % 5 == 4) {
            std::unique_ptr<ItemSaver> &saver = savers[size_t(who)];
            if (!saver) {
                std::lock_guard lock(saversLock);
                saver = std::make_unique<ItemSaver>(c, start, productCode(100 + who));
            }
            return saver->ok() && saver->save(30.0 + i * 0.01);
        }
        Reply r;
        return c.call(QStringLiteral("getItemPreco"),
                      {"001", start, "4", productCode(1000 + (who * 997 + i * 31) % 90000), ""},
                      r) == 200;
    });
    f.pointRate = rateOf(server, [](BenchClient &c, int, int) {
        Reply r;
        return c.call(QStringLiteral("getVdTabGeral"), {"001"}, r) == 200;
    });
    return f.mixedRate > 0 && f.pointRate > 0;
}

// pgbench -S on a database of its own on the cluster: select-only transactions per second.
double pgbenchRate(const QString &url)
{
    QProcess init;
    init.start(QStringLiteral("pgbench"), {QStringLiteral("-i"), QStringLiteral("-q"),
                                           QStringLiteral("-s"), QStringLiteral("10"), url});
    if (!init.waitForFinished(300000) || init.exitCode() != 0) {
        std::fprintf(stderr, "pgbench -i: %s\n", init.readAllStandardError().constData());
        return -1;
    }
    QProcess run;
    run.start(QStringLiteral("pgbench"),
              {QStringLiteral("-S"), QStringLiteral("-n"), QStringLiteral("-c"),
               QString::number(kClients), QStringLiteral("-j"), QString::number(kClients),
               QStringLiteral("-T"), QString::number(kLoadSeconds), url});
    if (!run.waitForFinished(300000) || run.exitCode() != 0) {
        std::fprintf(stderr, "pgbench -S: %s\n", run.readAllStandardError().constData());
        return -1;
    }
    const QString out = QString::fromUtf8(run.readAllStandardOutput());
    const auto m = QRegularExpression(QStringLiteral("tps = ([0-9.]+)")).match(out);
    return m.hasMatch() ? m.captured(1).toDouble() : -1;
}

void print(const char *name, const Figures &f, const char *bareRead, const char *bareUpdate)
{
    std::printf("%s\n", name);
    std::printf(
        "  getItemPreco, whole period: server %.3f s, %s %.3f s, ratio %.2f (goal <= 1.3)\n",
        f.readServer, bareRead, f.readBare, f.readServer / f.readBare);
    std::printf("  one item save (medians of %d, taking turns): %.0f us; round trip %.0f us + %s "
                "%.0f us; ratio %.2f (goal <= 1.5)\n",
                kSaves, f.saveServer, f.saveTrip, bareUpdate, f.saveBare,
                f.saveServer / (f.saveTrip + f.saveBare));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int products = argc > 1 ? std::atoi(argv[1]) : 100000;
    const QString admin = qEnvironmentVariable("VND_TEST_PG");
    if (admin.isEmpty()) {
        std::fprintf(stderr, "VND_TEST_PG não definida: eval \"$(scripts/pgcluster.sh start)\"\n");
        return 2;
    }
    const QString name = QStringLiteral("vndbench_%1").arg(QCoreApplication::applicationPid());
    PGconn *adminConn = PQconnectdb(admin.toUtf8().constData());
    if (!pgExec(adminConn, qPrintable(QStringLiteral("CREATE DATABASE %1").arg(name))) ||
        !pgExec(adminConn, qPrintable(QStringLiteral("CREATE DATABASE %1_pgbench").arg(name))))
        return 1;

    Figures sqlite, pg;
    double pgbench = -1;
    bool ok = false;
    {
        BenchServer onSqlite(products, kClients);
        BareSqlite bareSqlite(onSqlite.dbPath(), onSqlite.currentStart());
        const QString url = withDatabase(admin, name);
        BenchServer onPostgres(products, kClients, url);
        BarePostgres barePostgres(url, onPostgres.currentStart());
        ok = measure(onSqlite, bareSqlite, sqlite) && measure(onPostgres, barePostgres, pg);
        if (ok)
            pgbench = pgbenchRate(withDatabase(admin, name + QStringLiteral("_pgbench")));
    }
    pgExec(adminConn, qPrintable(QStringLiteral("DROP DATABASE %1").arg(name)));
    pgExec(adminConn, qPrintable(QStringLiteral("DROP DATABASE %1_pgbench").arg(name)));
    PQfinish(adminConn);
    if (!ok)
        return 1;

    std::printf("%d products, %d server threads, %d clients\n", products, kClients, kClients);
    print("SQLite", sqlite, "bare sqlite3 scan", "bare sqlite3 UPDATE");
    print("PostgreSQL", pg, "psql \\copy to /dev/null", "bare libpq UPDATE");
    std::printf("%d clients, 4 single-item reads to 1 save, %d s: SQLite %.0f req/s, PostgreSQL "
                "%.0f req/s\n",
                kClients, kLoadSeconds, sqlite.mixedRate, pg.mixedRate);
    std::printf("getVdTabGeral, %d clients: SQLite %.0f req/s, PostgreSQL %.0f req/s; pgbench -S "
                "%.0f tps; PostgreSQL / pgbench -S %.2f\n",
                kClients, sqlite.pointRate, pg.pointRate, pgbench, pg.pointRate / pgbench);
    return 0;
}
