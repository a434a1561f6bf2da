#pragma once
// A write transaction that rolls back unless committed. Nested units join the outer one;
// an inner unit left uncommitted dooms the whole transaction.

#include "server/changecontext.h"
#include "server/database.h"

#include <QSqlDatabase>

#include <chrono>
#include <memory>
#include <optional>

namespace vnd::server
{

class BulkCapture;

// When this thread's call arrived, for as long as it runs: a write then waits for the write
// lock no longer than the busy timeout counted from its arrival, its time queued for a writer
// included. Without one the whole busy timeout is the wait.
class CallClock
{
public:
    explicit CallClock(std::chrono::steady_clock::time_point arrived);
    ~CallClock();
    CallClock(const CallClock &) = delete;
    CallClock &operator=(const CallClock &) = delete;

private:
    std::chrono::steady_clock::time_point m_previous;
};

class UnitOfWork
{
public:
    // When the write lock is taken. On PostgreSQL it may wait for the first statement and go
    // with it, a round trip fewer, where every statement of the unit is an SqlStatement; until
    // then nothing is locked. SQLite always locks at once.
    enum class Lock { Now, WithFirstStatement };
    explicit UnitOfWork(const Database &database, Lock lock = Lock::Now);
    ~UnitOfWork();
    UnitOfWork(const UnitOfWork &) = delete;
    UnitOfWork &operator=(const UnitOfWork &) = delete;

    void commit();
    const QSqlDatabase &db() const { return m_db; }

private:
    QSqlDatabase m_db;
    ConnectionUse m_use;
    std::optional<ChangeTime> m_time;       // the outer unit's
    std::unique_ptr<BulkCapture> m_capture; // a bulk call's, on SQLite
    bool m_outer = false;
    bool m_postgres = false;
    bool m_done = false;
};

} // namespace vnd::server
