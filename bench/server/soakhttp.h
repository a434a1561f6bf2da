#pragma once
// Raw HTTP/1.1 conversations with the server for the soak: bytes sent exactly as written
// (so malformed and hostile requests can be sent), answers read with deadlines.

#include <boost/asio/io_context.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>

#include <chrono>
#include <cstddef>
#include <string>

namespace vnd::soak
{

using namespace std::chrono_literals;

struct Answer {
    int status = 0; // 0: no answer (closed, reset or timed out)
    bool close = false;
    std::string body;
};

// A connection driven synchronously: every step runs its own small event loop bounded by a
// deadline, so a server that never answers cannot hang the soak.
class Conversation
{
public:
    explicit Conversation(int port, std::chrono::milliseconds timeout = 2000ms);
    bool connected() const { return m_connected; }
    bool send(const std::string &bytes);
    Answer read();
    // True when the server closes the connection (EOF or reset) within the deadline.
    bool closedByServer(std::chrono::milliseconds within);
    // Sends `head`, then `filler` over and over until the server answers, the connection
    // breaks or `maxBytes` went out; reads the answer meanwhile. `sent` is what went out.
    Answer flood(const std::string &head, const std::string &filler, std::size_t maxBytes,
                 std::size_t &sent);

private:
    void run();

    boost::asio::io_context m_io;
    boost::beast::tcp_stream m_stream;
    boost::beast::flat_buffer m_buffer;
    std::chrono::milliseconds m_timeout;
    bool m_connected = false;
};

// A POST of the module's path with a JSON body; `extra` are further header lines. It carries
// the session signIn opened, once there is one.
std::string request(const std::string &method, const std::string &body,
                    const std::string &extra = {});
// Signs in as the demo manager; false when the server would not have it.
bool signIn(int port);
// The header line that carries the session signIn opened (empty before), for heads written
// by hand; and its token alone.
const std::string &authorizationLine();
std::string sessionToken();
// A setTabGeral that inserts price table `code` named `name`.
std::string insertTableBody(const std::string &code, const std::string &name);

} // namespace vnd::soak
