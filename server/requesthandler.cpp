#include "server/requesthandler.h"

#include "host/data/codec.h"
#include "server/dberror.h"
#include "server/errors.h"

namespace vnd::server
{

using data::Encoding;
using data::Reply;

namespace
{

Reply failure(const QString &code, const QString &message)
{
    Reply r;
    r.ok = false;
    r.errorCode = code;
    r.errorMessage = message;
    return r;
}

const char *typeOf(Encoding enc)
{
    return enc == Encoding::Json ? "application/json; charset=utf-8" : data::contentType(enc);
}

HttpAnswer encoded(int status, const Reply &reply, Encoding enc)
{
    HttpAnswer a;
    a.status = status;
    a.contentType = typeOf(enc);
    a.outcome = reply.ok ? QStringLiteral("ok") : reply.errorCode;
    a.retryLater = status == 503;
    try {
        a.body = data::encodeReply(reply, enc);
    } catch (...) {
        // An answer that cannot be encoded is a failure of its own, answered and logged.
        a.status = 500;
        a.outcome = QStringLiteral("internal");
        a.body =
            data::encodeReply(failure(a.outcome, QStringLiteral("Erro interno do servidor.")), enc);
    }
    return a;
}

} // namespace

bool encodingOf(std::string_view contentType, Encoding &enc)
{
    std::string type(contentType.substr(0, contentType.find(';')));
    while (!type.empty() && (type.back() == ' ' || type.back() == '\t'))
        type.pop_back();
    for (char &c : type)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    enc = Encoding::Json;
    if (type == "application/json")
        return true;
    if (type == "application/cbor") {
        enc = Encoding::Cbor;
        return true;
    }
    return false;
}

HttpAnswer failureAnswer(int status, const QString &code, const QString &message,
                         std::string_view contentType)
{
    Encoding enc;
    encodingOf(contentType, enc);
    return encoded(status, failure(code, message), enc);
}

HttpAnswer handleCall(const Dispatcher &dispatcher, const QString &method,
                      std::string_view contentType, const QByteArray &body)
{
    Encoding enc;
    int status = 200;
    Reply reply;
    try {
        if (!encodingOf(contentType, enc))
            return encoded(415,
                           failure(QStringLiteral("unsupported"),
                                   QStringLiteral("Tipo de conteúdo não suportado: use "
                                                  "application/json ou application/cbor.")),
                           enc);
        const data::ValueArray args = data::decodeRequest(body, enc);
        reply = dispatcher.call(method, args);
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
            reply =
                failure(QStringLiteral("rule"),
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
    return encoded(status, reply, enc);
}

} // namespace vnd::server
