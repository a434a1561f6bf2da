#pragma once
// Internal to the codecs: token-level readers and writers, one pair per encoding, under one
// structural encoder/decoder, so both encodings carry exactly the same structure.

#include "wire/codec.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QLatin1StringView>
#include <QString>

#include <memory>

namespace vnd::data
{
class BodyFeed;
}

namespace vnd::data::Internal
{

// Containers nest a handful of levels in real bodies; the limit keeps hostile nesting
// from exhausting the stack.
constexpr int kMaxDepth = 64;

enum class Token { Null, Bool, Integer, Float, String, Array, Map };

class TokenWriter
{
public:
    virtual ~TokenWriter() = default;
    virtual void beginArray(qsizetype count) = 0;
    virtual void endArray() = 0;
    virtual void beginMap(qsizetype count) = 0;
    virtual void endMap() = 0;
    virtual void key(QLatin1StringView name) = 0;
    virtual void null() = 0;
    virtual void boolean(bool b) = 0;
    virtual void integer(qint64 i) = 0;
    virtual void floating(double d) = 0;
    virtual void string(QStringView s) = 0;
    virtual void ascii(QLatin1StringView s) = 0; // known to be plain ASCII, needs no escaping
    virtual QByteArray take() = 0;
};

// A pull reader. Inside a container, hasNext() says whether an entry follows; in a map
// each entry is readKey() and then a value. Every method throws DecodeError on malformed
// or truncated input.
class TokenReader
{
public:
    virtual ~TokenReader() = default;
    virtual Token peek() = 0;
    // Returns the declared entry count bounded by the bytes left, or -1 when not declared.
    virtual qsizetype enterArray() = 0;
    virtual qsizetype enterMap() = 0;
    virtual bool hasNext() = 0;
    virtual void leave() = 0;
    virtual QString readKey() = 0;
    virtual void readNull() = 0;
    virtual bool readBool() = 0;
    virtual qint64 readInteger() = 0;
    virtual double readFloat() = 0;
    virtual QString readString() = 0;
    // The string's bytes as valid UTF-8, without building a QString: a view into the body or
    // into scratch, valid until the next read.
    virtual QByteArrayView readUtf8(QByteArray &scratch) = 0;
    // Passes over the next value, containers whole.
    void skip();
    // The whole body was consumed.
    virtual void finish() = 0;
    virtual qsizetype position() const = 0;

protected:
    // Passes over a value that is not a container, or over a map's key.
    virtual void skipScalar(Token t) = 0;
    virtual void skipKey() { readKey(); }
};

std::unique_ptr<TokenWriter> makeWriter(Encoding enc);
std::unique_ptr<TokenReader> makeReader(const QByteArray &body, Encoding enc);

std::unique_ptr<TokenWriter> makeJsonWriter();
std::unique_ptr<TokenWriter> makeCborWriter();
std::unique_ptr<TokenReader> makeJsonReader(const QByteArray &body);
std::unique_ptr<TokenReader> makeCborReader(const QByteArray &body);
// Readers that wait for the feed's bytes as they need them.
std::unique_ptr<TokenReader> makeReader(BodyFeed &feed, Encoding enc);
std::unique_ptr<TokenReader> makeJsonReader(BodyFeed &feed);
std::unique_ptr<TokenReader> makeCborReader(BodyFeed &feed);

// Infinite and undefined numbers are refused in both encodings, with the same text.
void requireFinite(double d);
// A finite double in JSON, in its shortest form that reads back as a float ("3.0", not "3").
void appendJsonFloat(QByteArray &out, double d);

// The text inside a JSON string, escaped and in UTF-8, without the quotes.
void appendJsonEscaped(QByteArray &out, QStringView s);

// "Corpo inválido na posição N: detail."
[[noreturn]] void failAt(qsizetype position, const QString &detail);

// Wire forms of dates and date-times (local time, whole seconds).
// Writes 10 / 19 ASCII characters; false when the year is outside 1..9999.
bool formatDate(QDate date, char out[10]);
bool formatDateTime(const QDateTime &dt, char out[19]);
// Strict parsers: exactly "YYYY-MM-DD" / "YYYY-MM-DDTHH:MM:SS" naming a real day and time.
QDate parseDate(QStringView text);
QDateTime parseDateTime(QStringView text);

} // namespace vnd::data::Internal
