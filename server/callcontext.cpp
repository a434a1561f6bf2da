#include "server/callcontext.h"

namespace vnd::server
{

namespace
{

const CallContext s_none;
thread_local const CallContext *t_current = nullptr;

} // namespace

const CallContext &currentCall()
{
    return t_current ? *t_current : s_none;
}

CallScope::CallScope(CallContext context) : m_context(std::move(context)), m_previous(t_current)
{
    t_current = &m_context;
}

CallScope::~CallScope()
{
    t_current = m_previous;
}

} // namespace vnd::server
