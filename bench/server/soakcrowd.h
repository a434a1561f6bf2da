#pragma once
// An attacking crowd on its own thread: idle connections that never send a byte and
// slowloris connections that trickle a request head one byte a second. Each is reopened as
// soon as the server closes it, as an attacker would, so the crowd stays at full size.

#include <boost/asio/io_context.hpp>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace vnd::soak
{

struct CrowdFigures {
    long reopenedIdle = 0;
    long reopenedSlow = 0;
    long failedConnects = 0;
    int openAtEnd = 0;
};

class Crowd
{
public:
    Crowd(int port, int idle, int slow);
    ~Crowd();
    // Open connections right now (connected and not yet closed by the server).
    int open() const { return m_open; }
    // Stops and closes everything.
    CrowdFigures stop();

private:
    struct Member;
    void connect(const std::shared_ptr<Member> &m);
    void watch(const std::shared_ptr<Member> &m);
    void trickle(const std::shared_ptr<Member> &m);
    void reopen(const std::shared_ptr<Member> &m);

    boost::asio::io_context m_io;
    int m_port;
    std::vector<std::shared_ptr<Member>> m_members;
    std::atomic<int> m_open{0};
    std::atomic<long> m_reopenedIdle{0}, m_reopenedSlow{0}, m_failedConnects{0};
    std::thread m_thread;
};

} // namespace vnd::soak
