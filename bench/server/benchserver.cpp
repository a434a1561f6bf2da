#include "benchserver.h"

#include "server/changecontext.h"

#include "server/demousers.h"
#include "server/schema.h"
#include "server/sessionstore.h"
#include "server/syntheticdata.h"
#include "wire/codec.h"

#include <httplib.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <QDateTime>
#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace vnd::server::bench
{

ServingThread::ServingThread(const Database &database, ServerOptions options)
{
    options.port = 0;
    m_server = std::make_unique<Server>(database, options);
    m_port = m_server->bind();
    m_thread = std::thread([this] {
        m_server->run();
        m_finished = true;
    });
}

ServingThread::~ServingThread()
{
    // A stop that comes before run() started serving is missed: repeated until it ends.
    while (!m_finished) {
        m_server->stop();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    m_thread.join();
}

BenchServer::BenchServer(int products, int threads, const QString &url)
    : m_today(QDate::currentDate())
{
    m_database =
        std::make_unique<Database>(url.isEmpty() ? QStringLiteral("sqlite:") + dbPath() : url);
    Schema::upgrade(*m_database);
    loadSyntheticData(*m_database, products, m_today);
    addDemoUsers(*m_database);
    ServerOptions options;
    options.threads = threads;
    options.logRequests = false;
    m_token = SessionStore(*m_database)
                  .open(QStringLiteral("gerente"), QStringLiteral("bench"),
                        QDateTime::currentSecsSinceEpoch(), options.sessions)
                  .toStdString();
    m_serving = std::make_unique<ServingThread>(*m_database, options);
    m_port = m_serving->port();
}

BenchServer::~BenchServer() = default;

BenchClient::BenchClient(int port, std::string token)
    : m_client(std::make_unique<httplib::Client>("127.0.0.1", port)), m_token(std::move(token))
{
    m_client->set_keep_alive(true);
    m_client->set_tcp_nodelay(true);
    m_client->set_read_timeout(60, 0);
    m_client->set_decompress(false);
}

BenchClient::~BenchClient() = default;

httplib::Result BenchClient::post(const QString &method, const data::ValueArray &args)
{
    const QByteArray body = data::encodeRequest(args, data::Encoding::Cbor);
    httplib::Headers headers;
    if (!m_token.empty())
        headers.emplace("Authorization", "Bearer " + m_token);
    return m_client->Post(("/vnd42700.rdmTabGeral/" + method.toStdString()).c_str(), headers,
                          body.constData(), size_t(body.size()), "application/cbor");
}

int BenchClient::call(const QString &method, const data::ValueArray &args, data::Reply &reply)
{
    auto res = post(method, args);
    if (!res)
        return 0;
    // In the encoding it names, as the back office reads it: HAProxy answers in JSON.
    const auto enc = res->get_header_value("Content-Type").find("cbor") != std::string::npos
                         ? data::Encoding::Cbor
                         : data::Encoding::Json;
    try {
        reply = data::decodeReply(QByteArray::fromStdString(res->body), enc);
    } catch (const data::DecodeError &) {
        reply = {};
    }
    return res->status;
}

int BenchClient::callRaw(const QString &method, const data::ValueArray &args, qint64 &bytes)
{
    auto res = post(method, args);
    bytes = res ? qint64(res->body.size()) : 0;
    return res ? res->status : 0;
}

bool BenchClient::signIn(const QString &login, const QString &password)
{
    data::Reply reply;
    if (call(QStringLiteral("Entrar"), {login, password}, reply) != 200)
        return false;
    m_token = reply.result.toString().toStdString();
    return true;
}

ItemSaver::ItemSaver(BenchClient &client, QDate start, const QString &product) : m_client(client)
{
    data::Reply reply;
    client.call(QStringLiteral("getItemPreco"), {"001", start, "4", product, ""}, reply);
    if (reply.ok && reply.result.packet().rows.size() == 1) {
        m_items = reply.result.packet();
        m_row = m_items.rows[0];
    }
}

bool ItemSaver::save(BenchClient &client, double price)
{
    data::Row changed = m_row;
    changed[m_items.indexOf(u"VRPRECITEM")] = price;
    data::ChangeSet cs;
    cs.fields = m_items.fields;
    cs.changes.push_back({data::Change::Op::Modify, m_row, changed});
    data::Reply reply;
    if (client.call(QStringLiteral("SetItemPreco"), {cs, ""}, reply) != 200) {
        std::fprintf(stderr, "save failed: %s\n", qPrintable(reply.errorMessage));
        return false;
    }
    m_row = changed;
    return true;
}

RawDatabase::RawDatabase(const QString &pathOrUrl)
{
    if (pathOrUrl.startsWith(u"postgresql:")) {
        m_pg = PQconnectdb(pathOrUrl.toUtf8().constData());
        if (PQstatus(m_pg) != CONNECTION_OK)
            std::fprintf(stderr, "%s\n", PQerrorMessage(m_pg));
        return;
    }
    sqlite3_open(pathOrUrl.toUtf8().constData(), &m_db);
    // The change record's triggers ask it, as on the server's own connections.
    registerChangeFunction(m_db);
    sqlite3_busy_timeout(m_db, 10000);
    exec("PRAGMA foreign_keys = ON; PRAGMA synchronous = NORMAL");
}

RawDatabase::~RawDatabase()
{
    if (m_pg)
        PQfinish(m_pg);
    else
        sqlite3_close(m_db);
}

bool RawDatabase::exec(const char *sql) const
{
    if (m_pg) {
        PGresult *r = PQexec(m_pg, sql);
        const ExecStatusType status = PQresultStatus(r);
        const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
        if (ok)
            m_changes = QByteArray(PQcmdTuples(r)).toLongLong();
        else
            std::fprintf(stderr, "%s: %s\n", sql, PQerrorMessage(m_pg));
        PQclear(r);
        return ok;
    }
    char *error = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql, error ? error : "?");
        sqlite3_free(error);
        return false;
    }
    return true;
}

