// What the change record costs, on 100,000 synthetic products over HTTP/CBOR: setConfirmar,
// SetUpdItemPrecoAlt and SetPrecDif on every product, and one item save, each with the
// record's triggers in place against the same call without them (alternating, best of
// each); then the history of one item among 10,000 lines of the record against among
// 10,000,000 (the lines generated in SQL). On SQLite, then on PostgreSQL when VND_TEST_PG
// names a cluster's administrator (scripts/pgcluster.sh).

#include "benchserver.h"

#include "server/callcontext.h"
#include "server/changecontext.h"
#include "server/historyrepository.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

using namespace vnd;
using namespace vnd::server;
using namespace vnd::server::bench;

namespace
{

const int kProducts = 100000;

bool exec(const QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(sql.left(200)),
                     qPrintable(q.lastError().text()));
        return false;
    }
    return true;
}

QVariant scalar(const QSqlDatabase &db, const QString &sql, const QVariantList &values = {})
{
    QSqlQuery q(db);
    q.prepare(sql);
    for (const QVariant &v : values)
        q.addBindValue(v);
    return q.exec() && q.next() ? q.value(0) : QVariant();
}

// The record's triggers on the written tables: SQLite's dropped and created again as stored,
// PostgreSQL's disabled and enabled.
class RecordTriggers
{
public:
    RecordTriggers(const QSqlDatabase &db, Dialect dialect)
        : m_db(db), m_pg(dialect == Dialect::Postgres)
    {
        QSqlQuery q(db);
        q.exec(m_pg ? QStringLiteral("SELECT c.relname, t.tgname FROM pg_trigger t JOIN pg_class c"
                                     " ON c.oid = t.tgrelid WHERE NOT t.tgisinternal AND"
                                     " t.tgname LIKE '%\\_hist\\_%'")
                    : QStringLiteral("SELECT sql, name FROM sqlite_master WHERE type = 'trigger'"
                                     " AND name LIKE '%\\_HIST\\_%' ESCAPE '\\'"));
        while (q.next())
            m_triggers.emplace_back(q.value(0).toString(), q.value(1).toString());
    }
    size_t count() const { return m_triggers.size(); }
    // SQLite: the log emptied into the file, so that a timed call does not also copy back
    // what the untimed preparation wrote.
    bool settle() const
    {
        return m_pg || exec(m_db, QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    }
    bool set(bool on) const
    {
        if (on == m_on)
            return true;
        for (const auto &[tableOrSql, name] : m_triggers) {
            const QString sql =
                m_pg ? QStringLiteral("ALTER TABLE %1 %2 TRIGGER %3")
                           .arg(tableOrSql,
                                on ? QStringLiteral("ENABLE") : QStringLiteral("DISABLE"), name)
                     : (on ? tableOrSql : QStringLiteral("DROP TRIGGER ") + name);
            if (!exec(m_db, sql))
                return false;
        }
        m_on = on;
        return true;
    }

private:
    QSqlDatabase m_db;
    bool m_pg;
    std::vector<std::pair<QString, QString>> m_triggers;
    mutable bool m_on = true;
};

double timed(BenchClient &client, const QString &method, const data::ValueArray &args)
{
    data::Reply reply;
    QElapsedTimer timer;
    timer.start();
    if (client.call(method, args, reply) != 200) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(method), qPrintable(reply.errorMessage));
        return -1;
    }
    return double(timer.nsecsElapsed());
}

// Best of `rounds` with the record on and off, alternating which goes first; prepare runs
// untimed before each call.
bool onAgainstOff(const RecordTriggers &triggers, int rounds, const std::function<bool()> &prepare,
                  const std::function<double()> &call, double &on, double &off)
{
    on = off = 1e18;
    for (int r = 0; r < rounds; ++r)
        for (bool record : {r % 2 == 0, r % 2 != 0}) {
            if (!triggers.set(false) || !prepare() || (record && !triggers.set(true)) ||
                !triggers.settle())
                return false;
            const double ns = call();
            if (ns < 0)
                return false;
            (record ? on : off) = std::min(record ? on : off, ns);
        }
    return triggers.set(true);
}

void report(const char *what, double on, double off, double goal)
{
    std::printf("  %-44s record %8.1f ms, without %8.1f ms, ratio %.2f (goal <= %.1f)\n", what,
                on / 1e6, off / 1e6, on / off, goal);
}

