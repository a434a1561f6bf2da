#include "scriptedpeer.h"

#include "wire/codec.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vnd::net::test
{

ScriptedPeer::ScriptedPeer() : m_http(std::make_unique<httplib::Server>())
{
    answer(data::Reply{true, {}, {}, {}, {}, {}});
    m_http->Post(R"(/.*)", [this](const httplib::Request &req, httplib::Response &res) {
        SeenRequest seen{req.path,
                         req.get_header_value("Content-Type"),
                         req.get_header_value("Accept-Encoding"),
                         {}};
        try {
            seen.args =
                data::decodeRequest(QByteArray::fromStdString(req.body), data::Encoding::Cbor);
        } catch (const data::DecodeError &) {
        }
        Handler handler;
        {
            std::lock_guard lock(m_mutex);
            m_seen.push_back(std::move(seen));
            handler = m_handler;
        }
        handler(req, res);
    });
    m_port = m_http->bind_to_any_port("127.0.0.1");
    // The socket listens from bind on: calls queue up until the loop below takes them.
    m_thread = std::thread([this] {
        m_http->listen_after_bind();
        m_finished = true;
    });
}

ScriptedPeer::~ScriptedPeer()
{
    // A stop that comes before the loop started is lost; repeat it until the loop ends.
    while (!m_finished) {
        m_http->stop();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    m_thread.join();
}

void ScriptedPeer::answer(Handler handler)
{
    std::lock_guard lock(m_mutex);
    m_handler = std::move(handler);
}

void ScriptedPeer::answer(const data::Reply &reply, int status)
{
    const std::string body = data::encodeReply(reply, data::Encoding::Cbor).toStdString();
    answer([body, status](const httplib::Request &, httplib::Response &res) {
        res.status = status;
        res.set_content(body, data::contentType(data::Encoding::Cbor));
    });
}

std::vector<SeenRequest> ScriptedPeer::seen() const
{
    std::lock_guard lock(m_mutex);
    return m_seen;
}

int closedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int port = -1;
    // Bound but never listening: once closed, connecting to it is refused.
    if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), len) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    ::close(fd);
    return port;
}

} // namespace vnd::net::test
