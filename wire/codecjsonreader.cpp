#include "wire/codecio.h"

#include "wire/bodyfeed.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

namespace vnd::data::Internal
{

namespace
{

// Length of the valid UTF-8 sequence at p (1..4), or 0 when it is invalid: overlong forms,
// surrogates and code points above U+10FFFF are refused.
int utf8SequenceLength(const unsigned char *p, const unsigned char *end)
{
    const unsigned char c = p[0];
    if (c < 0x80)
        return 1;
    int len = 0;
    char32_t cp = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (end - p < len)
        return 0;
    for (int i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) || cp > 0x10FFFF ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

class JsonReader final : public TokenReader
{
public:
    explicit JsonReader(const QByteArray &body)
        : m_body(body), m_begin(body.constData()), m_p(m_begin), m_end(m_begin + body.size())
    {
        // A byte-order mark is tolerated at the very start.
        if (m_end - m_p >= 3 && std::memcmp(m_p, "\xEF\xBB\xBF", 3) == 0)
            m_p += 3;
    }
    explicit JsonReader(BodyFeed &feed)
        : m_feed(&feed), m_begin(feed.begin()), m_p(m_begin), m_end(m_begin)
    {
        wantBytes(3);
        if (m_end - m_p >= 3 && std::memcmp(m_p, "\xEF\xBB\xBF", 3) == 0)
            m_p += 3;
    }

    Token peek() override
    {
        skipWhitespace();
        // Reading a value peeks again: the number scan is not repeated.
        if (m_p == m_peeked)
            return m_peekedToken;
        m_peekedToken = classify();
        m_peeked = m_p;
        return m_peekedToken;
    }

    qsizetype enterArray() override
    {
        enter('[', ']');
        return -1;
    }
    qsizetype enterMap() override
    {
        enter('{', '}');
        return -1;
    }

    bool hasNext() override
    {
        Level &level = m_stack.back();
        skipWhitespace();
        if (m_p == m_end)
            fail(QStringLiteral("fim inesperado dos dados"));
        if (*m_p == level.closer)
            return false;
        if (!level.first) {
            if (*m_p != ',')
                fail(QStringLiteral("esperado ',' ou '%1'").arg(QLatin1Char(level.closer)));
            ++m_p;
            skipWhitespace();
        }
        level.first = false;
        return true;
    }

    void leave() override
    {
        skipWhitespace();
        if (m_p == m_end)
            fail(QStringLiteral("fim inesperado dos dados"));
        if (*m_p != m_stack.back().closer)
            fail(QStringLiteral("esperado '%1'").arg(QLatin1Char(m_stack.back().closer)));
        ++m_p;
        m_stack.pop_back();
    }

    QString readKey() override
    {
        if (peek() != Token::String)
            fail(QStringLiteral("esperado nome de chave"));
        QString key = readString();
        skipWhitespace();
        if (m_p == m_end || *m_p != ':')
            fail(QStringLiteral("esperado ':'"));
        ++m_p;
        return key;
    }

    void readNull() override { literal("null"); }

    bool readBool() override
    {
        skipWhitespace();
        if (m_p < m_end && *m_p == 't') {
            literal("true");
            return true;
        }
        literal("false");
        return false;
    }

    qint64 readInteger() override
    {
        if (peek() != Token::Integer)
            fail(QStringLiteral("esperado número inteiro"));
        qint64 value = 0;
        const auto r = std::from_chars(m_p, m_numberEnd, value);
        if (r.ec != std::errc() || r.ptr != m_numberEnd)
            fail(QStringLiteral("número inteiro fora do intervalo"));
        m_p = m_numberEnd;
        return value;
    }

    double readFloat() override
    {
        if (peek() != Token::Float)
            fail(QStringLiteral("esperado número"));
        double value = 0;
        const auto r = std::from_chars(m_p, m_numberEnd, value);
        if (r.ec != std::errc() || r.ptr != m_numberEnd || !std::isfinite(value))
            fail(QStringLiteral("número fora do intervalo"));
        m_p = m_numberEnd;
        return value;
    }

    QString readString() override
    {
        QByteArray scratch;
        return QString::fromUtf8(readUtf8(scratch));
    }

    QByteArrayView readUtf8(QByteArray &scratch) override
    {
        skipWhitespace();
        if (m_p == m_end || *m_p != '"')
            fail(QStringLiteral("esperado texto"));
        ++m_p;
        const char *start = m_p;
        while (within(m_p)) {
            const unsigned char c = static_cast<unsigned char>(*m_p);
            if (c == '"' || c == '\\' || c < 0x20)
                break;
            if (c >= 0x80) {
                wantBytes(4);
                const int len = utf8SequenceLength(reinterpret_cast<const unsigned char *>(m_p),
                                                   reinterpret_cast<const unsigned char *>(m_end));
                if (len == 0)
                    fail(QStringLiteral("texto UTF-8 inválido"));
                m_p += len;
                continue;
            }
            ++m_p;
        }
        if (m_p == m_end)
            fail(QStringLiteral("fim inesperado dos dados dentro de um texto"));
        if (*m_p == '"') {
            const qsizetype n = m_p - start;
            ++m_p;
            return QByteArrayView(start, n);
        }
        if (static_cast<unsigned char>(*m_p) < 0x20)
            fail(QStringLiteral("caractere de controle dentro de um texto"));
        scratch = QByteArray(start, m_p - start);
        readEscapedRest(scratch);
        return scratch;
    }

    void skipScalar(Token t) override
    {
        if (t == Token::Null) {
            readNull();
        } else if (t == Token::Bool) {
            readBool();
        } else if (t == Token::Integer || t == Token::Float) {
            m_p = m_numberEnd;
        } else {
            QByteArray scratch;
            readUtf8(scratch);
        }
    }

    void finish() override
    {
        skipWhitespace();
        if (m_p != m_end)
            fail(QStringLiteral("conteúdo após o fim dos dados"));
    }

    qsizetype position() const override { return m_p - m_begin; }

private:
    struct Level {
        char closer;
        bool first;
    };

    [[noreturn]] void fail(const QString &detail) const { failAt(position(), detail); }

    Token classify()
    {
        if (m_p == m_end)
            fail(QStringLiteral("fim inesperado dos dados"));
        switch (*m_p) {
        case 'n':
            return Token::Null;
        case 't':
        case 'f':
            return Token::Bool;
        case '"':
            return Token::String;
        case '[':
            return Token::Array;
        case '{':
            return Token::Map;
        default:
            break;
        }
        if (*m_p == '-' || (*m_p >= '0' && *m_p <= '9'))
            return scanNumber() ? Token::Float : Token::Integer;
        fail(QStringLiteral("caractere inesperado"));
    }

    void skipWhitespace()
    {
        do {
            while (m_p < m_end && (*m_p == ' ' || *m_p == '\n' || *m_p == '\r' || *m_p == '\t'))
                ++m_p;
        } while (m_p == m_end && more());
    }

    // Bytes that arrived since; false once the feed (if any) has no more.
    bool more() { return m_feed && m_feed->extend(m_end); }

    // Whether the byte at q (at most one past what is there) is there, waiting for it.
    bool within(const char *q) { return q < m_end || (q == m_end && more()); }

    // Waits until n bytes from m_p are there or no more will come.
    void wantBytes(qsizetype n)
    {
        while (m_end - m_p < n && more()) {
        }
    }

    void enter(char opener, char closer)
    {
        skipWhitespace();
        if (m_p == m_end || *m_p != opener)
            fail(opener == '[' ? QStringLiteral("esperada lista")
                               : QStringLiteral("esperado objeto"));
        if (m_stack.size() >= size_t(kMaxDepth))
            fail(QStringLiteral("aninhamento profundo demais"));
        ++m_p;
        m_stack.push_back({closer, true});
    }

    void literal(const char *word)
    {
        skipWhitespace();
        const size_t n = std::strlen(word);
        wantBytes(qsizetype(n));
        if (size_t(m_end - m_p) < n || std::memcmp(m_p, word, n) != 0)
            fail(QStringLiteral("palavra inválida"));
        m_p += n;
    }

    // Checks the JSON number grammar at m_p; sets m_numberEnd; true when it has a fraction
    // or an exponent.
    bool scanNumber()
    {
        const char *p = m_p;
        auto digit = [&](const char *q) { return within(q) && *q >= '0' && *q <= '9'; };
        bool isFloat = false;
        if (*p == '-')
            ++p;
        if (!digit(p))
            fail(QStringLiteral("número inválido"));
        if (*p == '0') {
            ++p;
        } else {
            while (digit(p))
                ++p;
        }
        if (within(p) && *p == '.') {
            isFloat = true;
            ++p;
            if (!digit(p))
                fail(QStringLiteral("número inválido"));
            while (digit(p))
                ++p;
        }
        if (within(p) && (*p == 'e' || *p == 'E')) {
            isFloat = true;
            ++p;
            if (within(p) && (*p == '+' || *p == '-'))
                ++p;
            if (!digit(p))
                fail(QStringLiteral("número inválido"));
            while (digit(p))
                ++p;
        }
        m_numberEnd = p;
        return isFloat;
    }

    unsigned readHex4()
    {
        wantBytes(4);
        if (m_end - m_p < 4)
            fail(QStringLiteral("fim inesperado dos dados dentro de um texto"));
        unsigned v = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = *m_p++;
            v <<= 4;
            if (c >= '0' && c <= '9')
                v |= unsigned(c - '0');
            else if (c >= 'a' && c <= 'f')
                v |= unsigned(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                v |= unsigned(c - 'A' + 10);
            else
                fail(QStringLiteral("escape \\u inválido"));
        }
        return v;
    }

    static void appendUtf8(QByteArray &out, char32_t cp)
    {
        if (cp < 0x80) {
            out.append(char(cp));
        } else if (cp < 0x800) {
            out.append(char(0xC0 | (cp >> 6)));
            out.append(char(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.append(char(0xE0 | (cp >> 12)));
            out.append(char(0x80 | ((cp >> 6) & 0x3F)));
            out.append(char(0x80 | (cp & 0x3F)));
        } else {
            out.append(char(0xF0 | (cp >> 18)));
            out.append(char(0x80 | ((cp >> 12) & 0x3F)));
            out.append(char(0x80 | ((cp >> 6) & 0x3F)));
            out.append(char(0x80 | (cp & 0x3F)));
        }
    }

    // Continues a string at its first escape (or control character) up to the closing quote.
    void readEscapedRest(QByteArray &out)
    {
        while (true) {
            if (!within(m_p))
                fail(QStringLiteral("fim inesperado dos dados dentro de um texto"));
            const unsigned char c = static_cast<unsigned char>(*m_p);
            if (c == '"') {
                ++m_p;
                return;
            }
            if (c < 0x20)
                fail(QStringLiteral("caractere de controle dentro de um texto"));
            if (c >= 0x80) {
                wantBytes(4);
                const int len = utf8SequenceLength(reinterpret_cast<const unsigned char *>(m_p),
                                                   reinterpret_cast<const unsigned char *>(m_end));
                if (len == 0)
                    fail(QStringLiteral("texto UTF-8 inválido"));
                out.append(m_p, len);
                m_p += len;
                continue;
            }
            if (c != '\\') {
                out.append(char(c));
                ++m_p;
                continue;
            }
            ++m_p;
            if (!within(m_p))
                fail(QStringLiteral("fim inesperado dos dados dentro de um texto"));
            const char e = *m_p++;
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out.append(e);
                break;
            case 'b':
                out.append('\b');
                break;
            case 'f':
                out.append('\f');
                break;
            case 'n':
                out.append('\n');
                break;
            case 'r':
                out.append('\r');
                break;
            case 't':
                out.append('\t');
                break;
            case 'u': {
                char32_t cp = readHex4();
                if (cp >= 0xDC00 && cp <= 0xDFFF)
                    fail(QStringLiteral("escape \\u com surrogate isolado"));
                if (cp >= 0xD800 && cp <= 0xDBFF) {
                    wantBytes(2);
                    if (m_end - m_p < 2 || m_p[0] != '\\' || m_p[1] != 'u')
                        fail(QStringLiteral("escape \\u com surrogate isolado"));
                    m_p += 2;
                    const char32_t low = readHex4();
                    if (low < 0xDC00 || low > 0xDFFF)
                        fail(QStringLiteral("escape \\u com surrogate isolado"));
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                }
                appendUtf8(out, cp);
                break;
            }
            default:
                fail(QStringLiteral("escape inválido"));
            }
        }
    }

    QByteArray m_body; // keeps the bytes alive
    BodyFeed *m_feed = nullptr;
    const char *m_begin;
    const char *m_p;
    const char *m_end;
    const char *m_numberEnd = nullptr; // end of the number last classified
    const char *m_peeked = nullptr;    // where the last peek looked
    Token m_peekedToken = Token::Null;
    std::vector<Level> m_stack;
};

} // namespace

std::unique_ptr<TokenReader> makeJsonReader(const QByteArray &body)
{
    return std::make_unique<JsonReader>(body);
}

std::unique_ptr<TokenReader> makeJsonReader(BodyFeed &feed)
{
    return std::make_unique<JsonReader>(feed);
}

} // namespace vnd::data::Internal
