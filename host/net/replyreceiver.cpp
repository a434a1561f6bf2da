#include "host/net/replyreceiver.h"

#include "wire/bodyfeed.h"
#include "wire/codec.h"

#include <limits>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace vnd::net
{

ReplyReceiver::ReplyReceiver() = default;

ReplyReceiver::~ReplyReceiver()
{
    stopDecoding();
}

void ReplyReceiver::stopDecoding()
{
    if (m_feed)
        m_feed->close();
    if (m_decoder.joinable())
        m_decoder.join();
}

void ReplyReceiver::begin(const std::string &contentType, long long length)
{
    // A head may come again (the request sent once more): what came before is dropped.
    stopDecoding();
    m_feed.reset();
    m_body.clear();
    m_decoded = {};
    m_decodeError.clear();
    m_decodedOk = m_refused = false;
    m_encoding =
        contentType.find("cbor") != std::string::npos ? data::Encoding::Cbor : data::Encoding::Json;
    if (length >= 0) {
        // The declared length is the server's word, not a promise: growth past a bound.
        m_body.reserve(qsizetype(std::min<long long>(length, 1 << 24)));
        return;
    }
    auto feed = std::make_unique<data::BodyFeed>();
    if (!feed->usable())
        return; // no room reserved: decoded once whole
    m_feed = std::move(feed);
    m_decoder = std::thread([this] {
        try {
            m_decoded = data::decodeReply(*m_feed, m_encoding);
            m_decodedOk = true;
#ifdef __GLIBC__
            malloc_trim(0);
#endif
        } catch (const std::exception &e) {
            m_decodeError = QString::fromUtf8(e.what());
            m_feed->abandon();
        }
    });
}

bool ReplyReceiver::take(const char *data, std::size_t n)
{
    if (!m_feed) {
        if (n > std::size_t(std::numeric_limits<qsizetype>::max() - m_body.size()))
            return false;
        m_body.append(data, qsizetype(n));
        return true;
    }
    if (m_feed->abandoned()) {
        m_refused = true; // the transport stops because the bytes were not a reply
        return false;
    }
    return m_feed->append(data, n);
}

ReplyReceiver::Outcome ReplyReceiver::finish(bool complete, data::Reply &reply, QString &error)
{
    stopDecoding();
    if (m_feed) {
        if (m_decodedOk && complete) {
            reply = std::move(m_decoded);
            return Outcome::Decoded;
        }
        // Bytes cut short fail to decode too: that is the transport's fault, unless the
        // transport stopped because the decoding had failed.
        if (!m_decodeError.isEmpty() && (complete || m_refused)) {
            error = m_decodeError;
            return Outcome::Invalid;
        }
        return Outcome::Broken;
    }
    if (!complete)
        return Outcome::Broken;
    try {
        reply = data::decodeReply(m_body, m_encoding);
        return Outcome::Decoded;
    } catch (const data::DecodeError &e) {
        error = e.message();
        return Outcome::Invalid;
    }
}

} // namespace vnd::net
