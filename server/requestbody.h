#pragma once
// A request body for Beast's parser: read into one QByteArray (handed to a database worker as
// it is, without a copy) while its values are counted, so that a body which would decode into
// too many values is refused as soon as its bytes show it, not once all of them are in.

#include "wire/elementcounter.h"

#include <boost/beast/core/buffers_range.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/optional.hpp>
#include <boost/system/errc.hpp>

#include <QByteArray>

#include <cstdint>
#include <cstring>
#include <optional>

namespace vnd::server
{

struct RequestBody {
    struct value_type {
        QByteArray bytes;
        // Set once the head names a known encoding, before the body is read.
        std::optional<data::ElementCounter> counter;
    };

    static std::uint64_t size(const value_type &body) { return std::uint64_t(body.bytes.size()); }

    // The error a body with too many values ends its read with.
    static boost::system::error_code tooManyValues()
    {
        return boost::system::errc::make_error_code(boost::system::errc::value_too_large);
    }

    class reader
    {
    public:
        template <bool isRequest, class Fields>
        reader(boost::beast::http::header<isRequest, Fields> &, value_type &body) : m_body(body)
        {
        }

        void init(const boost::optional<std::uint64_t> &length, boost::system::error_code &ec)
        {
            ec = {};
            // The parser has checked the length against the body limit already.
            if (length)
                m_body.bytes.reserve(qsizetype(*length));
        }

        template <class ConstBufferSequence>
        std::size_t put(const ConstBufferSequence &buffers, boost::system::error_code &ec)
        {
            ec = {};
            std::size_t taken = 0;
            for (const auto b : boost::beast::buffers_range_ref(buffers)) {
                const auto *p = static_cast<const char *>(b.data());
                m_body.bytes.append(p, qsizetype(b.size()));
                taken += b.size();
                if (m_body.counter && !m_body.counter->feed(p, qsizetype(b.size()))) {
                    ec = tooManyValues();
                    break;
                }
            }
            return taken;
        }

        void finish(boost::system::error_code &ec) { ec = {}; }

    private:
        value_type &m_body;
    };
};

} // namespace vnd::server
