// Transport and request handling: encodings, malformed input, limits, hostile texts.

#include "serverfixture.h"

#include "wire/codec.h"

#include <httplib.h>

#include <QRegularExpression>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vnd::server::test
{
namespace
{

using data::Encoding;
using data::Value;
using data::ValueArray;

using ProtocolTest = ServerFixture;

TEST_F(ProtocolTest, JsonAndCborCarryTheSameAnswer)
{
    const Answer json = call(QStringLiteral("getVigenciaTab"), {"001"}, Encoding::Json);
    const Answer cbor = call(QStringLiteral("getVigenciaTab"), {"001"}, Encoding::Cbor);
    ASSERT_EQ(json.status, 200);
    ASSERT_EQ(cbor.status, 200);
    const auto &a = json.reply.result.packet();
    const auto &b = cbor.reply.result.packet();
    EXPECT_EQ(a.fields, b.fields);
    ASSERT_EQ(a.rows.size(), 3u);
    EXPECT_EQ(a.rows, b.rows);
    EXPECT_EQ(json.reply.refs.size(), 1u);
}

TEST_F(ProtocolTest, MethodNamesIgnoreCaseAndUnknownOnesAre404)
{
    const struct {
        const char *method;
        int status;
    } cases[] = {{"getTabGeral", 200},
                 {"GETTABGERAL", 200},
                 {"gettabgeral", 200},
                 {"getTabelaGeral", 404},
                 {"DROP TABLE", 404}};
    for (const auto &c : cases) {
        const Answer a = call(QString::fromLatin1(c.method), {});
        EXPECT_EQ(a.status, c.status) << c.method;
        EXPECT_EQ(a.reply.ok, c.status == 200) << c.method;
        if (c.status != 200) {
            EXPECT_FALSE(a.reply.errorMessage.isEmpty()) << c.method;
        }
    }
}

TEST_F(ProtocolTest, MalformedBodiesAreRefused)
{
    const struct {
        const char *name;
        std::string body;
        std::string type;
        int status;
    } cases[] = {
        {"truncated json", "{\"args\": [", "application/json", 400},
        {"not an object", "[1,2]", "application/json", 400},
        {"args not a list", "{\"args\": 5}", "application/json", 400},
        {"empty body", "", "application/json", 400},
        {"garbage cbor", std::string("\xff\x00\x13\x37", 4), "application/cbor", 400},
        {"unknown content type", "{\"args\": []}", "text/plain", 415},
        {"invalid date",
         "{\"args\": [\"001\", {\"date\": \"2024-13-45\"}, {\"date\": "
         "\"2024-01-01\"}]}",
         "application/json", 400},
    };
    for (const auto &c : cases) {
        const Answer a = post("/vnd42700.rdmTabGeral/getVdPeriodo", c.body, c.type);
        EXPECT_EQ(a.status, c.status) << c.name;
        EXPECT_FALSE(a.reply.ok) << c.name;
        EXPECT_FALSE(a.reply.errorMessage.isEmpty()) << c.name;
    }
    EXPECT_EQ(call(QStringLiteral("getTabGeral"), {}).status, 200);
}

TEST_F(ProtocolTest, WrongArgumentCountsAndKindsAre400)
{
    const data::ChangeSet empty;
    const struct {
        const char *method;
        ValueArray args;
    } cases[] = {
        {"getTabGeral", {"001"}},
        {"getVdTabGeral", {}},
        {"getVdTabGeral", {qint64(1)}},
        {"getVdPeriodo", {"001", "2024-01-01", "2024-02-01"}},
        {"getVdPeriodo", {"001", nullptr, QDate(2024, 1, 1)}},
        {"setTabGeral", {"nada"}},
        {"setVigenciaTab", {empty, empty}},
        {"getItemPreco", {"001", QDate(2024, 1, 1), "quatro", "", "T"}},
        {"getItemPreco", {"001", QDate(2024, 1, 1), qint64(4), "", "T"}},
        {"setApagaPreco", {"001", "31/02/2024", "0000000001", "0000000001"}},
        {"SetItemPreco", {empty, "CAMPO;DROP|"}},
        {"getVdModalidade", {"001", QDate(2024, 1, 1), "1", "1", "T", "1", "1000", "1100"}},
        {"getFilOutTab", {"0001", 3.5}},
    };
    for (const auto &c : cases) {
        const Answer a = call(QString::fromLatin1(c.method), c.args);
        EXPECT_EQ(a.status, 400) << c.method << " " << qPrintable(a.reply.errorMessage);
        EXPECT_EQ(a.reply.errorCode, QStringLiteral("bad_request")) << c.method;
    }
}

// Sends the request head only and reads the answer: the refusals come before any body.
std::string rawExchange(int port, const std::string &head)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(uint16_t(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string answer;
    if (::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0 &&
        ::send(fd, head.data(), head.size(), 0) == ssize_t(head.size())) {
        timeval tv{5, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        char buffer[4096];
        // Head and body may come in separate packets; the error object ends the answer.
        while (answer.find("}}") == std::string::npos) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            answer.append(buffer, size_t(n));
        }
    }
    ::close(fd);
    return answer;
}

TEST_F(ProtocolTest, BodiesOverTheLimitOrWithoutLengthAreRefused)
{
    const std::string path = "POST /vnd42700.rdmTabGeral/getTabGeral HTTP/1.1\r\n"
                             "Host: 127.0.0.1\r\nContent-Type: application/json\r\n";
    const struct {
        const char *name;
        std::string headers;
        const char *status;
        const char *code;
    } cases[] = {
        {"over the limit", "Content-Length: 2097152\r\n", " 413 ", "too_large"},
        {"chunked", "Transfer-Encoding: chunked\r\n", " 411 ", "length_required"},
        {"no length", "", " 411 ", "length_required"},
        {"compressed", "Content-Length: 12\r\nContent-Encoding: gzip\r\n", " 415 ", "unsupported"},
        {"length not a number", "Content-Length: 12abc\r\n", " 400 ", "bad_request"},
    };
    for (const auto &c : cases) {
        const std::string answer = rawExchange(port(), path + c.headers + "\r\n");
        EXPECT_NE(answer.find(c.status), std::string::npos) << c.name << ": " << answer;
        EXPECT_NE(answer.find(c.code), std::string::npos) << c.name;
    }
    EXPECT_EQ(call(QStringLiteral("getTabGeral"), {}).status, 200);
    // Refused before any method ran, each still has its line in the log.
    const QRegularExpression refused(QStringLiteral("^\\S+ \\d+ ms (400|411|413|415) "));
    EXPECT_EQ(log().filter(refused).size(), qsizetype(std::size(cases)))
        << log().join(u'\n').toStdString();
}

TEST_F(ProtocolTest, AnswersAreNeverCompressed)
{
    httplib::Client client("127.0.0.1", port());
    client.set_decompress(false);
    auto res = client.Post(
        "/vnd42700.rdmTabGeral/getItemPreco",
        {{"Accept-Encoding", "br, gzip, deflate"}, {"Authorization", "Bearer " + token()}},
        data::encodeRequest({"001", today(), "4", "", "T"}, Encoding::Json).toStdString(),
        "application/json");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_FALSE(res->has_header("Content-Encoding"));
}

// Every text argument of every method, with texts meant to break SQL or the decoder.
TEST_F(ProtocolTest, HostileTextsNeitherCrashNorReachTheSql)
{
    const std::string invalidUtf8Json = "{\"args\": [\"\xc3\x28\xff\"]}";
    const Answer raw =
        post("/vnd42700.rdmTabGeral/getVdTabGeral", invalidUtf8Json, "application/json");
    EXPECT_TRUE(raw.status == 200 || raw.status == 400) << raw.status;

    const QString hostile[] = {
        QStringLiteral("'"),
        QStringLiteral("'; DROP TABLE TABEPRECGER; --"),
        QStringLiteral("001' OR '1'='1"),
        QString(10000, QLatin1Char('A')),
        QString::fromUtf8("\xc3\x28\xed\xa0\x80"),
        QStringLiteral("%s%n\\0"),
    };
    const QDate d = today();
    for (const QString &h : hostile) {
        const struct {
            const char *method;
            ValueArray args;
        } calls[] = {
            {"getVdTabGeral", {h}},
            {"getVigenciaTab", {h}},
            {"getVdPeriodo", {h, d, d}},
            {"GetMaxDtFinVg", {h}},
            {"getFilTab", {h}},
            {"getVdFilTab", {h, h}},
            {"getFilOutTab", {h, h}},
            {"getItemPreco", {h, d, "4", h, h}},
            {"getItemPreco", {"001", d, h, "", "T"}},
            {"SetItemPreco", {data::ChangeSet{}, h}},
            {"setApagaPreco", {h, h, h, h}},
            {"getItemPrecoComp", {h, h, d}},
            {"GetPrecoHora", {h, d}},
            {"getVdModalidade", {h, d, h, h, h, h, h, h, d}},
        };
        for (const auto &c : calls) {
            const Answer a = call(QString::fromLatin1(c.method), c.args);
            EXPECT_TRUE(a.status == 200 || a.status == 400 || a.status == 422)
                << c.method << " " << a.status;
            if (a.status == 200 && a.reply.result.kind() == Value::Kind::Packet) {
                const auto &rows = a.reply.result.packet().rows;
                // Nothing matches a hostile code, except the all-products mark.
                if (QLatin1String(c.method) != QLatin1String("getItemPreco")) {
                    EXPECT_TRUE(rows.empty()) << c.method;
                }
            }
        }
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM TABEPRECGER")).toInt(), 3);

    // As stored values: a quote fits and is kept as typed; an overlong text is refused.
    data::ChangeSet tables = changeSetFor(packet(QStringLiteral("getTabGeral"), {}));
    tables.changes.push_back(insert({"007", "D'AVILA'; DROP --"}));
    EXPECT_EQ(call(QStringLiteral("setTabGeral"), {tables}).status, 200);
    EXPECT_EQ(scalar(QStringLiteral("SELECT NMTABEPREC FROM TABEPRECGER WHERE CDTABEPREC = ?"),
                     {QStringLiteral("007")})
                  .toString(),
              QStringLiteral("D'AVILA'; DROP --"));
    tables.changes = {insert({"008", QString(10000, QLatin1Char('x'))})};
    const Answer overlong = call(QStringLiteral("setTabGeral"), {tables});
    EXPECT_EQ(overlong.status, 422);
    EXPECT_FALSE(
        scalar(QStringLiteral("SELECT 1 FROM TABEPRECGER WHERE CDTABEPREC = '008'")).isValid());
}

// Codes go in as the windows pad them, or not at all; no code or name keeps a control character
// (a NUL, a line break, a bidi override that shows one text and stores another).
TEST_F(ProtocolTest, CodesArePaddedOrRefusedAndTextsTakeNoControlCharacters)
{
    const struct {
        const char *name;
        data::Row row;
        int status;
    } tables[] = {
        {"digits, padded", {" 7", "SETE"}, 200},
        {"letters", {"abc", "LETRAS"}, 422},
        {"NUL", {QString(QChar(0)), "NULO"}, 422},
        {"bidi override in the code", {QStringLiteral("\u202e10"), "INVERTIDO"}, 422},
        {"bidi override in the name", {"011", QStringLiteral("TABELA\u202eX")}, 422},
        {"line break in the name", {"012", "DUAS\nLINHAS"}, 422},
    };
    for (const auto &c : tables) {
        data::ChangeSet cs = changeSetFor(packet(QStringLiteral("getTabGeral"), {}));
        cs.changes.push_back(insert(c.row));
        EXPECT_EQ(call(QStringLiteral("setTabGeral"), {cs}).status, c.status) << c.name;
    }
    EXPECT_EQ(packet(QStringLiteral("getVdTabGeral"), {"007"}).rows.size(), 1u);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM TABEPRECGER")).toInt(), 4);

    // Branch "4" is 0004, which table 002 holds: a clash, not an unknown branch.
    data::ChangeSet branch = changeSetFor(packet(QStringLiteral("getFilTab"), {"001"}));
    branch.changes.push_back(insert({"1", "", "4"}));
    EXPECT_EQ(call(QStringLiteral("setFilTab"), {branch}).status, 409);

    const QDate start =
        currentPeriodStart(packet(QStringLiteral("getVigenciaTab"), {"001"}), today());
    const auto items = packet(QStringLiteral("getItemPreco"), {"001", start, "4", "", "T"});
    data::Row renamed = items.rows[0];
    renamed[items.indexOf(QStringLiteral("NMPRODUTO"))] =
        QStringLiteral("A") + QChar(0) + QStringLiteral("B");
    data::ChangeSet item = changeSetFor(items);
    item.changes.push_back(modify(items.rows[0], renamed));
    EXPECT_EQ(call(QStringLiteral("SetItemPreco"), {item, ""}).status, 422);
}

// Refused characters in any text argument, and a NUL (which no database holds alike) anywhere,
// get one 422 on both databases before any statement runs.
TEST_F(ProtocolTest, RefusedCharactersInArgumentsAreOne422OnBothDatabases)
{
    const QString nul = QStringLiteral("00") + QChar(0);
    const QDate start =
        currentPeriodStart(packet(QStringLiteral("getVigenciaTab"), {"001"}), today());
    data::ChangeSet loadedWithNul = changeSetFor(packet(QStringLiteral("getTabGeral"), {}));
    loadedWithNul.changes.push_back(modify({nul, "X"}, {"001", "X"}));
    const struct {
        const char *method;
        ValueArray args;
        const char *message;
    } calls[] = {
        {"getVdTabGeral",
         {nul},
         "O argumento 1 de getVdTabGeral não aceita caracteres de controle."},
        {"getItemPreco",
         {"001", start, "4", QStringLiteral("\u202e1"), ""},
         "O argumento 4 de getItemPreco não aceita caracteres de controle."},
        {"setApagaPreco",
         {"001", start.toString(QStringLiteral("dd/MM/yyyy")), nul, nul},
         "O argumento 3 de setApagaPreco não aceita caracteres de controle."},
        {"setTabGeral", {loadedWithNul}, "O campo CDTABEPREC não aceita caracteres de controle."},
    };
    for (const auto &c : calls) {
        const Answer a = call(QString::fromLatin1(c.method), c.args);
        EXPECT_EQ(a.status, 422) << c.method;
        EXPECT_EQ(a.reply.errorMessage.toStdString(), c.message);
    }
    EXPECT_TRUE(log().filter(QStringLiteral("500")).isEmpty()) << log().join(u'\n').toStdString();
}

} // namespace
} // namespace vnd::server::test
