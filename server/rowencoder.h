#pragma once
// Packet rows encoded straight into a byte buffer, in JSON or CBOR, so that an answer can be
// sent part by part while its rows are read. The values decode exactly as the codec's own
// rows do; the rows array is the only part written here (see splitAroundRows).

#include "wire/packet.h"
#include "wire/value.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QVariant>

namespace vnd::server
{

class RowEncoder
{
public:
    RowEncoder(data::Encoding enc, QByteArray &out) : m_enc(enc), m_out(&out) {}
    // Where the next bytes go; the encoder's place in the structure carries over.
    void setOutput(QByteArray &out) { m_out = &out; }
    data::Encoding encoding() const { return m_enc; }

    // The rows array of unknown length: CBOR marks it indefinite.
    void beginRows();
    void endRows();
    void beginRow(qsizetype fields);
    void endRow();

    void null();
    // Text as UTF-8 bytes; invalid UTF-8 is repaired as QString::fromUtf8 does.
    void text(QByteArrayView utf8);
    void integer(qint64 i);
    // Throws vnd::Error for a number the wire cannot carry, as the codec does.
    void real(double d);
    // Any value a packet field of the type may hold, as the codec writes it.
    void cell(const data::FieldDef &field, const QVariant &value);
    // Bytes encoded earlier by this encoding (a cell kept for reuse).
    void raw(QByteArrayView encoded);

private:
    void separate();
    void head(int major, quint64 n);
    void textString(QStringView s);
    // One value of each kind that cell() writes without converting it first.
    void boolean(bool b);
    void date(QDate d);
    void dateTime(const QDateTime &dt);

    data::Encoding m_enc;
    QByteArray *m_out;
    bool m_needComma = false;
};

// The encoded reply whose result is an empty packet, split where its rows go: the bytes
// before the rows array and those after it. False when the encoding holds no such array.
bool splitAroundRows(const QByteArray &encoded, data::Encoding enc, QByteArray &before,
                     QByteArray &after);

} // namespace vnd::server
