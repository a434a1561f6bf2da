#pragma once
// What the server knows of the call a thread is serving, beyond its arguments: the method,
// the client's address and, once the gate let it in, its session. Methods that need them
// (signing in and out, who is signed in) read them here.

#include "server/sessionstore.h"

#include <QString>

#include <optional>

namespace vnd::server
{

struct CallContext {
    QString method;
    QString address; // as the log shows it
    std::optional<Session> session;
};

// The call under way on this thread; an empty context outside one.
const CallContext &currentCall();

// Makes the context current on this thread for its lifetime.
class CallScope
{
public:
    explicit CallScope(CallContext context);
    ~CallScope();
    CallScope(const CallScope &) = delete;
    CallScope &operator=(const CallScope &) = delete;

private:
    CallContext m_context;
    const CallContext *m_previous;
};

} // namespace vnd::server
