// A server on PostgreSQL losing its database: every backend terminated, then the database
// stopped and started again, while clients keep calling. Prints how the calls were answered
// and how long after PostgreSQL accepts connections again the first call is served (goal:
// under 5 s). Starts a throwaway cluster of its own (scripts/pgcluster.sh).
//   bench_pg_reconnect [--clients N]

#include "benchserver.h"

#include "server/dberror.h"
#include "server/demodata.h"
#include "server/demousers.h"
#include "server/schema.h"
#include "server/sessionstore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlQuery>
#include <QUrl>

#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

using namespace vnd::server;
using namespace vnd::server::bench;

namespace
{

QString g_cluster;

bool cluster(const QString &what, QString *output = nullptr)
{
    QProcess p;
    p.start(QStringLiteral(VND_PGCLUSTER_SCRIPT), {what, g_cluster});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        std::fprintf(stderr, "pgcluster.sh %s falhou: %s\n", qPrintable(what),
                     p.readAllStandardError().constData());
        return false;
    }
    if (output)
        *output = QString::fromUtf8(p.readAllStandardOutput());
    return true;
}

// Clients calling getTabGeral (and one saving now and then) in a loop; counts the answers by
// status and notes when the first 200 came after a given moment.
class Callers
{
public:
    Callers(int port, std::string token, int clients) : m_port(port), m_token(std::move(token))
    {
        m_clock.start();
        for (int i = 0; i < clients; ++i)
            m_threads.emplace_back([this, i] { loop(i); });
    }
    ~Callers()
    {
        m_stop = true;
        for (auto &t : m_threads)
            t.join();
    }
    qint64 now() const { return m_clock.elapsed(); }
    void countFrom(qint64 ms)
    {
        std::lock_guard lock(m_mutex);
        m_counts.clear();
        m_since = ms;
        m_firstOk = -1;
    }
    std::map<int, int> counts() const
    {
        std::lock_guard lock(m_mutex);
        return m_counts;
    }
    // When the first 200 after countFrom came; -1 if none yet.
    qint64 firstOk() const
    {
        std::lock_guard lock(m_mutex);
        return m_firstOk;
    }

private:
    void loop(int client)
    {
        BenchClient c(m_port, m_token);
        vnd::data::Reply reply;
        for (int n = 0; !m_stop; ++n) {
            int status = 0;
            if (client == 0 && n % 10 == 0) {
                vnd::data::ChangeSet cs;
                cs.fields = {{QStringLiteral("CDTABEPREC"), vnd::data::FieldType::String, 3},
                             {QStringLiteral("NMTABEPREC"), vnd::data::FieldType::String, 40}};
                status = c.call(QStringLiteral("setTabGeral"), {cs}, reply);
            } else {
                status = c.call(QStringLiteral("getTabGeral"), {}, reply);
            }
            {
                std::lock_guard lock(m_mutex);
                ++m_counts[status];
                if (status == 200 && m_firstOk < 0 && m_clock.elapsed() >= m_since)
                    m_firstOk = m_clock.elapsed();
            }
            if (status != 200)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    int m_port;
    std::string m_token;
    QElapsedTimer m_clock;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::map<int, int> m_counts;
    qint64 m_since = 0;
    qint64 m_firstOk = -1;
    std::vector<std::thread> m_threads;
};

// As the cluster's administrator, unprepared (PostgreSQL prepares no CREATE DATABASE).
void asAdmin(const QString &url, const QString &sql)
{
    const Database admin(url);
    QSqlQuery q(admin.connection());
    if (!q.exec(sql))
        throw DbError::fromSqlError(q.lastError());
}

QString answers(const std::map<int, int> &counts)
{
    QStringList parts;
    for (const auto &[status, n] : counts)
        parts << QStringLiteral("%1 × %2").arg(n).arg(status == 0 ? QStringLiteral("sem resposta")
                                                                  : QString::number(status));
    return parts.join(QStringLiteral(", "));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int clients = 8;
    for (int i = 1; i + 1 < argc; ++i)
        if (QByteArray(argv[i]) == "--clients")
            clients = std::max(1, atoi(argv[i + 1]));

    QString started;
    if (!cluster(QStringLiteral("start"), &started))
        return 1;
    QString admin;
    for (const QString &line : started.split(u'\n')) {
        if (line.startsWith(QLatin1String("export VND_TEST_PG=")))
            admin = line.mid(19);
        if (line.startsWith(QLatin1String("export VND_PGCLUSTER=")))
            g_cluster = line.mid(21);
    }
    int status = 1;
    try {
        asAdmin(admin, QStringLiteral("CREATE DATABASE bench"));
        QUrl url(admin);
        url.setPath(QStringLiteral("/bench"));
        const Database database(url.toString());
        Schema::upgrade(database);
        loadDemoData(database, QDate::currentDate());
        addDemoUsers(database);
        ServerOptions options;
        options.port = 0;
        options.threads = 16;
        options.logRequests = false;
        Server server(database, options);
        const int port = server.bind();
        std::thread serving([&server] { server.run(); });
        {
            Callers callers(port,
                            SessionStore(database)
                                .open(QStringLiteral("gerente"), QStringLiteral("bench"),
                                      QDateTime::currentSecsSinceEpoch(), options.sessions)
                                .toStdString(),
                            clients);
            std::this_thread::sleep_for(std::chrono::seconds(1));

            // Every backend of the database terminated while the clients call.
            callers.countFrom(callers.now());
            asAdmin(admin, QStringLiteral("SELECT pg_terminate_backend(pid) FROM "
                                          "pg_stat_activity WHERE datname = 'bench'"));
            std::this_thread::sleep_for(std::chrono::seconds(2));
            std::printf("backends terminated, %d clients, next 2 s: %s\n", clients,
                        qPrintable(answers(callers.counts())));

            // Stopped for 3 s, then started again.
            QElapsedTimer t;
            t.start();
            if (cluster(QStringLiteral("halt"))) {
                const qint64 halt = t.elapsed();
                callers.countFrom(callers.now());
                std::this_thread::sleep_for(std::chrono::seconds(3));
                const auto down = callers.counts();
                t.restart();
                const bool resumed = cluster(QStringLiteral("resume"));
                const qint64 start = t.elapsed();
                callers.countFrom(callers.now());
                const qint64 back = callers.now();
                while (resumed && callers.firstOk() < 0 && callers.now() - back < 30000)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                const qint64 first = callers.firstOk() < 0 ? -1 : callers.firstOk() - back;
                std::this_thread::sleep_for(std::chrono::seconds(2));
                std::printf("PostgreSQL stopped (pg_ctl stop %lld ms), 3 s down: %s\n", halt,
                            qPrintable(answers(down)));
                std::printf("PostgreSQL started (pg_ctl start %lld ms); first 200 %lld ms after "
                            "it accepts connections (goal < 5000 ms, %.3f of it); next 2 s: %s\n",
                            start, first, double(first) / 5000.0,
                            qPrintable(answers(callers.counts())));
                status = first >= 0 && first < 5000 ? 0 : 1;
            }
        }
        server.stop();
        serving.join();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "erro: %s\n", e.what());
    }
    cluster(QStringLiteral("stop"));
    return status;
}
