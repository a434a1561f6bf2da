#include "soakcrowd.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>

#include <string_view>

namespace vnd::soak
{

namespace asio = boost::asio;
using tcp = asio::ip::tcp;
using namespace std::chrono_literals;

namespace
{
// A head that never ends: after the request line, header lines forever, one byte at a time.
constexpr std::string_view kLine = "POST /vnd42700.rdmTabGeral/getTabGeral HTTP/1.1\r\n";
constexpr std::string_view kHeader = "X-Slow: a\r\n";
} // namespace

struct Crowd::Member {
    Member(asio::io_context &io, bool slow) : socket(io), timer(io), slow(slow) {}
    tcp::socket socket;
    asio::steady_timer timer;
    bool slow;
    bool connected = false;
    std::size_t sent = 0;
    char sink[512];
};

Crowd::Crowd(int port, int idle, int slow) : m_port(port)
{
    for (int i = 0; i < idle + slow; ++i) {
        m_members.push_back(std::make_shared<Member>(m_io, i >= idle));
        connect(m_members.back());
    }
    m_thread = std::thread([this] { m_io.run(); });
}

Crowd::~Crowd()
{
    stop();
}

void Crowd::connect(const std::shared_ptr<Member> &m)
{
    m->sent = 0;
    const tcp::endpoint at(asio::ip::address_v4::loopback(), uint16_t(m_port));
    m->socket.async_connect(at, [this, m](boost::system::error_code ec) {
        if (ec) {
            ++m_failedConnects;
            reopen(m);
            return;
        }
        m->connected = true;
        ++m_open;
        watch(m);
        if (m->slow)
            trickle(m);
    });
}

// Anything from the server (an answer or the close) ends this connection; the crowd opens
// another in its place.
void Crowd::watch(const std::shared_ptr<Member> &m)
{
    m->socket.async_read_some(asio::buffer(m->sink),
                              [this, m](boost::system::error_code ec, std::size_t) {
                                  if (ec == asio::error::operation_aborted && !m->connected)
                                      return;
                                  if (m->connected) {
                                      m->connected = false;
                                      --m_open;
                                      (m->slow ? m_reopenedSlow : m_reopenedIdle)++;
                                  }
                                  reopen(m);
                              });
}

void Crowd::trickle(const std::shared_ptr<Member> &m)
{
    const std::size_t at = m->sent;
    const char byte = at < kLine.size() ? kLine[at] : kHeader[(at - kLine.size()) % kHeader.size()];
    // The request line goes at once; then one byte a second.
    const auto pause = at + 1 < kLine.size() ? 0s : 1s;
    auto data = std::make_shared<char>(byte);
    asio::async_write(m->socket, asio::buffer(data.get(), 1),
                      [this, m, data, pause](boost::system::error_code ec, std::size_t) {
                          if (ec || !m->connected)
                              return; // the watching read sees the close and reopens
                          ++m->sent;
                          m->timer.expires_after(pause);
                          m->timer.async_wait([this, m](boost::system::error_code ec) {
                              if (!ec && m->connected)
                                  trickle(m);
                          });
                      });
}

void Crowd::reopen(const std::shared_ptr<Member> &m)
{
    boost::system::error_code ignored;
    m->timer.cancel();
    m->socket.close(ignored);
    // A short pause keeps a refusing server from turning this into a busy loop.
    m->timer.expires_after(10ms);
    m->timer.async_wait([this, m](boost::system::error_code ec) {
        if (!ec)
            connect(m);
    });
}

CrowdFigures Crowd::stop()
{
    if (m_thread.joinable()) {
        m_io.stop();
        m_thread.join();
        for (auto &m : m_members) {
            boost::system::error_code ignored;
            m->socket.close(ignored);
        }
    }
    return {m_reopenedIdle, m_reopenedSlow, m_failedConnects, m_open};
}

} // namespace vnd::soak
