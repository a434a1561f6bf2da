#pragma once
// A raw loopback connection for tests that must send bytes exactly as written or read an
// answer at their own pace; and the HTTP pieces such tests take apart.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace vnd::server::test
{

class Socket
{
public:
    // receiveBuffer > 0: a small window, so the server's bytes wait on its side.
    explicit Socket(int port, int receiveBuffer = 0)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (receiveBuffer > 0)
            ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(uint16_t(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_ok = ::connect(m_fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
        timeout(5);
    }
    ~Socket() { ::close(m_fd); }
    Socket(const Socket &) = delete;
    Socket &operator=(const Socket &) = delete;

    bool ok() const { return m_ok; }
    // How long a read waits for bytes before giving up.
    void timeout(int seconds) const
    {
        timeval tv{seconds, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    }
    bool send(const std::string &bytes) const
    {
        return ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
    }
    // Up to `max` bytes appended to `out`; 0 when the peer closed or went quiet, -1 on error.
    ssize_t readSome(std::string &out, size_t max = 16384) const
    {
        const size_t at = out.size();
        out.resize(at + max);
        const ssize_t n = ::recv(m_fd, out.data() + at, max, 0);
        out.resize(at + size_t(n > 0 ? n : 0));
        return n;
    }
    // Everything until the peer closes or goes quiet for the timeout.
    std::string readAll() const
    {
        std::string out;
        while (readSome(out) > 0) {
        }
        return out;
    }
    int fd() const { return m_fd; }

private:
    int m_fd = -1;
    bool m_ok = false;
};

// A POST of the module's method with a JSON body; `extra` are further header lines, `version`
// the HTTP version ("1.0" or "1.1").
inline std::string request(const std::string &method, const std::string &body,
                           const std::string &extra = {}, const std::string &version = "1.1")
{
    return "POST /vnd42700.rdmTabGeral/" + method + " HTTP/" + version +
           "\r\nHost: x\r\nContent-Type: application/json\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n" + extra + "\r\n" + body;
}

// An answer taken apart: status, head, and the body with any chunked framing removed.
struct RawAnswer {
    int status = 0;
    std::string head;
    std::string body;
    bool chunked = false;
    bool complete = false; // the body is as long as its head says (or its last chunk came)
    size_t size = 0;       // bytes of the whole answer, head included
};

// The first answer in `bytes`.
RawAnswer parseAnswer(const std::string &bytes);
// Reads into `bytes` until one whole answer is there (or the server closes or goes quiet).
RawAnswer readAnswer(const Socket &s, std::string &bytes);

int count(const std::string &text, const std::string &what);

} // namespace vnd::server::test
