#pragma once
// Encoding of requests and replies of the application server, in JSON and CBOR.
// Both encodings carry the same structure:
//   request  {"args": [value, ...]}
//   reply    {"ok": true, "result": value, "refs": [value, ...]}
//          | {"ok": false, "error": {"code": word, "message": text}}
// Values: null, true/false, integers, floats (exact round trip), strings,
//   {"date": "YYYY-MM-DD"}, {"datetime": "YYYY-MM-DDTHH:MM:SS"},
//   {"packet": {"fields": [field...], "rows": [[...], ...]}},
//   {"delta": {"fields": [field...], "changes": [{"op": ..., "old": row, "new": row}...]}},
//   arrays of values.
// Decoding never trusts its input: anything malformed throws DecodeError with a Portuguese
// message, and sizes are checked against what is actually present before allocating.
// Encoding throws vnd::Error for what the wire cannot carry: infinite or NaN floats, years
// outside 1..9999, a row whose width or values do not match its fields. Date-times travel
// in local time to the whole second.

#include "wire/value.h"

#include <QByteArray>
#include <stdexcept>

namespace vnd::data
{

class DecodeError : public std::runtime_error
{
public:
    explicit DecodeError(const QString &message);
    QString message() const { return QString::fromUtf8(what()); }
};

QByteArray encodeRequest(const ValueArray &args, Encoding enc);
ValueArray decodeRequest(const QByteArray &body, Encoding enc);

class BodyFeed;

QByteArray encodeReply(const Reply &reply, Encoding enc);
Reply decodeReply(const QByteArray &body, Encoding enc);
// Decodes while the body arrives: returns once the feed is closed and read to its end.
Reply decodeReply(BodyFeed &feed, Encoding enc);

// A single value (used by tests and tools).
QByteArray encodeValue(const Value &value, Encoding enc);
Value decodeValue(const QByteArray &body, Encoding enc);

// "application/json" / "application/cbor"
const char *contentType(Encoding enc);

} // namespace vnd::data
