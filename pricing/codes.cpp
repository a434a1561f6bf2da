#include "pricing/codes.h"

namespace vnd
{

namespace
{

bool asciiDigits(QStringView s)
{
    for (QChar c : s) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return !s.isEmpty();
}

} // namespace

QString Ajusta(const QString &code, int width)
{
    const QString trimmed = code.trimmed();
    if (!asciiDigits(trimmed) || trimmed.size() >= width)
        return trimmed;
    return trimmed.rightJustified(width, u'0');
}

bool EmptyString(const QString &text)
{
    // The literals that the host's edit masks put around the typed characters.
    for (QChar c : text) {
        if (!c.isSpace() && c != u'/' && c != u':' && c != u'.' && c != u'-' && c != u',' &&
            c != u'_' && c != u'(' && c != u')')
            return false;
    }
    return true;
}

} // namespace vnd
