#pragma once
// How long a login must wait before its next sign-in attempt, from its failures in a row:
// a few go free, then each waits twice as long as the one before, then the login is locked
// for a while. Failures older than the lock are forgotten. The same for every login text,
// whether a user has it or not, so the answer never tells which logins exist.

#include <QtGlobal>

namespace vnd::server
{

struct SignInThrottle {
    int freeFailures = 3; // then 2 s, 4 s, 8 s... before the next attempt
    int lockFailures = 8; // then locked
    int lockSeconds = 15 * 60;
};

struct SignInWait {
    qint64 seconds = 0; // 0: may try now
    bool locked = false;
};

// failures: in a row so far; times in seconds.
SignInWait signInWait(int failures, qint64 lastFailure, qint64 now,
                      const SignInThrottle &throttle = {});
// The failures in a row once one more is counted at now.
int failuresAfterOneMore(int failures, qint64 lastFailure, qint64 now,
                         const SignInThrottle &throttle = {});

} // namespace vnd::server
