#pragma once
// One call of the remote data module, independent of the transport: the method name, the
// content type and the body in; the status, content type and encoded answer out. Every
// failure becomes a Portuguese answer here; nothing escapes.

#include "server/dispatcher.h"
#include "server/packetstream.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

namespace vnd::server
{

// An answer longer than this goes out in parts of about this size, read as they are sent.
constexpr qsizetype kAnswerPartBytes = 64 * 1024;

struct HttpAnswer {
    int status = 200;
    QByteArray body; // with a stream: its first part
    const char *contentType = "application/json";
    bool retryLater = false;     // 503: the answer carries Retry-After
    const char *allow = nullptr; // 405: the methods the path takes
    QString outcome;             // "ok" or the status and error code, for the request log
    QString detail;              // for the log only: what the database or the runtime said
    // The rest of a 200 answer, still to be read: to be sent chunked, from the thread that
    // made the answer.
    std::unique_ptr<PacketStream> stream;
};

class SessionGate;

// Who is calling: the Authorization header as sent, and the client's address for the log.
struct Caller {
    std::string authorization;
    QString address;
};

// The encoding a Content-Type names; JSON with false for anything else.
bool encodingOf(std::string_view contentType, data::Encoding &enc);

// A failure answer in the request's encoding (JSON when it names none we know).
HttpAnswer failureAnswer(int status, const QString &code, const QString &message,
                         std::string_view contentType);

// Lets the call in (a live session whose role may call the method; with no gate, anyone),
// decodes the arguments, calls the method and encodes its answer. A packet read from SQLite
// is streamed: its first part is read here (so that a failure still becomes an ordinary
// failure answer) and, when the rows do not fit in it, the rest is left in the stream.
// A write waits for the database's write lock no longer than its busy timeout counted from
// `arrived`. A call that found its connection lost before it ran any statement runs once more.
HttpAnswer
handleCall(const Dispatcher &dispatcher, SessionGate *gate, const Caller &caller,
           const QString &method, std::string_view contentType, const QByteArray &body,
           std::chrono::steady_clock::time_point arrived = std::chrono::steady_clock::now());

} // namespace vnd::server
