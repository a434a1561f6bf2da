// getItemPreco of every product, as JSON bytes arriving on a socket, against a bare sqlite3
// loop over the same join writing the same JSON text; then the server's peak memory for
// that answer at two catalogue sizes, measured on a separate server process.
//   bench_server_stream [PRODUCTS [MEMORY_SIZES...]]   (default 100000, then 100000 900000)

#include "benchserver.h"

#include "wire/codec.h"

#include <sqlite3.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

using namespace vnd::server;
using namespace vnd::server::bench;
namespace data = vnd::data;

namespace
{

// One kept-alive connection that sends a request and reads the answer's bytes, undecoded.
class RawHttp
{
public:
    RawHttp(int port, std::string token) : m_token(std::move(token))
    {
        m_fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = htons(quint16(port));
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const int one = 1;
        setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        m_ok = ::connect(m_fd, reinterpret_cast<sockaddr *>(&at), sizeof at) == 0;
    }
    ~RawHttp() { ::close(m_fd); }
    bool ok() const { return m_ok; }

    // The whole answer, head and chunked body; empty when the connection failed.
    const std::string &post(const std::string &method, const QByteArray &body, const char *type)
    {
        std::string request = "POST /vnd42700.rdmTabGeral/" + method +
                              " HTTP/1.1\r\nHost: bench\r\nAuthorization: Bearer " + m_token +
                              "\r\nContent-Type: " + type +
                              "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n";
        request.append(body.constData(), size_t(body.size()));
        m_answer.clear();
        if (::send(m_fd, request.data(), request.size(), 0) != ssize_t(request.size()))
            return m_answer;
        char buf[256 * 1024];
        static const std::string last = "\r\n0\r\n\r\n";
        size_t head = std::string::npos;   // where the body starts, once the head is in
        size_t length = std::string::npos; // the body's length when not chunked
        for (;;) {
            const ssize_t n = ::recv(m_fd, buf, sizeof buf, 0);
            if (n <= 0) {
                m_answer.clear();
                return m_answer;
            }
            m_answer.append(buf, size_t(n));
            if (head == std::string::npos) {
                const auto end = m_answer.find("\r\n\r\n");
                if (end == std::string::npos)
                    continue;
                head = end + 4;
                // An answer short enough to go whole carries its length instead.
                const auto at = m_answer.find("Content-Length: ");
                if (at != std::string::npos && at < end)
                    length = std::stoul(m_answer.substr(at + 16));
            }
            // Only the tail is looked at: the answer can be tens of megabytes.
            if (length != std::string::npos
                    ? m_answer.size() - head >= length
                    : m_answer.size() >= last.size() &&
                          m_answer.compare(m_answer.size() - last.size(), last.size(), last) == 0)
                return m_answer;
        }
    }

private:
    int m_fd = -1;
    std::string m_token;
    bool m_ok = false;
    std::string m_answer;
};

std::string dechunked(const std::string &answer)
{
    std::string body;
    size_t at = answer.find("\r\n\r\n") + 4;
    for (;;) {
        const size_t size = std::stoul(answer.substr(at, 16), nullptr, 16);
        at = answer.find("\r\n", at) + 2;
        if (size == 0)
            return body;
        body.append(answer, at, size);
        at += size + 2;
    }
}

const char *kJoin =
    "SELECT P.NMPRODUTO, P.CDPRODUTO, ?1, P.CDPRODUTO,"
    " (SELECT COUNT(*) FROM PRODCOMP C WHERE C.CDPRODUTO = P.CDPRODUTO),"
    " I.VRPRECITEM, I.VRPRECITEMCMD, I.VRPRECITEMDLV, I.VRPRECITEMCL, ?2,"
    " I.IDPRECVARIA, I.VRPRESUGITEM, P.CDARVPROD, I.VRCUSTITEM, I.VRMKUPITEM,"
    " I.IDPRODPROMOC, P.CDBARPRODUTO, I.HRINIVENPROD, I.HRFIMVENPROD "
    "FROM PRODUTO P LEFT JOIN ITEMPRECO I ON I.CDTABEPREC = ?1 AND I.DTINIVGPREC = ?2 AND"
    " I.CDPRODUTO = P.CDPRODUTO AND I.CDPRPAITABPR = P.CDPRODUTO "
    "WHERE P.CDNVPRODUTO = 4 ORDER BY P.CDARVPROD";

void jsonText(std::string &out, const unsigned char *p, int n)
{
    out += '"';
    for (int i = 0; i < n; ++i) {
        const char c = char(p[i]);
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    out += '"';
}

// The rows as JSON text, straight from sqlite3: what a hand-written server would send.
std::string bareRows(sqlite3 *db, const std::string &start)
{
    static const bool isReal[] = {false, false, false, false, true, true,  true,
                                  true,  true,  false, false, true, false, true,
                                  true,  false, false, false, false};
    sqlite3_stmt *s = nullptr;
    sqlite3_prepare_v2(db, kJoin, -1, &s, nullptr);
    sqlite3_bind_text(s, 1, "001", 3, SQLITE_STATIC);
    sqlite3_bind_text(s, 2, start.data(), int(start.size()), SQLITE_STATIC);
    const std::string dateTime = "\"" + start + "T00:00:00\"";
    std::string out = "[";
    bool firstRow = true;
    while (sqlite3_step(s) == SQLITE_ROW) {
        out += firstRow ? "[" : ",[";
        firstRow = false;
        for (int c = 0; c < 19; ++c) {
            if (c)
                out += ',';
            if (sqlite3_column_type(s, c) == SQLITE_NULL) {
                out += "null";
            } else if (c == 9) {
                out += dateTime;
            } else if (isReal[c]) {
                char buf[40];
                char *end = std::to_chars(buf, buf + 38, sqlite3_column_double(s, c)).ptr;
                if (!std::memchr(buf, '.', size_t(end - buf)) &&
                    !std::memchr(buf, 'e', size_t(end - buf))) {
                    *end++ = '.';
                    *end++ = '0';
                }
                out.append(buf, size_t(end - buf));
            } else {
                jsonText(out, sqlite3_column_text(s, c), sqlite3_column_bytes(s, c));
            }
        }
        out += ']';
    }
    out += ']';
    sqlite3_finalize(s);
    return out;
}

double nsOf(const std::function<void()> &f)
{
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed());
}

bool ratioOfItems(int products)
{
    BenchServer server(products, 8);
    RawDatabase raw(server.dbPath());
    RawHttp http(server.port(), server.token());
    if (!http.ok())
        return false;
    const std::string start = server.currentStart().toString(Qt::ISODate).toStdString();
    const QByteArray request =
        data::encodeRequest({"001", server.currentStart(), "4", "", "T"}, data::Encoding::Json);
    const std::string answer = http.post("getItemPreco", request, "application/json");
    const std::string bare = bareRows(raw.handle(), start);
    const std::string body = dechunked(answer);
    const size_t rows = body.find("\"rows\":") + 7;
    if (answer.empty() || body.compare(rows, bare.size(), bare) != 0) {
        std::fprintf(stderr, "the server's rows differ from the bare loop's JSON text\n");
        return false;
    }
    size_t bytes = 0;
    double bestServer = 0, bestBare = 0;
    const bool ok = bestOfAlternating(
        7,
        [&](int) {
            return nsOf(
                [&] { bytes = http.post("getItemPreco", request, "application/json").size(); });
        },
        [&](int) { return nsOf([&] { bareRows(raw.handle(), start); }); }, bestServer, bestBare);
    if (!ok || bytes != answer.size())
        return false;
    std::printf("getItemPreco, %d products, JSON (%.1f MB on the socket, best of 7)\n", products,
                double(bytes) / 1e6);
    std::printf("  server, request to last byte received: %.1f ms\n", bestServer / 1e6);
    std::printf("  bare sqlite3 loop writing the same rows text: %.1f ms\n", bestBare / 1e6);
    std::printf("  ratio server / bare: %.2f (goal <= 1.3)\n", bestServer / bestBare);
    return true;
}

qint64 highWaterKb(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

int freePort()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof at;
    ::bind(fd, reinterpret_cast<sockaddr *>(&at), sizeof at);
    getsockname(fd, reinterpret_cast<sockaddr *>(&at), &len);
    ::close(fd);
    return ntohs(at.sin_port);
}

// The server's peak resident memory above idle while it sends every product's prices.
bool peakMemory(const QString &serverBinary, int products)
{
    QTemporaryDir dir;
    const QString db = QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("m.db"));
    QProcess init;
    init.start(serverBinary,
               {QStringLiteral("--db"), db, QStringLiteral("--init"), QStringLiteral("--synthetic"),
                QString::number(products), QStringLiteral("--demo-users")});
    if (!init.waitForFinished(-1) || init.exitCode() != 0) {
        std::fprintf(stderr, "--init failed: %s\n", init.readAllStandardError().constData());
        return false;
    }
    const int port = freePort();
    QProcess server;
    server.start(serverBinary, {QStringLiteral("--db"), db, QStringLiteral("--listen"),
                                QStringLiteral("127.0.0.1:%1").arg(port)});
    server.waitForStarted();
    std::unique_ptr<RawHttp> http;
    for (int i = 0; i < 500 && !(http && http->ok()); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        http = std::make_unique<RawHttp>(port, std::string());
    }
    // Signed in as the demo manager, on a connection of its own.
    const std::string signIn =
        http->post("Entrar", R"({"args":["gerente","gerente-demo"]})", "application/json");
    const std::string key = R"("result":")";
    const size_t at = signIn.find(key);
    if (at == std::string::npos) {
        std::fprintf(stderr, "sign-in refused: %s\n", signIn.c_str());
        return false;
    }
    const size_t from = at + key.size();
    http = std::make_unique<RawHttp>(port, signIn.substr(from, signIn.find('"', from) - from));
    const QDate start = QDate::currentDate().addDays(-30);
    const auto get = [&](const QString &only, data::Encoding enc) {
        const QByteArray body =
            data::encodeRequest({"001", start, "4", only, only.isEmpty() ? "T" : ""}, enc);
        return http->post("getItemPreco", body, data::contentType(enc)).size();
    };
    // Idle: every path of the answer taken once on a small one.
    get(QStringLiteral("0000000001"), data::Encoding::Json);
    get(QStringLiteral("0000000001"), data::Encoding::Cbor);
    const qint64 idle = highWaterKb(server.processId());
    const size_t json = get({}, data::Encoding::Json);
    const qint64 afterJson = highWaterKb(server.processId());
    const size_t cbor = get({}, data::Encoding::Cbor);
    const qint64 afterCbor = highWaterKb(server.processId());
    server.terminate();
    server.waitForFinished();
    std::printf("server peak memory (VmHWM), getItemPreco of %d products: idle %.1f MB; "
                "above idle after JSON (%.0f MB sent) %.1f MB, after CBOR (%.0f MB sent) %.1f MB "
                "(goal < 64 MB, independent of rows)\n",
                products, double(idle) / 1024, double(json) / 1e6, double(afterJson - idle) / 1024,
                double(cbor) / 1e6, double(afterCbor - idle) / 1024);
    return json > 0 && cbor > 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int products = args.size() > 1 ? args[1].toInt() : 100000;
    QList<int> sizes;
    for (int i = 2; i < args.size(); ++i)
        sizes << args[i].toInt();
    if (sizes.isEmpty())
        sizes = {100000, 900000};
    if (!ratioOfItems(products))
        return 1;
    for (const int n : sizes)
        if (!peakMemory(QStringLiteral(VND_SERVER_BINARY), n))
            return 1;
    return 0;
}
