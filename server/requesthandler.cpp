#include "server/requesthandler.h"

#include "server/callcontext.h"
#include "server/database.h"
#include "server/dberror.h"
#include "server/errors.h"
#include "server/log.h"
#include "server/rowencoder.h"
#include "server/sessiongate.h"
#include "server/unitofwork.h"
#include "wire/codec.h"
#include "wire/failure.h"
#include "wire/roles.h"

namespace vnd::server
{

using data::Encoding;
using data::failure;
using data::Reply;

namespace
{

const char *typeOf(Encoding enc)
{
    return enc == Encoding::Json ? "application/json; charset=utf-8" : data::contentType(enc);
}

QString outcomeOf(int status, const Reply &reply)
{
    return reply.ok ? QStringLiteral("ok")
                    : QStringLiteral("%1 %2").arg(status).arg(reply.errorCode);
}

HttpAnswer encoded(int status, const Reply &reply, Encoding enc, const QString &detail = {})
{
    HttpAnswer a;
    a.status = status;
    a.contentType = typeOf(enc);
    a.outcome = outcomeOf(status, reply);
    a.detail = detail;
    a.retryLater = status == 503 || status == 429;
    try {
        a.body = data::encodeReply(reply, enc);
    } catch (const std::exception &e) {
        // An answer that cannot be encoded is a failure of its own, answered and logged.
        const Reply internal =
            failure(QStringLiteral("internal"), QStringLiteral("Erro interno do servidor."));
        a.status = 500;
        a.outcome = outcomeOf(a.status, internal);
        a.detail = QStringLiteral("ao codificar a resposta: %1").arg(QString::fromUtf8(e.what()));
        a.retryLater = false;
        a.body = data::encodeReply(internal, enc);
    }
    return a;
}

// A 200 answer whose packet rows are read from SQLite as the answer is sent.
HttpAnswer streamed(CallResult result, Encoding enc)
{
    QByteArray before, after;
    if (!splitAroundRows(data::encodeReply(result.reply, enc), enc, before, after))
        throw std::logic_error("packet rows not found in the encoded answer");
    auto stream = PacketStream::open(std::move(*result.rows), enc, std::move(after));
    HttpAnswer a;
    a.contentType = typeOf(enc);
    a.outcome = QStringLiteral("ok");
    a.body = std::move(before);
    if (!stream->fill(a.body, kAnswerPartBytes))
        a.stream = std::move(stream);
    return a;
}

// The caller's session, allowed to call the method; throws 401, 404 or 403. A method nobody
// is granted is refused to everyone.
Session admitted(const Dispatcher &dispatcher, SessionGate &gate, const Caller &caller,
                 const QString &method)
{
    Session session = gate.admit(caller.authorization);
    if (!data::roleMay(session.role, method)) {
        if (!dispatcher.has(method))
            throw ServiceError::notFound(QStringLiteral("Método não encontrado: %1.").arg(method));
        throw ServiceError(403, QStringLiteral("forbidden"),
                           QStringLiteral("O perfil %1 não permite esta operação.")
                               .arg(data::roleCaption(session.role)),
                           QStringLiteral("usuário %1").arg(session.login));
    }
    return session;
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

HttpAnswer handleCall(const Dispatcher &dispatcher, SessionGate *gate, const Caller &caller,
                      const QString &method, std::string_view contentType, const QByteArray &body,
                      std::chrono::steady_clock::time_point arrived)
{
    Encoding enc;
    int status = 200;
    Reply reply;
    QString detail;
    const auto failed = [&](const ServiceError &e) {
        status = e.status();
        reply = failure(e.code(), e.message());
        reply.errorRows = e.rows();
        detail = e.detail();
    };
    const CallClock clock(arrived);
    try {
        if (!encodingOf(contentType, enc))
            return encoded(415,
                           failure(QStringLiteral("unsupported"),
                                   QStringLiteral("Tipo de conteúdo não suportado: use "
                                                  "application/json ou application/cbor.")),
                           enc);
        // Nothing was done when no statement ran: the connection is opened again and the call
        // runs once more.
        for (int attempt = 1;; ++attempt) {
            const quint64 before = statementsRun();
            try {
                CallContext context{dispatcher.registeredName(method), caller.address,
                                    std::nullopt};
                if (gate && data::needsSession(method))
                    context.session = admitted(dispatcher, *gate, caller, method);
                const CallScope scope(std::move(context));
                const data::ValueArray args = data::decodeRequest(body, enc);
                CallResult result = dispatcher.start(method, args);
                if (result.rows)
                    return streamed(std::move(result), enc);
                reply = std::move(result.reply);
                break;
            } catch (const DbError &e) {
                const bool lost = e.kind() == DbError::Kind::Unavailable && !e.whileOpening();
                if (lost)
                    markConnectionsLost();
                if (!lost || attempt > 1 || statementsRun() != before)
                    throw;
                logLine(QStringLiteral("%1: conexão perdida antes de começar, outra tentativa: %2")
                            .arg(method.left(60), e.text().left(200)));
            }
        }
    } catch (const data::DecodeError &e) {
        failed(ServiceError::badRequest(e.message()));
    } catch (const ServiceError &e) {
        failed(e);
    } catch (const DbError &e) {
        // The user reads Portuguese; the driver's words go to the log.
        failed(e.toServiceError());
    } catch (const std::exception &e) {
        failed(ServiceError::internal(QStringLiteral("Erro interno do servidor."),
                                      QString::fromUtf8(e.what())));
    }
    return encoded(status, reply, enc, detail);
}

} // namespace vnd::server
