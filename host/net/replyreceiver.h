#pragma once
// Receives one answer of the server and decodes it. An answer sent part by part (a large
// packet) is decoded on a second thread while the rest is still arriving, so the rows are in
// their columns moments after the last byte; an answer sent whole is decoded after it.

#include "wire/value.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <string>
#include <thread>

namespace vnd::data
{
class BodyFeed;
}

namespace vnd::net
{

class ReplyReceiver
{
public:
    ReplyReceiver();
    ~ReplyReceiver(); // ends the decoding thread on every path
    ReplyReceiver(const ReplyReceiver &) = delete;
    ReplyReceiver &operator=(const ReplyReceiver &) = delete;

    // The head arrived. `length` is the declared body length, or -1 when sent in parts.
    void begin(const std::string &contentType, long long length);
    // Body bytes; false when reading further is pointless (the decoding already failed).
    bool take(const char *data, std::size_t n);
    enum class Outcome { Decoded, Invalid, Broken };
    // The transport is done, with every byte (`complete`) or not. Decoded: `reply` is set.
    // Invalid: the bytes were not a reply (the decoding's message in `error`), whether or not
    // the rest came. Broken: the transport failed before the answer could be judged.
    Outcome finish(bool complete, data::Reply &reply, QString &error);

private:
    void stopDecoding();

    data::Encoding m_encoding = data::Encoding::Json;
    QByteArray m_body; // an answer sent whole
    std::unique_ptr<data::BodyFeed> m_feed;
    std::thread m_decoder;
    data::Reply m_decoded;
    QString m_decodeError;
    bool m_decodedOk = false;
    bool m_refused = false;
};

} // namespace vnd::net
