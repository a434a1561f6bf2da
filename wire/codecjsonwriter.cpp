#include "wire/codecio.h"
#include "wire/error.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace vnd::data::Internal
{

namespace
{

class JsonWriter final : public TokenWriter
{
public:
    JsonWriter() { m_out.reserve(4096); }

    void beginArray(qsizetype) override
    {
        separate();
        m_out.append('[');
        m_needComma = false;
    }
    void endArray() override
    {
        m_out.append(']');
        m_needComma = true;
    }
    void beginMap(qsizetype) override
    {
        separate();
        m_out.append('{');
        m_needComma = false;
    }
    void endMap() override
    {
        m_out.append('}');
        m_needComma = true;
    }
    void key(QLatin1StringView name) override
    {
        separate();
        m_out.append('"');
        m_out.append(name.data(), name.size());
        m_out.append("\":", 2);
        m_needComma = false;
    }
    void null() override
    {
        separate();
        m_out.append("null", 4);
        m_needComma = true;
    }
    void boolean(bool b) override
    {
        separate();
        if (b)
            m_out.append("true", 4);
        else
            m_out.append("false", 5);
        m_needComma = true;
    }
    void integer(qint64 i) override
    {
        separate();
        char buf[24];
        const auto r = std::to_chars(buf, buf + sizeof buf, i);
        m_out.append(buf, r.ptr - buf);
        m_needComma = true;
    }
    void floating(double d) override
    {
        requireFinite(d);
        separate();
        appendJsonFloat(m_out, d);
        m_needComma = true;
    }
    void string(QStringView s) override
    {
        separate();
        m_out.append('"');
        appendJsonEscaped(m_out, s);
        m_out.append('"');
        m_needComma = true;
    }
    void ascii(QLatin1StringView s) override
    {
        separate();
        m_out.append('"');
        m_out.append(s.data(), s.size());
        m_out.append('"');
        m_needComma = true;
    }
    QByteArray take() override { return std::move(m_out); }

private:
    void separate()
    {
        if (m_needComma)
            m_out.append(',');
    }

    QByteArray m_out;
    bool m_needComma = false;
};

} // namespace

namespace
{

void appendUtf8(QByteArray &out, char32_t cp)
{
    char buf[4];
    int n = 0;
    if (cp < 0x800) {
        buf[n++] = char(0xC0 | (cp >> 6));
    } else if (cp < 0x10000) {
        buf[n++] = char(0xE0 | (cp >> 12));
        buf[n++] = char(0x80 | ((cp >> 6) & 0x3F));
    } else {
        buf[n++] = char(0xF0 | (cp >> 18));
        buf[n++] = char(0x80 | ((cp >> 12) & 0x3F));
        buf[n++] = char(0x80 | ((cp >> 6) & 0x3F));
    }
    buf[n++] = char(0x80 | (cp & 0x3F));
    out.append(buf, n);
}

} // namespace

void requireFinite(double d)
{
    if (!std::isfinite(d))
        throw vnd::Error(QStringLiteral("Valor numérico inválido (infinito ou indefinido) "
                                        "não pode ser enviado."));
}

void appendJsonFloat(QByteArray &out, double d)
{
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf - 2, d);
    char *end = r.ptr;
    // A float must read back as a float: "3" would come back as an integer and "-0"
    // would lose its sign.
    if (!std::memchr(buf, '.', end - buf) && !std::memchr(buf, 'e', end - buf)) {
        *end++ = '.';
        *end++ = '0';
    }
    out.append(buf, end - buf);
}

void appendJsonEscaped(QByteArray &out, QStringView s)
{
    static const char hex[] = "0123456789abcdef";
    const char16_t *p = s.utf16();
    const char16_t *const end = p + s.size();
    while (p < end) {
        const char16_t c = *p++;
        if (c < 0x80) {
            if (c >= 0x20 && c != u'"' && c != u'\\') {
                out.append(char(c));
                continue;
            }
            switch (c) {
            case u'"':
                out.append("\\\"", 2);
                break;
            case u'\\':
                out.append("\\\\", 2);
                break;
            case u'\n':
                out.append("\\n", 2);
                break;
            case u'\r':
                out.append("\\r", 2);
                break;
            case u'\t':
                out.append("\\t", 2);
                break;
            default: {
                const char esc[6] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 15]};
                out.append(esc, 6);
            }
            }
            continue;
        }
        char32_t cp = c;
        if (QChar::isHighSurrogate(c) && p < end && QChar::isLowSurrogate(*p))
            cp = QChar::surrogateToUcs4(c, *p++);
        else if (QChar::isSurrogate(c))
            cp = 0xFFFD; // a lone surrogate has no UTF-8 form
        appendUtf8(out, cp);
    }
}

std::unique_ptr<TokenWriter> makeJsonWriter()
{
    return std::make_unique<JsonWriter>();
}

} // namespace vnd::data::Internal
