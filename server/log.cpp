#include "server/log.h"

#include "server/textcheck.h"

#include <cstdio>
#include <mutex>

namespace vnd::server
{

namespace
{

std::mutex s_mutex;
LogSink s_sink;

} // namespace

void logLine(const QString &text)
{
    // Stored values can hold anything: a line break or a bidi override must not forge lines.
    const QString line = printable(text);
    std::lock_guard lock(s_mutex);
    if (s_sink) {
        s_sink(line);
        return;
    }
    const QByteArray bytes = (line + u'\n').toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

LogSink setLogSink(LogSink sink)
{
    std::lock_guard lock(s_mutex);
    std::swap(s_sink, sink);
    return sink;
}

} // namespace vnd::server
