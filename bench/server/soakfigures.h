#pragma once
// The soak's figures, one function each; each prints its lines and answers whether its goal
// was met.

#include "soakprocess.h"

namespace vnd::soak
{

using Clock = std::chrono::steady_clock;

inline double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

inline const char *yesNo(bool b)
{
    return b ? "yes" : "no";
}

bool pipelining(const ServerProcess &server);
bool smuggling(const ServerProcess &server);
bool memoryUnderFloods(const ServerProcess &server);
bool crowdSoak(const ServerProcess &server, int seconds, int idle, int slow);
// Stops the server: run last.
bool gracefulStop(ServerProcess &server);

} // namespace vnd::soak
