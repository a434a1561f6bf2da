#include "pricing/picture.h"

#include <algorithm>

namespace vnd
{

Picture::Picture(const QString &picture) : m_picture(picture)
{
    int width = 0;
    QString separator;
    for (const QChar c : picture) {
        if (c == u'9' || c == u'0') {
            if (width == 0 && !m_widths.isEmpty())
                m_separators.append(separator);
            separator.clear();
            ++width;
        } else {
            if (width > 0)
                m_widths.append(width);
            width = 0;
            separator.append(c);
        }
    }
    if (width > 0)
        m_widths.append(width);
}

int Picture::levelWidth(int level) const
{
    return level >= 1 && level <= m_widths.size() ? m_widths[level - 1] : 0;
}

int Picture::totalDigits() const
{
    int n = 0;
    for (int w : m_widths)
        n += w;
    return n;
}

QString Picture::mask() const
{
    QString m;
    for (int i = 0; i < m_widths.size(); ++i) {
        m += QString(m_widths[i], u'9');
        if (i < m_separators.size())
            for (const QChar c : m_separators[i])
                m += (c.isLetterOrNumber() || c == u'\\') ? QString(u'\\') + c : QString(c);
    }
    return m + QStringLiteral(";0; ");
}

QString Picture::format(const QString &stored) const
{
    QString out;
    formatInto(stored, out);
    return out;
}

void Picture::formatInto(QStringView stored, QString &out) const
{
    // Written over room for every character and separator, then cut to what was written:
    // appending a character at a time cost an export a library call per digit.
    qsizetype room = stored.size();
    for (const QString &s : m_separators)
        room += s.size();
    out.resize(room);
    QChar *const begin = out.data();
    QChar *p = begin;
    const qsizetype levels = m_widths.size();
    qsizetype level = 0;
    int filled = 0;
    for (const QChar c : stored) {
        if (!c.isDigit())
            continue;
        if (level < levels && filled == m_widths[level]) {
            ++level;
            filled = 0;
            // Digits beyond the picture stay visible, with no separator before them.
            if (level < levels && level - 1 < m_separators.size())
                for (const QChar s : m_separators[level - 1])
                    *p++ = s;
        }
        *p++ = c;
        ++filled;
    }
    out.resize(p - begin);
}

QString Picture::strip(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text)
        if (c.isDigit())
            out += c;
    return out;
}

int Picture::levelOf(const QString &text) const
{
    QString separators;
    for (const QString &s : m_separators)
        separators += s;
    for (const QChar c : text)
        if (!c.isDigit() && c != u' ' && !separators.contains(c))
            return 0;
    const qsizetype n = strip(text).size();
    int end = 0;
    for (int i = 0; i < m_widths.size(); ++i) {
        end += m_widths[i];
        if (n == end)
            return i + 1;
    }
    return 0;
}

} // namespace vnd
