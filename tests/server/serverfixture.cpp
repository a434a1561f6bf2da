#include "serverfixture.h"

#include "server/demodata.h"
#include "server/demousers.h"
#include "server/log.h"
#include "server/schema.h"
#include "server/sessionstore.h"
#include "server/sqlstatement.h"
#include "wire/codec.h"
#include "wire/roles.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>

#include <httplib.h>

namespace vnd::server::test
{

using data::Encoding;

void ServerFixture::SetUp()
{
    m_today = QDate::currentDate();
    m_testDatabase = std::make_unique<TestDatabase>();
    m_database = std::make_unique<Database>(databaseUrl(), m_busyTimeoutMs);
    Schema::upgrade(*m_database);
    loadDemoData(*m_database, m_today);
    addDemoUsers(*m_database);
    m_token = openSession(QStringLiteral("gerente"));
    ServerOptions options = m_options;
    options.sessions = m_sessions;
    options.port = 0;
    options.maxConnections = m_maxConnections;
    setLogSink([this](const QString &line) {
        std::lock_guard lock(m_logMutex);
        m_log << line;
    });
    if (m_readOnlyServer)
        m_serverDatabase =
            std::make_unique<Database>(m_testDatabase->readOnlyUrl(), m_busyTimeoutMs);
    m_server =
        std::make_unique<Server>(m_serverDatabase ? *m_serverDatabase : *m_database, options);
    m_port = m_server->bind();
    ASSERT_GT(m_port, 0);
    m_thread = std::thread([this] {
        m_server->run();
        m_finished = true;
    });
}

void ServerFixture::TearDown()
{
    if (m_server) {
        // stop() may come before run() started listening; repeat until it returns.
        while (!m_finished) {
            m_server->stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        m_thread.join();
    }
    m_server.reset();
    m_serverDatabase.reset();
    m_database.reset();
    m_testDatabase.reset();
    setLogSink({});
}

QStringList ServerFixture::log() const
{
    std::lock_guard lock(m_logMutex);
    return m_log;
}

Answer ServerFixture::post(const std::string &path, const std::string &body,
                           const std::string &type, const std::string &extraHeader) const
{
    return postTo(m_port, path, body, type, extraHeader, m_token);
}

Answer ServerFixture::call(const QString &method, const data::ValueArray &args, Encoding enc) const
{
    return callOn(m_port, method, args, enc, m_token);
}

Answer ServerFixture::callAs(const std::string &token, const QString &method,
                             const data::ValueArray &args) const
{
    return callOn(m_port, method, args, Encoding::Cbor, token);
}

std::string ServerFixture::openSession(const QString &login) const
{
    return SessionStore(*m_database)
        .open(login, QStringLiteral("teste"), QDateTime::currentSecsSinceEpoch(), m_sessions)
        .toStdString();
}

Answer signInOn(int port, const QString &login, const QString &password)
{
    return callOn(port, QString::fromUtf16(data::kSignInMethod), {login, password}, Encoding::Json);
}

std::string tokenOf(const Answer &signIn)
{
    if (signIn.status != 200 || signIn.reply.result.kind() != data::Value::Kind::String)
        return {};
    return signIn.reply.result.toString().toStdString();
}

Answer postTo(int port, const std::string &path, const std::string &body, const std::string &type,
              const std::string &extraHeader, const std::string &token)
{
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(30, 0);
    client.set_decompress(false);
    httplib::Headers headers;
    if (!extraHeader.empty()) {
        const auto colon = extraHeader.find(':');
        headers.emplace(extraHeader.substr(0, colon), extraHeader.substr(colon + 2));
    }
    if (!token.empty())
        headers.emplace("Authorization", "Bearer " + token);
    auto res = client.Post(path.c_str(), headers, body, type.c_str());
    Answer a;
    if (!res)
        return a;
    a.status = res->status;
    a.retryAfter = res->get_header_value("Retry-After");
    const Encoding enc = res->get_header_value("Content-Type").find("cbor") != std::string::npos
                             ? Encoding::Cbor
                             : Encoding::Json;
    a.reply = data::decodeReply(QByteArray::fromStdString(res->body), enc);
    return a;
}

Answer callOn(int port, const QString &method, const data::ValueArray &args, Encoding enc,
              const std::string &token)
{
    const QByteArray body = data::encodeRequest(args, enc);
    return postTo(port, "/vnd42700.rdmTabGeral/" + method.toStdString(), body.toStdString(),
                  data::contentType(enc), {}, token);
}

data::DataPacket ServerFixture::packet(const QString &method, const data::ValueArray &args) const
{
    const Answer a = call(method, args);
    EXPECT_EQ(a.status, 200) << qPrintable(method) << ": " << qPrintable(a.reply.errorMessage);
    if (!a.reply.ok || a.reply.result.kind() != data::Value::Kind::Packet)
        return {};
    return a.reply.result.packet();
}

QVariant ServerFixture::scalar(const QString &sql, const QVariantList &values) const
{
    SqlStatement q(m_database->connection(), sql);
    for (const QVariant &v : values)
        q.bind(v);
    q.exec();
    return q.next() ? q.value(0) : QVariant();
}

void ServerFixture::exec(const QString &sql) const
{
    QSqlQuery q(m_database->connection());
    EXPECT_TRUE(q.exec(sql)) << q.lastError().text().toStdString();
}

void ServerFixture::addPricedProducts(int count, QDate start) const
{
    const QString code = onPostgres() ? QStringLiteral("'9' || lpad(I::text, 9, '0')")
                                      : QStringLiteral("printf('9%09d', I)");
    const QString tree = onPostgres() ? QStringLiteral("'99.' || lpad(I::text, 6, '0')")
                                      : QStringLiteral("printf('99.%06d', I)");
    exec(QStringLiteral("WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < "
                        "%1) INSERT INTO PRODUTO (CDPRODUTO, NMPRODUTO, CDARVPROD, CDNVPRODUTO) "
                        "SELECT %2, 'Ração \"' || I || '\"', %3, 4 FROM N")
             .arg(count)
             .arg(code, tree));
    exec(QStringLiteral("WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < "
                        "%1) INSERT INTO ITEMPRECO (CDTABEPREC, DTINIVGPREC, CDPRODUTO, "
                        "CDPRPAITABPR, VRPRECITEM, VRPRECITEMCL) SELECT '001', '%2', %3, %3, "
                        "I + 0.25, CASE WHEN I % 2 = 0 THEN NULL ELSE I * 0.5 END FROM N")
             .arg(count)
             .arg(start.toString(Qt::ISODate), code));
    // Without fresh statistics PostgreSQL joins the new rows as if they were a handful.
    if (onPostgres())
        exec(QStringLiteral("ANALYZE"));
}

QDate currentPeriodStart(const data::DataPacket &periods, QDate today)
{
    for (const data::Row &r : periods.rows)
        if (r[1].toDate() <= today && today <= r[2].toDate())
            return r[1].toDate();
    return {};
}

data::ChangeSet changeSetFor(const data::DataPacket &packet)
{
    data::ChangeSet c;
    c.fields = packet.fields;
    return c;
}

data::Change modify(const data::Row &oldRow, const data::Row &newRow)
{
    return {data::Change::Op::Modify, oldRow, newRow};
}

data::Change insert(const data::Row &row)
{
    return {data::Change::Op::Insert, {}, row};
}

data::Change remove(const data::Row &row)
{
    return {data::Change::Op::Delete, row, {}};
}

} // namespace vnd::server::test
