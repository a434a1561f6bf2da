#include "wire/codec.h"
#include "wire/codecvalue.h"

namespace vnd::data
{

using namespace Internal;
using namespace Qt::StringLiterals;

DecodeError::DecodeError(const QString &message) : std::runtime_error(message.toStdString()) {}

const char *contentType(Encoding enc)
{
    return enc == Encoding::Cbor ? "application/cbor" : "application/json";
}

QByteArray encodeRequest(const ValueArray &args, Encoding enc)
{
    const auto w = makeWriter(enc);
    w->beginMap(1);
    w->key("args"_L1);
    writeValues(*w, args);
    w->endMap();
    return w->take();
}

ValueArray decodeRequest(const QByteArray &body, Encoding enc)
{
    const auto r = makeReader(body, enc);
    ValueArray args;
    r->enterMap();
    while (r->hasNext()) {
        if (r->readKey() == u"args")
            args = readValues(*r);
        else
            r->skip();
    }
    r->leave();
    r->finish();
    return args;
}

QByteArray encodeReply(const Reply &reply, Encoding enc)
{
    const auto w = makeWriter(enc);
    if (reply.ok) {
        w->beginMap(3);
        w->key("ok"_L1);
        w->boolean(true);
        w->key("result"_L1);
        writeValue(*w, reply.result);
        w->key("refs"_L1);
        writeValues(*w, reply.refs);
    } else {
        w->beginMap(2);
        w->key("ok"_L1);
        w->boolean(false);
        w->key("error"_L1);
        w->beginMap(reply.errorRows.isEmpty() ? 2 : 3);
        w->key("code"_L1);
        w->string(reply.errorCode);
        w->key("message"_L1);
        w->string(reply.errorMessage);
        if (!reply.errorRows.isEmpty()) {
            w->key("rows"_L1);
            w->beginArray(reply.errorRows.size());
            for (const QString &row : reply.errorRows)
                w->string(row);
            w->endArray();
        }
        w->endMap();
    }
    w->endMap();
    return w->take();
}

namespace
{

QString readText(TokenReader &r)
{
    if (r.peek() != Token::String)
        failAt(r.position(), u"esperado texto"_s);
    return r.readString();
}

void readError(TokenReader &r, Reply &reply)
{
    r.enterMap();
    while (r.hasNext()) {
        const QString key = r.readKey();
        if (key == u"code")
            reply.errorCode = readText(r);
        else if (key == u"message")
            reply.errorMessage = readText(r);
        else if (key == u"rows" && r.peek() == Token::Array) {
            r.enterArray();
            while (r.hasNext())
                reply.errorRows << readText(r);
            r.leave();
        } else
            r.skip();
    }
    r.leave();
}

Reply readReply(const std::unique_ptr<TokenReader> &r)
{
    Reply reply;
    bool hasOk = false;
    r->enterMap();
    while (r->hasNext()) {
        const QString key = r->readKey();
        if (key == u"ok") {
            if (r->peek() != Token::Bool)
                failAt(r->position(), u"\"ok\" deve ser verdadeiro ou falso"_s);
            reply.ok = r->readBool();
            hasOk = true;
        } else if (key == u"result") {
            reply.result = readValue(*r);
        } else if (key == u"refs") {
            reply.refs = readValues(*r);
        } else if (key == u"error") {
            readError(*r, reply);
        } else {
            r->skip();
        }
    }
    r->leave();
    r->finish();
    if (!hasOk)
        throw DecodeError(u"Dados recebidos inválidos: resposta sem \"ok\"."_s);
    if (!reply.ok && reply.errorMessage.isEmpty())
        reply.errorMessage = u"O servidor informou uma falha sem descrição."_s;
    return reply;
}

} // namespace

Reply decodeReply(const QByteArray &body, Encoding enc)
{
    return readReply(makeReader(body, enc));
}

Reply decodeReply(BodyFeed &feed, Encoding enc)
{
    return readReply(makeReader(feed, enc));
}

QByteArray encodeValue(const Value &value, Encoding enc)
{
    const auto w = makeWriter(enc);
    writeValue(*w, value);
    return w->take();
}

Value decodeValue(const QByteArray &body, Encoding enc)
{
    const auto r = makeReader(body, enc);
    Value v = readValue(*r);
    r->finish();
    return v;
}

} // namespace vnd::data
