// CBOR read straight from the body's bytes: a general stream reader costs more per item than
// the JSON reader, for a format that is cheaper to read.

#include "wire/codecio.h"

#include "wire/bodyfeed.h"

#include <QUtf8StringView>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace vnd::data::Internal
{

namespace
{

constexpr quint8 kBreak = 0xFF;
constexpr int kIndefinite = 31;

bool plainAscii(const char *p, qsizetype n)
{
    for (qsizetype i = 0; i < n; ++i) {
        if (static_cast<unsigned char>(p[i]) >= 0x80)
            return false;
    }
    return true;
}

class CborReader final : public TokenReader
{
public:
    explicit CborReader(const QByteArray &body)
        : m_body(body), m_begin(m_body.constData()), m_p(m_begin), m_end(m_begin + m_body.size())
    {
    }
    explicit CborReader(BodyFeed &feed)
        : m_feed(&feed), m_begin(feed.begin()), m_p(m_begin), m_end(m_begin)
    {
    }

    Token peek() override
    {
        const quint8 b = head();
        switch (b >> 5) {
        case 0:
        case 1:
            return Token::Integer;
        case 2:
            fail(QStringLiteral("sequência de bytes não suportada"));
        case 3:
            return Token::String;
        case 4:
            return Token::Array;
        case 5:
            return Token::Map;
        case 6:
            fail(QStringLiteral("marca (tag) não suportada"));
        default:
            break;
        }
        switch (b & 0x1F) {
        case 20:
        case 21:
            return Token::Bool;
        case 22:
            return Token::Null;
        case 25:
        case 26:
        case 27:
            return Token::Float;
        default:
            fail(b == kBreak ? QStringLiteral("estrutura inválida")
                             : QStringLiteral("valor simples não suportado"));
        }
    }

    qsizetype enterArray() override
    {
        if (peek() != Token::Array)
            fail(QStringLiteral("esperada lista"));
        return enter(false);
    }
    qsizetype enterMap() override
    {
        if (peek() != Token::Map)
            fail(QStringLiteral("esperado objeto"));
        return enter(true);
    }

    bool hasNext() override
    {
        if (m_levels.empty())
            return false;
        const Level &l = m_levels.back();
        if (l.left >= 0)
            return l.left > 0;
        if (m_p == m_end && !more())
            fail(QStringLiteral("fim inesperado dos dados"));
        return quint8(*m_p) != kBreak;
    }

    void leave() override
    {
        if (hasNext())
            fail(QStringLiteral("itens a mais na lista"));
        if (m_levels.back().left < 0)
            ++m_p; // the break
        m_levels.pop_back();
    }

    QString readKey() override
    {
        if (peek() != Token::String)
            fail(QStringLiteral("esperado nome de chave"));
        return readString();
    }

    void readNull() override
    {
        if (peek() != Token::Null)
            fail(QStringLiteral("esperado nulo"));
        item();
        ++m_p;
    }

    bool readBool() override
    {
        if (peek() != Token::Bool)
            fail(QStringLiteral("esperado verdadeiro ou falso"));
        item();
        return (quint8(*m_p++) & 0x1F) == 21;
    }

    qint64 readInteger() override
    {
        if (peek() != Token::Integer)
            fail(QStringLiteral("esperado número inteiro"));
        item();
        const bool negative = (quint8(*m_p) >> 5) == 1;
        const quint64 n = argument();
        if (n > quint64(std::numeric_limits<qint64>::max()))
            fail(QStringLiteral("número inteiro fora do intervalo"));
        return negative ? -1 - qint64(n) : qint64(n);
    }

    double readFloat() override
    {
        if (peek() != Token::Float)
            fail(QStringLiteral("esperado número"));
        item();
        const int info = quint8(*m_p) & 0x1F;
        const qsizetype size = info == 25 ? 2 : (info == 26 ? 4 : 8);
        need(1 + size);
        const uchar *at = reinterpret_cast<const uchar *>(m_p + 1);
        double value = 0;
        if (size == 2) {
            const quint16 bits = qFromBigEndian<quint16>(at);
            const int exponent = (bits >> 10) & 0x1F;
            const int mantissa = bits & 0x3FF;
            if (exponent == 31)
                value = std::numeric_limits<double>::infinity(); // refused below, NaN alike
            else if (exponent == 0)
                value = std::ldexp(mantissa, -24);
            else
                value = std::ldexp(mantissa + 1024, exponent - 25);
            if (bits & 0x8000)
                value = -value;
        } else if (size == 4) {
            const quint32 bits = qFromBigEndian<quint32>(at);
            float f;
            std::memcpy(&f, &bits, sizeof f);
            value = f;
        } else {
            const quint64 bits = qFromBigEndian<quint64>(at);
            std::memcpy(&value, &bits, sizeof value);
        }
        if (!std::isfinite(value))
            fail(QStringLiteral("número fora do intervalo"));
        m_p += 1 + size;
        return value;
    }

    QString readString() override
    {
        const QByteArrayView bytes = readUtf8(m_scratch);
        if (plainAscii(bytes.data(), bytes.size()))
            return QString::fromLatin1(bytes.data(), bytes.size());
        return QString::fromUtf8(bytes);
    }

    QByteArrayView readUtf8(QByteArray &scratch) override
    {
        if (peek() != Token::String)
            fail(QStringLiteral("esperado texto"));
        item();
        QByteArrayView bytes;
        if ((quint8(*m_p) & 0x1F) != kIndefinite) {
            bytes = chunk();
        } else {
            ++m_p;
            scratch.resize(0);
            while (true) {
                if (m_p == m_end && !more())
                    fail(QStringLiteral("fim inesperado dos dados"));
                if (quint8(*m_p) == kBreak) {
                    ++m_p;
                    break;
                }
                if ((quint8(*m_p) >> 5) != 3 || (quint8(*m_p) & 0x1F) == kIndefinite)
                    fail(QStringLiteral("dados CBOR inválidos (parte de texto)"));
                scratch.append(chunk());
            }
            bytes = scratch;
        }
        if (!plainAscii(bytes.data(), bytes.size()) &&
            !QUtf8StringView(bytes.data(), bytes.size()).isValidUtf8())
            fail(QStringLiteral("texto UTF-8 inválido"));
        return bytes;
    }

    void skipScalar(Token t) override
    {
        if (t == Token::Null)
            readNull();
        else if (t == Token::Bool)
            readBool();
        else if (t == Token::Integer)
            readInteger();
        else if (t == Token::Float)
            readFloat();
        else
            readUtf8(m_scratch);
    }

    void skipKey() override { readUtf8(m_scratch); }

    void finish() override
    {
        while (more()) {
        }
        if (m_p != m_end)
            fail(QStringLiteral("conteúdo após o fim dos dados"));
    }

    qsizetype position() const override { return m_p - m_begin; }

private:
    QByteArray m_body; // keeps the bytes alive
    BodyFeed *m_feed = nullptr;

    // Bytes that arrived since; false once the feed (if any) has no more.
    bool more() { return m_feed && m_feed->extend(m_end); }

    struct Level {
        qint64 left; // items still to come; -1 until the break of an indefinite container
    };

    [[noreturn]] void fail(const QString &detail) const { failAt(position(), detail); }

    void need(qsizetype n)
    {
        while (m_end - m_p < n)
            if (!more())
                fail(QStringLiteral("fim inesperado dos dados"));
    }

    quint8 head()
    {
        if (m_p == m_end && !more())
            fail(QStringLiteral("fim inesperado dos dados"));
        return quint8(*m_p);
    }

    // One more item of the enclosing container is being read.
    void item()
    {
        if (!m_levels.empty() && m_levels.back().left > 0)
            --m_levels.back().left;
    }

    // The argument of the head at m_p; moves past the head.
    quint64 argument()
    {
        const int info = quint8(*m_p) & 0x1F;
        if (info < 24) {
            ++m_p;
            return quint64(info);
        }
        if (info > 27)
            fail(QStringLiteral("dados CBOR inválidos (tamanho)"));
        const qsizetype size = qsizetype(1) << (info - 24);
        need(1 + size);
        const uchar *at = reinterpret_cast<const uchar *>(m_p + 1);
        quint64 v = 0;
        switch (size) {
        case 1:
            v = *at;
            break;
        case 2:
            v = qFromBigEndian<quint16>(at);
            break;
        case 4:
            v = qFromBigEndian<quint32>(at);
            break;
        default:
            v = qFromBigEndian<quint64>(at);
            break;
        }
        m_p += 1 + size;
        return v;
    }

    // A definite-length string at m_p.
    QByteArrayView chunk()
    {
        const quint64 n = argument();
        while (n > quint64(m_end - m_p) && more()) {
        }
        if (n > quint64(m_end - m_p))
            fail(QStringLiteral("tamanho declarado maior que os dados"));
        const QByteArrayView bytes(m_p, qsizetype(n));
        m_p += qsizetype(n);
        return bytes;
    }

    qsizetype enter(bool map)
    {
        if (int(m_levels.size()) >= kMaxDepth)
            fail(QStringLiteral("aninhamento profundo demais"));
        item();
        if ((quint8(*m_p) & 0x1F) == kIndefinite) {
            ++m_p;
            m_levels.push_back({-1});
            return -1;
        }
        const quint64 declared = argument();
        // Every entry takes at least one byte: a declared count beyond what is left is a lie.
        // Bytes still arriving are awaited before a count is judged against them.
        while (declared > quint64(m_end - m_p) / (map ? 2 : 1) && more()) {
        }
        const quint64 left = quint64(m_end - m_p);
        if (declared > left || (map && declared * 2 > left))
            fail(QStringLiteral("tamanho declarado maior que os dados"));
        m_levels.push_back({qint64(map ? declared * 2 : declared)});
        return qsizetype(declared);
    }

    const char *m_begin;
    const char *m_p;
    const char *m_end;
    std::vector<Level> m_levels;
    QByteArray m_scratch;
};

} // namespace

std::unique_ptr<TokenReader> makeCborReader(const QByteArray &body)
{
    return std::make_unique<CborReader>(body);
}

std::unique_ptr<TokenReader> makeCborReader(BodyFeed &feed)
{
    return std::make_unique<CborReader>(feed);
}

} // namespace vnd::data::Internal
