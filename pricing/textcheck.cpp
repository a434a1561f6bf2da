#include "pricing/textcheck.h"

namespace vnd::pricing
{

bool isControlCharacter(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate: // only a lone one: a pair reads as its character
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

namespace
{

// The code point at i, and how many QChars it takes.
char32_t codePointAt(QStringView text, qsizetype i, qsizetype &length)
{
    length = 1;
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        length = 2;
        return QChar::surrogateToUcs4(text[i], text[i + 1]);
    }
    return text[i].unicode();
}

} // namespace

bool hasControlCharacter(QStringView text)
{
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); i += n)
        if (isControlCharacter(codePointAt(text, i, n)))
            return true;
    return false;
}

QString printable(QStringView text)
{
    QString out;
    out.reserve(text.size());
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); i += n) {
        if (isControlCharacter(codePointAt(text, i, n)))
            out += u'?';
        else
            out += text.mid(i, n);
    }
    return out;
}

} // namespace vnd::pricing