// Median time of the item's history over the server.
double historyTime(BenchClient &client, const data::ValueArray &item, int calls)
{
    std::vector<double> times;
    for (int i = 0; i < calls; ++i)
        times.push_back(timed(client, QStringLiteral("getHistItemPreco"), item));
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Lines numbered from..to of one table and period, spread over 100,000 other products.
bool generateLines(const QSqlDatabase &db, Dialect dialect, qint64 from, qint64 to,
                   const QString &start)
{
    const bool pg = dialect == Dialect::Postgres;
    const QString series =
        pg ? QStringLiteral("generate_series(%1, %2) AS n(i)").arg(from).arg(to)
           : QStringLiteral("(WITH RECURSIVE n(i) AS (SELECT %1 UNION ALL SELECT i + 1 FROM n"
                            " WHERE i < %2) SELECT i FROM n) AS n")
                 .arg(from)
                 .arg(to);
    const QString code = pg ? QStringLiteral("'X' || lpad((i % 100000)::text, 9, '0')")
                            : QStringLiteral("printf('X%09d', i % 100000)");
    return exec(db, QStringLiteral("INSERT INTO HISTALTERACAO (DTALTERACAO, CDUSUARIO, DSENDERECO,"
                                   " NMMETODO, NMTABELA, IDOPERACAO, CDTABEPREC, DTINIVGPREC,"
                                   " CDPRODUTO, CDPRPAITABPR, DSCHAVE, DSANTES, DSDEPOIS)"
                                   " SELECT 1600000000000000 + i, 'gerente', '127.0.0.1',"
                                   " 'SetItemPreco', 'ITEMPRECO', 'A', '001', '%1', %2, %2,"
                                   " '[]', '{\"VRPRECITEM\":\"1.00\"}',"
                                   " '{\"VRPRECITEM\":\"2.00\"}' FROM %3")
                        .arg(start, code, series));
}

// --only NAME: that measure alone (a method's name, or getHistItemPreco).
QString g_only;
bool wanted(const char *name)
{
    return g_only.isEmpty() || g_only == QLatin1String(name);
}

bool measure(const char *title, const QString &url, int rounds, qint64 bigLines)
{
    std::fprintf(stderr, "%s: loading %d synthetic products...\n", title, kProducts);
    BenchServer server(kProducts, 8, url);
    BenchClient client(server.port(), server.token());
    const Dialect dialect = server.database().dialect();
    const QSqlDatabase db = server.database().connection();
    const RecordTriggers triggers(db, dialect);
    const QDate start = server.currentStart();
    const QString startText = start.toString(Qt::ISODate);
    std::printf("%s: %zu record triggers; %d products; best of %d\n", title, triggers.count(),
                kProducts, rounds);

    double on = 0, off = 0;
    int copy = 0;
    if (wanted("setConfirmar") &&
        !onAgainstOff(
            triggers, rounds,
            [&] {
                return exec(db,
                            QStringLiteral("DELETE FROM TABEPRECGER WHERE CDTABEPREC >= '800'"));
            },
            [&] {
                return timed(client, QStringLiteral("setConfirmar"),
                             {QString::number(800 + copy++), "COPIA", "001", "", "T"});
            },
            on, off))
        return false;
    if (wanted("setConfirmar"))
        report("setConfirmar, every product, every period:", on, off, 1.5);

    int flip = 0;
    if (wanted("SetUpdItemPrecoAlt") &&
        !onAgainstOff(
            triggers, rounds, [] { return true; },
            [&] {
                const char *flag = flip++ % 2 ? "N" : "S";
                return timed(client, QStringLiteral("SetUpdItemPrecoAlt"),
                             {flag, "", "", "", "T", data::Value(), false, "001", start});
            },
            on, off))
        return false;
    if (wanted("SetUpdItemPrecoAlt"))
        report("SetUpdItemPrecoAlt, every product:", on, off, 1.5);

    const QDate end = QDate::fromString(
        scalar(db,
               QStringLiteral("SELECT CAST(DTFINVGPREC AS TEXT) FROM TABEVEND WHERE CDTABEPREC ="
                              " '001' AND DTINIVGPREC = ?"),
               {startText})
            .toString(),
        Qt::ISODate);
    data::ValueArray dif{false, false, false, true, true, true, true, true, true, true};
    dif.insert(dif.end(), {false, true, false, 0, 0, "001", "", "", "00:02", "23:59", start, end,
                           start, 1.0, "", nullptr, "T", 1});
    if (wanted("SetPrecDif") &&
        !onAgainstOff(
            triggers, rounds,
            [&] {
                return exec(db,
                            QStringLiteral("DELETE FROM ITEMPRECODIA WHERE HRINIPRECDIA = '0002'"));
            },
            [&] { return timed(client, QStringLiteral("SetPrecDif"), dif); }, on, off))
        return false;
    if (wanted("SetPrecDif"))
        report("SetPrecDif, every product, every day:", on, off, 1.5);

    // One item save, 1,000 in a row each way, their mean. SQLite copies its log back into
    // the file every 1,000 pages, and the record's lines add pages: 200 saves without it
    // could miss that copy, and the best of them measure saves that never pay for it.
    const QString product =
        scalar(db,
               QStringLiteral("SELECT MIN(CDPRODUTO) FROM ITEMPRECO WHERE CDTABEPREC = '001' AND"
                              " DTINIVGPREC = ? AND CDPRODUTO = CDPRPAITABPR AND VRPRECITEM > 0"),
               {startText})
            .toString();
    ItemSaver saver(client, start, product);
    if (!saver.ok())
        return false;
    const auto saves = [&](int n) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < n; ++i)
            if (!saver.save(client))
                return -1.0;
        return double(timer.nsecsElapsed()) / n;
    };
    if (wanted("SetItemPreco")) {
        if (!onAgainstOff(
                triggers, rounds * 2, [] { return true; }, [&] { return saves(1000); }, on, off))
            return false;
        report("SetItemPreco, one row (mean of 1000):", on, off, 1.2);
    }
    if (!wanted("getHistItemPreco"))
        return true;

    // The history of one item: the record emptied, 10,000 lines, then 10,000,000.
    {
        Session admin;
        admin.login = QStringLiteral("bench");
        const CallScope scope(
            CallContext{QString::fromUtf16(kPruneMethod), QStringLiteral("bench"), admin});
        HistoryRepository(server.database()).prune(QDate::currentDate().addDays(2));
    }
    // The millions of lines pruned would otherwise stay in PostgreSQL's indexes, walked by
    // every reading, until the autovacuum came. Each count of lines is read with its own
    // statistics, as the autovacuum would leave them.
    if (dialect == Dialect::Postgres && !exec(db, QStringLiteral("VACUUM HISTALTERACAO")))
        return false;
    if (saves(20) < 0)
        return false;
    const data::ValueArray item{"001", start, product, product};
    QElapsedTimer fill;
    fill.start();
    if (!generateLines(db, dialect, 1, 10000, startText) ||
        (dialect == Dialect::Postgres && !exec(db, QStringLiteral("ANALYZE HISTALTERACAO"))))
        return false;
    const double small = historyTime(client, item, 200);
    std::fprintf(stderr, "generating %lld lines...\n", static_cast<long long>(bigLines));
    if (!generateLines(db, dialect, 10001, bigLines, startText))
        return false;
    if (dialect == Dialect::Postgres)
        exec(db, QStringLiteral("ANALYZE HISTALTERACAO"));
    const double big = historyTime(client, item, 200);
    std::printf("  getHistItemPreco, one item of 20 changes: among 10,000 lines %.2f ms, among "
                "%lld %.2f ms, ratio %.2f (goal <= 1.2; lines generated in %.0f s)\n",
                small / 1e6, static_cast<long long>(bigLines), big / 1e6, big / small,
                fill.elapsed() / 1000.0);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // --rounds N, --lines N, --only NAME: a quicker look.
    int rounds = 3;
    qint64 bigLines = 10000000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (qstrcmp(argv[i], "--rounds") == 0)
            rounds = std::max(1, atoi(argv[i + 1]));
        if (qstrcmp(argv[i], "--lines") == 0)
            bigLines = std::max<qint64>(20000, atoll(argv[i + 1]));
        if (qstrcmp(argv[i], "--only") == 0)
            g_only = QString::fromLocal8Bit(argv[i + 1]);
    }
    if (!measure("SQLite", {}, rounds, bigLines))
        return 1;
    const QString admin = qEnvironmentVariable("VND_TEST_PG");
    if (admin.isEmpty()) {
        std::printf("PostgreSQL: not measured (VND_TEST_PG unset; see scripts/pgcluster.sh)\n");
        return 0;
    }
    const QString name = QStringLiteral("vndhist_%1").arg(QCoreApplication::applicationPid());
    bool ok = false;
    {
        const Database cluster(admin);
        if (!exec(cluster.connection(), QStringLiteral("CREATE DATABASE ") + name))
            return 1;
        QUrl url(admin);
        url.setPath(u'/' + name);
        ok = measure("PostgreSQL", url.toString(), rounds, bigLines);
        exec(cluster.connection(), QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(name));
    }
    return ok ? 0 : 1;
}
