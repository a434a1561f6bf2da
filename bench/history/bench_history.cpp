// What the change record costs, on 100,000 synthetic products over HTTP/CBOR: setConfirmar,
// SetUpdItemPrecoAlt and SetPrecDif on every product, and one item save, each with the
// record's triggers in place against the same call with them dropped (alternating, best of
// each); then the history of one item among 10,000 lines of the record against among
// 10,000,000 (the lines generated in SQL).

#include "benchserver.h"

#include "server/callcontext.h"
#include "server/changecontext.h"
#include "server/historyrepository.h"

#include <sqlite3.h>

#include <QCoreApplication>
#include <QElapsedTimer>

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

// The record's triggers on the written tables, as stored, to drop and put back.
class RecordTriggers
{
public:
    explicit RecordTriggers(const RawDatabase &db) : m_db(db)
    {
        sqlite3_stmt *q = nullptr;
        sqlite3_prepare_v2(db.handle(),
                           "SELECT name, sql FROM sqlite_master WHERE type = 'trigger'"
                           " AND name LIKE '%\\_HIST\\_%' ESCAPE '\\'",
                           -1, &q, nullptr);
        while (sqlite3_step(q) == SQLITE_ROW)
            m_triggers.emplace_back(reinterpret_cast<const char *>(sqlite3_column_text(q, 0)),
                                    reinterpret_cast<const char *>(sqlite3_column_text(q, 1)));
        sqlite3_finalize(q);
    }
    size_t count() const { return m_triggers.size(); }
    bool set(bool on) const
    {
        if (on == m_on)
            return true;
        for (const auto &[name, sql] : m_triggers)
            if (!m_db.exec((on ? sql : "DROP TRIGGER " + name).c_str()))
                return false;
        m_on = on;
        return true;
    }

private:
    const RawDatabase &m_db;
    std::vector<std::pair<std::string, std::string>> m_triggers;
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
            if (!triggers.set(false) || !prepare() || (record && !triggers.set(true)))
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
    std::printf("%-44s record %8.1f ms, dropped %8.1f ms, ratio %.2f (goal <= %.1f)\n", what,
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

bool generateLines(const RawDatabase &db, qint64 from, qint64 to, const QByteArray &start)
{
    const QByteArray sql =
        "BEGIN IMMEDIATE;"
        "WITH RECURSIVE n(i) AS (SELECT " +
        QByteArray::number(from) + " UNION ALL SELECT i + 1 FROM n WHERE i < " +
        QByteArray::number(to) +
        ") INSERT INTO HISTALTERACAO (DTALTERACAO, CDUSUARIO, DSENDERECO, NMMETODO, NMTABELA,"
        " IDOPERACAO, CDTABEPREC, DTINIVGPREC, CDPRODUTO, CDPRPAITABPR, DSCHAVE, DSANTES,"
        " DSDEPOIS) SELECT 1600000000000000 + i, 'gerente', '127.0.0.1', 'SetItemPreco',"
        " 'ITEMPRECO', 'A', '001', '" +
        start +
        "', printf('X%09d', i % 100000), printf('X%09d', i % 100000),"
        " '[\"001\"]', '{\"VRPRECITEM\":\"1.00\"}', '{\"VRPRECITEM\":\"2.00\"}' FROM n;"
        "COMMIT;";
    return db.exec(sql.constData());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // --rounds N, --lines N: a quicker look.
    int rounds = 3;
    qint64 bigLines = 10000000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (qstrcmp(argv[i], "--rounds") == 0)
            rounds = std::max(1, atoi(argv[i + 1]));
        if (qstrcmp(argv[i], "--lines") == 0)
            bigLines = std::max<qint64>(20000, atoll(argv[i + 1]));
    }
    std::fprintf(stderr, "loading %d synthetic products...\n", kProducts);
    BenchServer server(kProducts, 8);
    BenchClient client(server.port(), server.token());
    RawDatabase db(server.dbPath());
    const RecordTriggers triggers(db);
    const QDate start = server.currentStart();
    const QByteArray startText = start.toString(Qt::ISODate).toUtf8();
    std::printf("%zu record triggers; %d products; best of %d\n", triggers.count(), kProducts,
                rounds);

    double on = 0, off = 0;
    int copy = 0;
    if (!onAgainstOff(
            triggers, rounds,
            [&] { return db.exec("DELETE FROM TABEPRECGER WHERE CDTABEPREC >= '800'"); },
            [&] {
                return timed(client, QStringLiteral("setConfirmar"),
                             {QString::number(800 + copy++), "COPIA", "001", "", "T"});
            },
            on, off))
        return 1;
    report("setConfirmar, every product, every period:", on, off, 1.5);

    int flip = 0;
    if (!onAgainstOff(
            triggers, rounds, [] { return true; },
            [&] {
                const char *flag = flip++ % 2 ? "N" : "S";
                return timed(client, QStringLiteral("SetUpdItemPrecoAlt"),
                             {flag, "", "", "", "T", data::Value(), false, "001", start});
            },
            on, off))
        return 1;
    report("SetUpdItemPrecoAlt, every product:", on, off, 1.5);

    sqlite3_stmt *q = nullptr;
    sqlite3_prepare_v2(db.handle(),
                       "SELECT DTFINVGPREC FROM TABEVEND WHERE CDTABEPREC = '001' AND"
                       " DTINIVGPREC = ?",
                       -1, &q, nullptr);
    sqlite3_bind_text(q, 1, startText.constData(), -1, SQLITE_STATIC);
    sqlite3_step(q);
    const QDate end = QDate::fromString(
        QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(q, 0))), Qt::ISODate);
    sqlite3_finalize(q);
    data::ValueArray dif{false, false, false, true, true, true, true, true, true, true};
    dif.insert(dif.end(), {false, true, false, 0, 0, "001", "", "", "00:02", "23:59", start, end,
                           start, 1.0, "", nullptr, "T", 1});
    if (!onAgainstOff(
            triggers, rounds,
            [&] { return db.exec("DELETE FROM ITEMPRECODIA WHERE HRINIPRECDIA = '0002'"); },
            [&] { return timed(client, QStringLiteral("SetPrecDif"), dif); }, on, off))
        return 1;
    report("SetPrecDif, every product, every day:", on, off, 1.5);

    // One item save, 200 in a row each way, their mean.
    data::Reply reply;
    QString product;
    {
        sqlite3_stmt *p = nullptr;
        sqlite3_prepare_v2(db.handle(),
                           "SELECT MIN(CDPRODUTO) FROM ITEMPRECO WHERE CDTABEPREC = '001' AND"
                           " DTINIVGPREC = ? AND CDPRODUTO = CDPRPAITABPR AND VRPRECITEM > 0",
                           -1, &p, nullptr);
        sqlite3_bind_text(p, 1, startText.constData(), -1, SQLITE_STATIC);
        sqlite3_step(p);
        product = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(p, 0)));
        sqlite3_finalize(p);
    }
    if (client.call(QStringLiteral("getItemPreco"), {"001", start, "4", product, ""}, reply) != 200)
        return 1;
    data::DataPacket items = reply.result.packet();
    data::Row row = items.rows.at(0);
    const int price = items.indexOf(QStringLiteral("VRPRECITEM"));
    int saved = 0;
    const auto save = [&] {
        data::Row changed = row;
        changed[price] = 10.0 + (saved++ % 5000) * 0.01;
        data::ChangeSet cs;
        cs.fields = items.fields;
        cs.changes.push_back({data::Change::Op::Modify, row, changed});
        const double ns = timed(client, QStringLiteral("SetItemPreco"), {cs, ""});
        row = changed;
        return ns;
    };
    if (!onAgainstOff(
            triggers, rounds * 2, [] { return true; },
            [&] {
                double total = 0;
                for (int i = 0; i < 200; ++i) {
                    const double ns = save();
                    if (ns < 0)
                        return -1.0;
                    total += ns;
                }
                return total / 200;
            },
            on, off))
        return 1;
    report("SetItemPreco, one row (mean of 200):", on, off, 1.2);

    // The history of one item: the record emptied, 10,000 lines, then 10,000,000.
    {
        Session admin;
        admin.login = QStringLiteral("bench");
        const CallScope scope(
            CallContext{QString::fromUtf16(kPruneMethod), QStringLiteral("bench"), admin});
        HistoryRepository(server.database()).prune(QDate::currentDate().addDays(2));
    }
    for (int i = 0; i < 20; ++i)
        if (save() < 0)
            return 1;
    const data::ValueArray item{"001", start, product, product};
    QElapsedTimer fill;
    fill.start();
    if (!generateLines(db, 1, 10000, startText))
        return 1;
    const double small = historyTime(client, item, 200);
    std::fprintf(stderr, "generating %lld lines...\n", static_cast<long long>(bigLines));
    if (!generateLines(db, 10001, bigLines, startText))
        return 1;
    const double big = historyTime(client, item, 200);
    std::printf("getHistItemPreco, one item of 20 changes: among 10,000 lines %.2f ms, among "
                "%lld %.2f ms, ratio %.2f (goal <= 1.2; lines generated in %.0f s)\n",
                small / 1e6, static_cast<long long>(bigLines), big / 1e6, big / small,
                fill.elapsed() / 1000.0);
    return 0;
}
