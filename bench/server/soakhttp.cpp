#include "soakhttp.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/http.hpp>

#include <boost/asio/steady_timer.hpp>

#include <functional>
#include <memory>

namespace vnd::soak
{

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;

Conversation::Conversation(int port, std::chrono::milliseconds timeout)
    : m_stream(m_io), m_timeout(timeout)
{
    const asio::ip::tcp::endpoint at(asio::ip::address_v4::loopback(), uint16_t(port));
    m_stream.expires_after(m_timeout);
    m_stream.async_connect(at, [this](beast::error_code ec) { m_connected = !ec; });
    run();
}

void Conversation::run()
{
    // The stream's own deadline ends every operation; run() returns when they are done.
    m_io.restart();
    m_io.run();
}

bool Conversation::send(const std::string &bytes)
{
    bool ok = false;
    m_stream.expires_after(m_timeout);
    asio::async_write(m_stream, asio::buffer(bytes),
                      [&ok](beast::error_code ec, std::size_t) { ok = !ec; });
    run();
    return ok;
}

Answer Conversation::read()
{
    Answer a;
    auto parser = std::make_shared<http::response_parser<http::string_body>>();
    parser->body_limit(64u << 20);
    m_stream.expires_after(m_timeout);
    http::async_read(m_stream, m_buffer, *parser, [&a, parser](beast::error_code ec, std::size_t) {
        if (ec)
            return;
        a.status = int(parser->get().result_int());
        a.close = !parser->get().keep_alive();
        a.body = parser->get().body();
    });
    run();
    return a;
}

bool Conversation::closedByServer(std::chrono::milliseconds within)
{
    bool closed = false;
    char sink[4096];
    std::function<void()> next = [&] {
        m_stream.async_read_some(asio::buffer(sink), [&](beast::error_code ec, std::size_t) {
            if (!ec)
                next();
            else
                closed = ec != beast::error::timeout;
        });
    };
    m_stream.expires_after(within);
    next();
    run();
    return closed;
}

Answer Conversation::flood(const std::string &head, const std::string &filler, std::size_t maxBytes,
                           std::size_t &sent)
{
    Answer a;
    bool answered = false;
    sent = 0;
    // Pushing hundreds of megabytes through loopback takes seconds; once nothing more goes
    // out, an answer still on its way gets a few more.
    asio::steady_timer deadline(m_io);
    auto closeAfter = [&](std::chrono::seconds limit) {
        deadline.expires_after(limit);
        deadline.async_wait([&](beast::error_code ec) {
            if (!ec)
                m_stream.close();
        });
    };
    closeAfter(60s);
    http::response_parser<http::string_body> parser;
    parser.body_limit(1u << 20);
    m_stream.expires_never();
    http::async_read(m_stream, m_buffer, parser, [&](beast::error_code ec, std::size_t) {
        answered = true;
        if (!ec) {
            a.status = int(parser.get().result_int());
            a.close = !parser.get().keep_alive();
            a.body = parser.get().body();
        }
        deadline.cancel();
        beast::error_code ignored;
        m_stream.socket().cancel(ignored); // stop the writes
    });
    std::function<void()> more = [&] {
        const std::string &chunk = sent == 0 ? head : filler;
        asio::async_write(m_stream, asio::buffer(chunk), [&](beast::error_code ec, std::size_t n) {
            sent += n;
            if (answered)
                return;
            if (!ec && sent < maxBytes)
                more();
            else
                closeAfter(3s);
        });
    };
    more();
    run();
    return a;
}

namespace
{
std::string g_authorization; // header line
} // namespace

std::string request(const std::string &method, const std::string &body, const std::string &extra)
{
    return "POST /vnd42700.rdmTabGeral/" + method +
           " HTTP/1.1\r\nHost: soak\r\nContent-Type: application/json\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n" + g_authorization + extra + "\r\n" + body;
}

const std::string &authorizationLine()
{
    return g_authorization;
}

std::string sessionToken()
{
    const std::string prefix = "Authorization: Bearer ";
    return g_authorization.empty()
               ? std::string()
               : g_authorization.substr(prefix.size(), g_authorization.size() - prefix.size() - 2);
}

bool signIn(int port)
{
    Conversation c(port);
    c.send(request("Entrar", R"({"args":["gerente","gerente-demo"]})"));
    const Answer a = c.read();
    const std::string key = R"("result":")";
    const auto at = a.body.find(key);
    if (a.status != 200 || at == std::string::npos)
        return false;
    const auto from = at + key.size();
    g_authorization =
        "Authorization: Bearer " + a.body.substr(from, a.body.find('"', from) - from) + "\r\n";
    return true;
}

std::string insertTableBody(const std::string &code, const std::string &name)
{
    return R"({"args":[{"delta":{"fields":[{"name":"CDTABEPREC","type":"string","size":3},)"
           R"({"name":"NMTABEPREC","type":"string","size":20}],"changes":[{"op":"insert",)"
           R"("new":[")" +
           code + R"(",")" + name + R"("]}]}}]})";
}

} // namespace vnd::soak
