#include "rawsocket.h"

#include <cstdlib>
#include <strings.h>

namespace vnd::server::test
{

namespace
{

// The value of a header line, case-insensitively; npos when absent.
size_t headerValue(const std::string &head, const std::string &name)
{
    for (size_t at = head.find("\r\n"); at != std::string::npos; at = head.find("\r\n", at + 2))
        if (strncasecmp(head.c_str() + at + 2, (name + ":").c_str(), name.size() + 1) == 0)
            return head.find_first_not_of(' ', at + 2 + name.size() + 1);
    return std::string::npos;
}

} // namespace

RawAnswer parseAnswer(const std::string &bytes)
{
    RawAnswer a;
    const size_t end = bytes.find("\r\n\r\n");
    if (bytes.compare(0, 5, "HTTP/") != 0 || end == std::string::npos)
        return a;
    a.status = std::atoi(bytes.c_str() + 9);
    a.head = bytes.substr(0, end + 2);
    size_t at = end + 4;
    if (const size_t te = headerValue(a.head, "Transfer-Encoding"); te != std::string::npos) {
        a.chunked = true;
        while (at < bytes.size()) {
            const size_t line = bytes.find("\r\n", at);
            if (line == std::string::npos)
                break;
            const size_t n = std::strtoul(bytes.c_str() + at, nullptr, 16);
            at = line + 2;
            if (n == 0) {
                a.complete = bytes.compare(at, 2, "\r\n") == 0;
                at += 2;
                break;
            }
            a.body += bytes.substr(at, n);
            at += n + 2;
        }
    } else if (const size_t cl = headerValue(a.head, "Content-Length"); cl != std::string::npos) {
        const size_t n = std::strtoul(a.head.c_str() + cl, nullptr, 10);
        a.body = bytes.substr(at, n);
        a.complete = a.body.size() == n;
        at += a.body.size();
    } else {
        a.body = bytes.substr(at);
        at = bytes.size();
    }
    a.size = std::min(at, bytes.size());
    return a;
}

RawAnswer readAnswer(const Socket &s, std::string &bytes)
{
    for (RawAnswer a = parseAnswer(bytes);; a = parseAnswer(bytes))
        if (a.complete || s.readSome(bytes, 1 << 20) <= 0)
            return a;
}

int count(const std::string &text, const std::string &what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

} // namespace vnd::server::test
