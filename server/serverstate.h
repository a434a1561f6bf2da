#pragma once
// What the listening server and its connections share: the I/O threads' context, the
// database workers, the budget of streamed answers waiting for slow clients, and the open
// connections (for the cap and for a stop).

#include "server/answerspool.h"
#include "server/dispatcher.h"
#include "server/server.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/thread_pool.hpp>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <set>

namespace boost::asio::ssl
{
class context;
}

namespace vnd::server
{

class Connection;
class SessionGate;

struct ServerState {
    ServerState(const Dispatcher &d, SessionGate *g, const ServerOptions &o)
        : dispatcher(d), gate(g), options(o), io(std::max(1, o.ioThreads)),
          readers(size_t(std::max(1, o.threads))), writers(size_t(std::max(1, o.writeThreads))),
          signIns(size_t(std::max(1, o.signInThreads))), spill(o.spill)
    {
    }

    const Dispatcher &dispatcher;
    SessionGate *gate;                        // none: every call let in
    boost::asio::ssl::context *tls = nullptr; // none: plain HTTP
    const ServerOptions &options;
    boost::asio::io_context io;
    boost::asio::thread_pool readers, writers, signIns;
    SpillBudget spill;
    // Calls waiting for or holding a worker, per pool.
    std::atomic<int> queuedReads{0}, queuedWrites{0};
    std::atomic<bool> stopping{false};
    std::mutex connectionsLock;
    std::set<std::shared_ptr<Connection>> connections;
    // Called when the last connection closes during a stop; set before any connection opens.
    std::function<void()> lastClosed;
};

} // namespace vnd::server
