#include "server/signinthrottle.h"

#include <algorithm>

namespace vnd::server
{

namespace
{

bool forgotten(int failures, qint64 lastFailure, qint64 now, const SignInThrottle &t)
{
    return failures <= 0 || now - lastFailure >= t.lockSeconds;
}

} // namespace

SignInWait signInWait(int failures, qint64 lastFailure, qint64 now, const SignInThrottle &t)
{
    if (forgotten(failures, lastFailure, now, t))
        return {};
    if (failures >= t.lockFailures)
        return {lastFailure + t.lockSeconds - now, true};
    if (failures < t.freeFailures)
        return {};
    const qint64 pause = qint64(2) << std::min(failures - t.freeFailures, 30);
    return {std::max<qint64>(0, lastFailure + pause - now), false};
}

int failuresAfterOneMore(int failures, qint64 lastFailure, qint64 now, const SignInThrottle &t)
{
    return forgotten(failures, lastFailure, now, t) ? 1 : failures + 1;
}

} // namespace vnd::server
