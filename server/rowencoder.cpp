#include "server/rowencoder.h"

#include "wire/codecio.h"
#include "wire/error.h"

#include <charconv>
#include <cstring>

namespace vnd::server
{

using data::Encoding;
using data::FieldType;

namespace
{

[[noreturn]] void unencodable(const QString &what)
{
    throw vnd::Error(QStringLiteral("Não foi possível codificar os dados: %1.").arg(what));
}

} // namespace

void RowEncoder::separate()
{
    if (m_needComma)
        m_out->append(',');
}

// One append per item: appending byte by byte cost more than the rows' own copying.
void RowEncoder::head(int major, quint64 n)
{
    char buf[9];
    const char m = char(major << 5);
    if (n < 24) {
        m_out->append(char(m | char(n)));
        return;
    }
    int bytes = 8;
    char info = 27;
    if (n <= 0xff) {
        bytes = 1;
        info = 24;
    } else if (n <= 0xffff) {
        bytes = 2;
        info = 25;
    } else if (n <= 0xffffffffu) {
        bytes = 4;
        info = 26;
    }
    buf[0] = char(m | info);
    for (int i = 0; i < bytes; ++i)
        buf[1 + i] = char((n >> (8 * (bytes - 1 - i))) & 0xff);
    m_out->append(buf, 1 + bytes);
}

void RowEncoder::beginRows()
{
    if (m_enc == Encoding::Cbor)
        m_out->append(char(0x9f));
    else
        m_out->append('[');
    m_needComma = false;
}

void RowEncoder::endRows()
{
    m_out->append(m_enc == Encoding::Cbor ? char(0xff) : ']');
    m_needComma = true;
}

void RowEncoder::beginRow(qsizetype fields)
{
    if (m_enc == Encoding::Cbor) {
        head(4, quint64(fields));
        return;
    }
    separate();
    m_out->append('[');
    m_needComma = false;
}

void RowEncoder::endRow()
{
    if (m_enc == Encoding::Json)
        m_out->append(']');
    m_needComma = true;
}

void RowEncoder::null()
{
    if (m_enc == Encoding::Cbor) {
        m_out->append(char(0xf6));
        return;
    }
    separate();
    m_out->append("null", 4);
    m_needComma = true;
}

void RowEncoder::raw(QByteArrayView encoded)
{
    if (m_enc == Encoding::Json)
        separate();
    m_out->append(encoded.data(), encoded.size());
    m_needComma = true;
}

void RowEncoder::text(QByteArrayView utf8)
{
    // One pass decides whether the bytes go as they are: ASCII, and for JSON nothing to escape.
    const bool json = m_enc == Encoding::Json;
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80 || (json && (u < 0x20 || u == '"' || u == '\\'))) {
            textString(QString::fromUtf8(utf8));
            return;
        }
    }
    if (!json) {
        head(3, quint64(utf8.size()));
        m_out->append(utf8.data(), utf8.size());
        return;
    }
    const qsizetype at = m_out->size();
    const qsizetype n = utf8.size();
    m_out->resize(at + n + (m_needComma ? 3 : 2));
    char *p = m_out->data() + at;
    if (m_needComma)
        *p++ = ',';
    *p++ = '"';
    std::memcpy(p, utf8.data(), size_t(n));
    p[n] = '"';
    m_needComma = true;
}

void RowEncoder::textString(QStringView s)
{
    if (m_enc == Encoding::Cbor) {
        const QByteArray utf8 = s.toUtf8();
        head(3, quint64(utf8.size()));
        m_out->append(utf8);
        return;
    }
    separate();
    m_out->append('"');
    data::Internal::appendJsonEscaped(*m_out, s);
    m_out->append('"');
    m_needComma = true;
}

