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
    // Built in place: an export formats every product's code.
    const QString digits = strip(stored);
    const QStringView view(digits);
    QString out;
    out.reserve(digits.size() + m_widths.size() * 2);
    qsizetype pos = 0;
    for (int i = 0; i < m_widths.size() && pos < digits.size(); ++i) {
        if (i > 0 && i - 1 < m_separators.size())
            out += m_separators[i - 1];
        out += view.sliced(pos, std::min<qsizetype>(m_widths[i], digits.size() - pos));
        pos += m_widths[i];
    }
    if (pos < digits.size())
        out += view.sliced(pos); // digits beyond the picture stay visible
    return out;
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
