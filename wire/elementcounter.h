#pragma once
// Counts the values of a body as its bytes arrive, so that a body which would decode into
// millions of values is refused after its first megabytes instead of once it is all in
// memory: one byte of CBOR (two of JSON) becomes a value of 32 bytes or more when decoded.
// The count is never below the number of values a decoder builds from the same bytes; bytes
// that are malformed are left to the decoder to refuse. Nesting is bounded by the readers.

#include "wire/value.h"

#include <QtGlobal>

namespace vnd::data
{

class ElementCounter
{
public:
    ElementCounter(Encoding enc, qint64 limit) : m_enc(enc), m_limit(limit) {}

    // False once the bytes so far hold more values than the limit.
    bool feed(const char *bytes, qsizetype n);
    bool exceeded() const { return m_count > m_limit; }
    qint64 count() const { return m_count; }
    qint64 limit() const { return m_limit; }

private:
    void feedJson(const char *p, const char *end);
    void feedCbor(const char *p, const char *end);
    void cborItem(quint8 major, quint64 argument);

    Encoding m_enc;
    qint64 m_limit;
    qint64 m_count = 0;
    // JSON: inside a string, just after a backslash in it, inside a number or literal.
    bool m_inString = false;
    bool m_escaped = false;
    bool m_inScalar = false;
    // CBOR: the head being read (its argument bytes still to come), the string bytes to skip,
    // and whether counting stopped at a malformed head.
    quint8 m_major = 0;
    int m_argumentBytes = 0;
    quint64 m_argument = 0;
    quint64 m_skip = 0;
    bool m_stopped = false;
};

} // namespace vnd::data