void RowEncoder::real(double d)
{
    data::Internal::requireFinite(d);
    if (m_enc == Encoding::Cbor) {
        // Always eight bytes: the value travels bit for bit.
        quint64 bits = 0;
        std::memcpy(&bits, &d, sizeof bits);
        char buf[9];
        buf[0] = char(0xfb);
        for (int i = 0; i < 8; ++i)
            buf[1 + i] = char((bits >> (8 * (7 - i))) & 0xff);
        m_out->append(buf, 9);
        return;
    }
    separate();
    data::Internal::appendJsonFloat(*m_out, d);
    m_needComma = true;
}

void RowEncoder::integer(qint64 i)
{
    if (m_enc == Encoding::Cbor) {
        if (i >= 0)
            head(0, quint64(i));
        else
            head(1, quint64(-1 - i));
        return;
    }
    separate();
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, i);
    m_out->append(buf, r.ptr - buf);
    m_needComma = true;
}

void RowEncoder::boolean(bool b)
{
    if (m_enc == Encoding::Cbor) {
        m_out->append(char(b ? 0xf5 : 0xf4));
        return;
    }
    separate();
    m_out->append(b ? "true" : "false", b ? 4 : 5);
    m_needComma = true;
}

void RowEncoder::date(QDate d)
{
    char buf[10];
    if (!d.isValid())
        null();
    else if (data::Internal::formatDate(d, buf))
        text(QByteArrayView(buf, 10));
    else
        unencodable(QStringLiteral("data fora do intervalo 0001-9999"));
}

void RowEncoder::dateTime(const QDateTime &dt)
{
    char buf[19];
    if (!dt.isValid())
        null();
    else if (data::Internal::formatDateTime(dt, buf))
        text(QByteArrayView(buf, 19));
    else
        unencodable(QStringLiteral("data e hora fora do intervalo 0001-9999"));
}

void RowEncoder::cell(const data::FieldDef &field, const QVariant &value)
{
    if (value.isNull()) {
        null();
        return;
    }
    // The value as the database gave it for the field's type goes straight out; anything else
    // is converted first, as the codec would.
    const int type = value.typeId();
    switch (field.type) {
    case FieldType::String:
    case FieldType::FixedString:
        if (type == QMetaType::QString)
            return textString(*static_cast<const QString *>(value.constData()));
        break;
    case FieldType::Integer:
        if (type == QMetaType::LongLong)
            return integer(value.toLongLong());
        break;
    case FieldType::Float:
        if (type == QMetaType::Double)
            return real(value.toDouble());
        break;
    case FieldType::Date:
        if (type == QMetaType::QDate)
            return date(value.toDate());
        break;
    case FieldType::DateTime:
        if (type == QMetaType::QDateTime)
            return dateTime(*static_cast<const QDateTime *>(value.constData()));
        break;
    case FieldType::Boolean:
        if (type == QMetaType::Bool)
            return boolean(value.toBool());
        break;
    }
    QVariant copy = value;
    if (!data::normalizeValue(field.type, copy))
        unencodable(QStringLiteral("valor incompatível com o campo %1 (%2)")
                        .arg(field.name, data::fieldTypeName(field.type)));
    if (copy.isNull())
        null();
    else
        cell(field, copy);
}

bool splitAroundRows(const QByteArray &encoded, Encoding enc, QByteArray &before, QByteArray &after)
{
    // The codec writes the packet's fields before its rows, and fields hold only names and
    // types, so the first empty rows array is the packet's.
    static const QByteArray json("\"rows\":[]");
    static const QByteArray cbor("\x64rows\x80", 6);
    const QByteArray &marker = enc == Encoding::Cbor ? cbor : json;
    const qsizetype at = encoded.indexOf(marker);
    if (at < 0)
        return false;
    const qsizetype rows = at + marker.size() - 1 - (enc == Encoding::Json ? 1 : 0);
    before = encoded.left(rows);
    after = encoded.mid(rows + (enc == Encoding::Json ? 2 : 1));
    return true;
}

} // namespace vnd::server
