#pragma once
// The server's log: one line per request and per stored row that could not be read whole.
// Lines go to stderr unless a sink was installed (tests read them back).

#include <QString>

#include <functional>

namespace vnd::server
{

// Writes one line; safe from any thread.
void logLine(const QString &line);

using LogSink = std::function<void(const QString &line)>;
// Replaces where lines go (an empty sink restores stderr); returns the previous sink.
LogSink setLogSink(LogSink sink);

} // namespace vnd::server
