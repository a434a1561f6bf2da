#pragma once
// A stand-in for the application server on a loopback port whose answers a test scripts:
// replies the real server never gives (changed by-reference texts, broken bodies, dropped
// or stalled answers), and a record of the requests that reached it.

#include "wire/value.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib
{
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace vnd::net::test
{

struct SeenRequest {
    std::string path;
    std::string contentType;
    std::string acceptEncoding;
    data::ValueArray args;
};

class ScriptedPeer
{
public:
    using Handler = std::function<void(const httplib::Request &, httplib::Response &)>;

    ScriptedPeer();
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer &) = delete;
    ScriptedPeer &operator=(const ScriptedPeer &) = delete;

    int port() const { return m_port; }
    // How the next requests are answered; by default a successful reply with no result.
    void answer(Handler handler);
    // Answers with this reply in CBOR and the given status.
    void answer(const data::Reply &reply, int status = 200);
    std::vector<SeenRequest> seen() const;

private:
    std::unique_ptr<httplib::Server> m_http;
    std::thread m_thread;
    std::atomic<bool> m_finished{false};
    mutable std::mutex m_mutex;
    Handler m_handler;
    std::vector<SeenRequest> m_seen;
    int m_port = -1;
};

// A port that was just free and has nothing listening on it.
int closedPort();

} // namespace vnd::net::test
