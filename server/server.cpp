#include "server/server.h"

#include "host/data/codec.h"
#include "server/dberror.h"
#include "server/errors.h"
#include "server/methods.h"

#include <httplib.h>

#include <QElapsedTimer>

#include <cstdio>

namespace vnd::server
{

using data::Encoding;
using data::Reply;

namespace
{

const char kPrefix[] = "/vnd42700.rdmTabGeral/";

// The route's pattern for a path matched without regard to case ("VND42700.rdmTabGeral").
std::string caseless(const char *path)
{
    std::string out;
    for (const char *p = path; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (std::isalpha(c))
            out += std::string{'[', char(std::tolower(c)), char(std::toupper(c)), ']'};
        else if (c == '.')
            out += "\\.";
        else
            out += char(c);
    }
    return out;
}

// "application/json" alone would let httplib compress answers (Brotli included, which is
// slow beyond use on large packets) for clients that ask; with the charset it never does.
const char kJsonType[] = "application/json; charset=utf-8";

bool encodingOf(const httplib::Request &req, Encoding &enc)
{
    std::string type = req.get_header_value("Content-Type");
    type = type.substr(0, type.find(';'));
    while (!type.empty() && type.back() == ' ')
        type.pop_back();
    for (char &c : type)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    if (type == "application/json") {
        enc = Encoding::Json;
        return true;
    }
    if (type == "application/cbor") {
        enc = Encoding::Cbor;
        return true;
    }
    enc = Encoding::Json;
    return false;
}

Reply failure(const QString &code, const QString &message)
{
    Reply r;
    r.ok = false;
    r.errorCode = code;
    r.errorMessage = message;
    return r;
}

void answer(httplib::Response &res, int status, const Reply &reply, Encoding enc)
{
    res.status = status;
    const QByteArray body = data::encodeReply(reply, enc);
    res.set_content(body.constData(), size_t(body.size()),
                    enc == Encoding::Json ? kJsonType : data::contentType(enc));
}

void answerError(httplib::Response &res, const httplib::Request &req, int status,
                 const QString &code, const QString &message)
{
    Encoding enc;
    encodingOf(req, enc);
    answer(res, status, failure(code, message), enc);
}

QString methodOf(const httplib::Request &req)
{
    if (req.matches.size() > 1)
        return QString::fromStdString(req.matches[1].str());
    return QString::fromStdString(req.path).left(100);
}

} // namespace

Server::Server(const Database &database, ServerOptions options)
    : m_database(database), m_options(std::move(options)),
      m_http(std::make_unique<httplib::Server>())
{
    addAllMethods(m_dispatcher, m_database);
    install();
}

Server::~Server()
{
    stop();
}

void Server::install()
{
    const size_t threads = size_t(std::max(1, m_options.threads));
    m_http->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    m_http->set_payload_max_length(m_options.maxBodyBytes);
    m_http->set_read_timeout(m_options.readTimeoutSeconds, 0);
    m_http->set_write_timeout(m_options.writeTimeoutSeconds, 0);
    m_http->set_keep_alive_timeout(m_options.keepAliveSeconds);
    m_http->set_keep_alive_max_count(10000);
    m_http->set_tcp_nodelay(true);

    const size_t maxBody = m_options.maxBodyBytes;
    // Refused before the body is read: httplib's own limit does not hold for chunked or
    // length-less bodies, and compressed bodies could expand past it.
    m_http->set_pre_routing_handler([maxBody](const httplib::Request &req, httplib::Response &res) {
        using HR = httplib::Server::HandlerResponse;
        if (req.method != "POST")
            return HR::Unhandled;
        if (req.has_header("Transfer-Encoding") || !req.has_header("Content-Length")) {
            answerError(res, req, 411, QStringLiteral("length_required"),
                        QStringLiteral("Requisição sem Content-Length não é aceita."));
            return HR::Handled;
        }
        if (req.has_header("Content-Encoding")) {
            answerError(res, req, 415, QStringLiteral("unsupported"),
                        QStringLiteral("Conteúdo comprimido não é aceito."));
            return HR::Handled;
        }
        const std::string length = req.get_header_value("Content-Length");
        char *end = nullptr;
        const unsigned long long n = std::strtoull(length.c_str(), &end, 10);
        if (length.empty() || *end != '\0' || length.size() > 19) {
            answerError(res, req, 400, QStringLiteral("bad_request"),
                        QStringLiteral("Content-Length inválido."));
            return HR::Handled;
        }
        if (n > maxBody) {
            answerError(res, req, 413, QStringLiteral("too_large"),
                        QStringLiteral("Requisição excede o tamanho máximo permitido."));
            return HR::Handled;
        }
        return HR::Unhandled;
    });

    // The default handler would copy what() into a response header.
    m_http->set_exception_handler(
        [](const httplib::Request &req, httplib::Response &res, std::exception_ptr) {
            answerError(res, req, 500, QStringLiteral("internal"),
                        QStringLiteral("Erro interno do servidor."));
        });

    m_http->set_error_handler(httplib::Server::HandlerWithResponse(
        [](const httplib::Request &req, httplib::Response &res) {
            using HR = httplib::Server::HandlerResponse;
            if (!res.body.empty())
                return HR::Unhandled;
            switch (res.status) {
            case 404:
                answerError(res, req, 404, QStringLiteral("not_found"),
                            QStringLiteral("Método não encontrado."));
                break;
            case 413:
                answerError(res, req, 413, QStringLiteral("too_large"),
                            QStringLiteral("Requisição excede o tamanho máximo permitido."));
                break;
            default:
                answerError(res, req, res.status, QStringLiteral("bad_request"),
                            QStringLiteral("Requisição inválida."));
                break;
            }
            return HR::Handled;
        }));

    const bool log = m_options.logRequests;
    m_http->Post(caseless(kPrefix) + "([^/]{1,100})", [this, log](const httplib::Request &req,
                                                                  httplib::Response &res) {
        QElapsedTimer timer;
        timer.start();
        const QString method = methodOf(req);
        Encoding enc;
        int status = 200;
        Reply reply;
        try {
            if (!encodingOf(req, enc))
                throw ServiceError::badRequest(
                    QStringLiteral("Tipo de conteúdo não suportado: use application/json ou "
                                   "application/cbor."));
            const QByteArray body =
                QByteArray::fromRawData(req.body.data(), qsizetype(req.body.size()));
            const data::ValueArray args = data::decodeRequest(body, enc);
            reply = m_dispatcher.call(method, args);
        } catch (const data::DecodeError &e) {
            status = 400;
            reply = failure(QStringLiteral("bad_request"), e.message());
        } catch (const ServiceError &e) {
            status = e.status();
            reply = failure(e.code(), e.message());
        } catch (const DbError &e) {
            if (e.kind() == DbError::Kind::Busy) {
                const ServiceError busy = ServiceError::busy();
                status = busy.status();
                reply = failure(busy.code(), busy.message());
            } else if (e.isConstraint()) {
                status = 422;
                reply = failure(
                    QStringLiteral("rule"),
                    QStringLiteral("Operação recusada pelo banco de dados: %1").arg(e.text()));
            } else {
                status = 500;
                reply = failure(QStringLiteral("database"),
                                QStringLiteral("Erro no banco de dados: %1").arg(e.text()));
            }
        } catch (const std::exception &e) {
            status = 500;
            reply = failure(
                QStringLiteral("internal"),
                QStringLiteral("Erro interno do servidor: %1").arg(QString::fromUtf8(e.what())));
        }
        answer(res, status, reply, enc);
        if (log) {
            const QByteArray line = QStringLiteral("%1 %2 ms %3\n")
                                        .arg(method.left(60))
                                        .arg(timer.elapsed())
                                        .arg(reply.ok ? QStringLiteral("ok") : reply.errorCode)
                                        .toUtf8();
            std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
        }
    });
}

int Server::bind()
{
    const std::string host = m_options.host.toStdString();
    if (m_options.port == 0)
        m_port = m_http->bind_to_any_port(host);
    else
        m_port = m_http->bind_to_port(host, m_options.port) ? m_options.port : -1;
    return m_port;
}

bool Server::run()
{
    if (m_stopRequested)
        return true;
    return m_http->listen_after_bind();
}

void Server::stop()
{
    m_stopRequested = true;
    m_http->stop();
}

} // namespace vnd::server