qint64 RawDatabase::changes() const
{
    return m_pg ? m_changes : sqlite3_changes(m_db);
}

namespace
{

QString dbArgument(int argc, char **argv)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (qstrcmp(argv[i], "--db") == 0)
            return QString::fromLocal8Bit(argv[i + 1]);
    return {};
}

int productsArgument(int argc, char **argv)
{
    int products = 100000;
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--db") == 0)
            ++i;
        else
            products = QByteArray(argv[i]).toInt();
    }
    std::fprintf(stderr, "loading %d synthetic products...\n", products);
    return products;
}

} // namespace

EndToEndBench::EndToEndBench(int argc, char **argv)
    : url(dbArgument(argc, argv)), products(productsArgument(argc, argv)), server(products, 8, url),
      client(server.port(), server.token()), db(url.isEmpty() ? server.dbPath() : url),
      start(server.currentStart()), startIso(start.toString(Qt::ISODate).toUtf8())
{
}

double timedCall(BenchClient &client, const QString &method, const data::ValueArray &args,
                 qint64 expected)
{
    data::Reply reply;
    QElapsedTimer timer;
    timer.start();
    const int status = client.call(method, args, reply);
    const double ns = double(timer.nsecsElapsed());
    if (status != 200 || reply.result.toVariant().toLongLong() != expected) {
        std::fprintf(stderr, "%s failed (%d): %s\n", qPrintable(method), status,
                     qPrintable(reply.errorMessage));
        return -1;
    }
    return ns;
}

std::vector<std::vector<double>> interleavedTimes(int rounds,
                                                  const std::vector<std::function<bool()>> &sides)
{
    std::vector<std::vector<double>> us(sides.size());
    for (int r = 0; r < rounds; ++r)
        for (size_t i = 0; i < sides.size(); ++i) {
            const size_t side = (i + size_t(r)) % sides.size();
            QElapsedTimer t;
            t.start();
            if (!sides[side]())
                return {};
            us[side].push_back(double(t.nsecsElapsed()) / 1000);
        }
    return us;
}

bool bestOfAlternating(int rounds, const std::function<double(int round)> &server,
                       const std::function<double(int round)> &bare, double &bestServer,
                       double &bestBare)
{
    bestServer = bestBare = 1e18;
    const auto run = [](const std::function<double(int)> &side, int round, double &best) {
        const double ns = side(round);
        best = std::min(best, ns);
        return ns >= 0;
    };
    for (int round = 0; round < rounds; ++round) {
        const bool ok = round % 2 ? run(bare, round, bestBare) && run(server, round, bestServer)
                                  : run(server, round, bestServer) && run(bare, round, bestBare);
        if (!ok)
            return false;
    }
    return true;
}

bool execSql(sqlite3 *db, const char *sql)
{
    char *error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s\n%s\n", sql, error ? error : "");
        sqlite3_free(error);
        return false;
    }
    return true;
}

} // namespace vnd::server::bench
