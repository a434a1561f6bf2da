#include "server/pgplaceholders.h"

namespace vnd::server
{

QByteArray numberedPlaceholders(const QString &sql)
{
    const QByteArray in = sql.toUtf8();
    QByteArray out;
    out.reserve(in.size() + 16);
    int number = 0;
    for (qsizetype i = 0; i < in.size(); ++i) {
        const char c = in[i];
        const char next = i + 1 < in.size() ? in[i + 1] : '\0';
        qsizetype end = -1; // where a quoted part or comment ends (its last byte)
        if (c == '\'' || c == '"') {
            // A doubled quote inside reads as the end and a new start: the same bytes.
            end = in.indexOf(c, i + 1);
        } else if (c == '-' && next == '-') {
            end = in.indexOf('\n', i + 2);
        } else if (c == '/' && next == '*') {
            end = in.indexOf("*/", i + 2);
            if (end >= 0)
                ++end;
        } else if (c == '?') {
            out += '$' + QByteArray::number(++number);
            continue;
        } else {
            out += c;
            continue;
        }
        if (end < 0)
            end = in.size() - 1;
        out += in.mid(i, end - i + 1);
        i = end;
    }
    return out;
}

} // namespace vnd::server
