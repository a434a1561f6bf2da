#include "wire/elementcounter.h"

#include <algorithm>

namespace vnd::data
{

bool ElementCounter::feed(const char *bytes, qsizetype n)
{
    if (!exceeded() && n > 0) {
        if (m_enc == Encoding::Json)
            feedJson(bytes, bytes + n);
        else
            feedCbor(bytes, bytes + n);
    }
    return !exceeded();
}

void ElementCounter::feedJson(const char *p, const char *end)
{
    for (; p < end; ++p) {
        const char c = *p;
        if (m_inString) {
            if (m_escaped)
                m_escaped = false;
            else if (c == '\\')
                m_escaped = true;
            else if (c == '"')
                m_inString = false;
            continue;
        }
        switch (c) {
        case '"':
            m_inString = true;
            [[fallthrough]];
        case '[':
        case '{':
            ++m_count;
            m_inScalar = false;
            break;
        case ']':
        case '}':
        case ',':
        case ':':
        case ' ':
        case '\t':
        case '\r':
        case '\n':
            m_inScalar = false;
            break;
        default:
            // A number or a literal: counted at its first character.
            if (!m_inScalar)
                ++m_count;
            m_inScalar = true;
        }
    }
}

void ElementCounter::feedCbor(const char *p, const char *end)
{
    while (p < end && !m_stopped) {
        if (m_skip > 0) {
            const quint64 n = std::min<quint64>(m_skip, quint64(end - p));
            m_skip -= n;
            p += n;
            continue;
        }
        const quint8 b = quint8(*p++);
        if (m_argumentBytes > 0) {
            m_argument = (m_argument << 8) | b;
            if (--m_argumentBytes == 0)
                cborItem(m_major, m_argument);
            continue;
        }
        // Every head is counted: the values, the keys, and the breaks that end indefinite ones.
        ++m_count;
        const quint8 info = b & 0x1F;
        m_major = b >> 5;
        if (info < 24) {
            cborItem(m_major, info);
        } else if (info < 28) {
            m_argumentBytes = 1 << (info - 24);
            m_argument = 0;
        } else if (info == 31 && m_major >= 2 && m_major != 6) {
            // Indefinite length (a string's chunks follow as items of their own) or a break.
        } else {
            m_stopped = true; // the decoder refuses the body here
        }
    }
}

void ElementCounter::cborItem(quint8 major, quint64 argument)
{
    // A string's bytes are not items; anything else carries its value in the head.
    if (major == 2 || major == 3)
        m_skip = argument;
}

} // namespace vnd::data
