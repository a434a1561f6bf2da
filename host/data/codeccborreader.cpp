#include "host/data/codecio.h"

#include <QCborStreamReader>

#include <algorithm>
#include <cmath>
#include <limits>

namespace vnd::data::Internal
{

namespace
{

class CborReader final : public TokenReader
{
public:
    explicit CborReader(const QByteArray &body) : m_size(body.size()), m_reader(body) {}

    Token peek() override
    {
        check();
        switch (m_reader.type()) {
        case QCborStreamReader::UnsignedInteger:
        case QCborStreamReader::NegativeInteger:
            return Token::Integer;
        case QCborStreamReader::String:
            return Token::String;
        case QCborStreamReader::Array:
            return Token::Array;
        case QCborStreamReader::Map:
            return Token::Map;
        case QCborStreamReader::Float16:
        case QCborStreamReader::Float:
        case QCborStreamReader::Double:
            return Token::Float;
        case QCborStreamReader::SimpleType:
            if (m_reader.isNull())
                return Token::Null;
            if (m_reader.isBool())
                return Token::Bool;
            fail(QStringLiteral("valor simples não suportado"));
        case QCborStreamReader::ByteArray:
            fail(QStringLiteral("sequência de bytes não suportada"));
        case QCborStreamReader::Tag:
            fail(QStringLiteral("marca (tag) não suportada"));
        case QCborStreamReader::Invalid:
            break;
        }
        fail(QStringLiteral("fim inesperado dos dados"));
    }

    qsizetype enterArray() override
    {
        if (peek() != Token::Array)
            fail(QStringLiteral("esperada lista"));
        return enter();
    }
    qsizetype enterMap() override
    {
        if (peek() != Token::Map)
            fail(QStringLiteral("esperado objeto"));
        return enter();
    }

    bool hasNext() override
    {
        const bool more = m_reader.hasNext();
        check();
        return more;
    }

    void leave() override
    {
        if (m_reader.hasNext())
            fail(QStringLiteral("itens a mais na lista"));
        if (!m_reader.leaveContainer())
            fail(QStringLiteral("estrutura inválida"));
        --m_depth;
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
        advance();
    }

    bool readBool() override
    {
        if (peek() != Token::Bool)
            fail(QStringLiteral("esperado verdadeiro ou falso"));
        const bool b = m_reader.toBool();
        advance();
        return b;
    }

    qint64 readInteger() override
    {
        if (peek() != Token::Integer)
            fail(QStringLiteral("esperado número inteiro"));
        constexpr quint64 max = quint64(std::numeric_limits<qint64>::max());
        qint64 value = 0;
        if (m_reader.isUnsignedInteger()) {
            const quint64 u = m_reader.toUnsignedInteger();
            if (u > max)
                fail(QStringLiteral("número inteiro fora do intervalo"));
            value = qint64(u);
        } else {
            // The stream holds n for the value -1 - n.
            const quint64 n = quint64(m_reader.toNegativeInteger()) - 1;
            if (n > max)
                fail(QStringLiteral("número inteiro fora do intervalo"));
            value = -1 - qint64(n);
        }
        advance();
        return value;
    }

    double readFloat() override
    {
        if (peek() != Token::Float)
            fail(QStringLiteral("esperado número"));
        double value = 0;
        if (m_reader.isDouble())
            value = m_reader.toDouble();
        else if (m_reader.isFloat())
            value = m_reader.toFloat();
        else
            value = double(float(m_reader.toFloat16()));
        if (!std::isfinite(value))
            fail(QStringLiteral("número fora do intervalo"));
        advance();
        return value;
    }

    QString readString() override
    {
        if (peek() != Token::String)
            fail(QStringLiteral("esperado texto"));
        // One chunk usually: its data is taken as it is; the read that follows only
        // reports the end of the string.
        auto r = m_reader.readString();
        QString text = std::move(r.data);
        while (r.status == QCborStreamReader::Ok) {
            r = m_reader.readString();
            if (r.status == QCborStreamReader::Ok)
                text += r.data;
        }
        if (r.status == QCborStreamReader::Error)
            fail(texts(m_reader.lastError()));
        return text;
    }

    QByteArrayView readUtf8(QByteArray &scratch) override
    {
        if (peek() != Token::String)
            fail(QStringLiteral("esperado texto"));
        scratch.resize(0);
        while (true) {
            const qsizetype chunk = m_reader.currentStringChunkSize();
            const qsizetype at = scratch.size();
            if (chunk > 0)
                scratch.resize(at + chunk);
            const auto r =
                m_reader.readStringChunk(scratch.data() + at, std::max<qsizetype>(chunk, 0));
            if (r.status == QCborStreamReader::Error)
                fail(texts(m_reader.lastError()));
            if (r.status == QCborStreamReader::EndOfString) {
                scratch.resize(at);
                break;
            }
            scratch.resize(at + r.data);
        }
        return scratch;
    }

    void skip() override
    {
        switch (peek()) {
        case Token::String:
            readString();
            break;
        case Token::Array:
            enterArray();
            while (hasNext())
                skip();
            leave();
            break;
        case Token::Map:
            enterMap();
            while (hasNext()) {
                skip();
                skip();
            }
            leave();
            break;
        default:
            advance();
            break;
        }
    }

    void finish() override
    {
        check(true);
        if (m_reader.currentOffset() != m_size)
            fail(QStringLiteral("conteúdo após o fim dos dados"));
    }

    qsizetype position() const override { return qsizetype(m_reader.currentOffset()); }

private:
    [[noreturn]] void fail(const QString &detail) const { failAt(position(), detail); }

    static QString texts(QCborError error)
    {
        switch (error.c) {
        case QCborError::EndOfFile:
            return QStringLiteral("fim inesperado dos dados");
        case QCborError::InvalidUtf8String:
            return QStringLiteral("texto UTF-8 inválido");
        case QCborError::DataTooLarge:
            return QStringLiteral("tamanho declarado maior que os dados");
        case QCborError::NestingTooDeep:
            return QStringLiteral("aninhamento profundo demais");
        default:
            return QStringLiteral("dados CBOR inválidos (%1)").arg(error.toString());
        }
    }

    void check(bool atEnd = false)
    {
        const QCborError error = m_reader.lastError();
        if (error.c == QCborError::NoError)
            return;
        if (atEnd && error.c == QCborError::EndOfFile)
            return;
        fail(texts(error));
    }

    void advance()
    {
        if (!m_reader.next())
            check();
    }

    qsizetype enter()
    {
        if (m_depth >= kMaxDepth)
            fail(QStringLiteral("aninhamento profundo demais"));
        qsizetype bound = -1;
        if (m_reader.isLengthKnown()) {
            // Every entry takes at least one byte: a declared count beyond what is left is
            // a lie, and is never used for an allocation.
            const quint64 left = quint64(m_size - m_reader.currentOffset());
            const quint64 declared = m_reader.length();
            bound = qsizetype(declared < left ? declared : left);
        }
        if (!m_reader.enterContainer())
            fail(texts(m_reader.lastError()));
        ++m_depth;
        return bound;
    }

    qint64 m_size;
    QCborStreamReader m_reader;
    int m_depth = 0;
};

} // namespace

std::unique_ptr<TokenReader> makeCborReader(const QByteArray &body)
{
    return std::make_unique<CborReader>(body);
}

} // namespace vnd::data::Internal
