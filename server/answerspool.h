#pragma once
// The bytes of one streamed answer on their way from the database worker that reads its rows
// to the connection that sends them. Parts wait in memory up to a bound; past it they go to a
// temporary file, unlinked from the start, that the sending side reads back. So the worker
// never waits for the client: it reads all the rows at the database's pace and gives its
// statement (and the read snapshot the statement holds) back at once, and a slow client costs
// disk, not a worker. The memory and disk of all answers have caps shared through SpillBudget.

#include <QByteArray>
#include <QString>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>

namespace vnd::server
{

struct SpillLimits {
    QString directory;                  // empty: $TMPDIR or /tmp
    qint64 diskBytes = qint64(2) << 30; // over it, new large answers are refused (503)
    qint64 memoryBytes = 64 << 20;      // all answers' parts in memory together
    qint64 answerMemoryBytes = 256 << 10;
};

// What all answers of one server hold, against its limits.
class SpillBudget
{
public:
    explicit SpillBudget(SpillLimits limits);

    // The disk cap is reached: a new large answer must be refused. Answers under way go on, so
    // the cap is exceeded by at most what they still write.
    bool full() const { return m_disk >= m_limits.diskBytes; }
    qint64 diskInUse() const { return m_disk; }
    const SpillLimits &limits() const { return m_limits; }

private:
    friend class AnswerSpool;
    bool takeMemory(qint64 n);
    void giveMemory(qint64 n) { m_memory -= n; }
    // An unlinked temporary file; -1 with errno set when none can be made.
    int openFile() const;

    SpillLimits m_limits;
    std::atomic<qint64> m_memory{0};
    std::atomic<qint64> m_disk{0};
};

class AnswerSpool
{
public:
    explicit AnswerSpool(SpillBudget &budget) : m_budget(budget) {}
    ~AnswerSpool();
    AnswerSpool(const AnswerSpool &) = delete;
    AnswerSpool &operator=(const AnswerSpool &) = delete;

    // The producing side. False once the connection gave up (stop reading rows). Throws
    // std::runtime_error when the temporary file cannot be written.
    bool append(QByteArray part);
    void finish();
    void fail(const QString &why);

    // The sending side. `wake` is kept when the answer is Waiting and called once, from the
    // producing thread, when that changes.
    enum class State { Data, Waiting, Done, Failed };
    // The next bytes (at most `max` of those read back from the file) into `out`.
    State take(QByteArray &out, qsizetype max, std::function<void()> wake);
    // Whether the producer has finished (Done or Failed), without taking anything.
    State ended(std::function<void()> wake);
    // Every byte appended; the answer's length once Done.
    qint64 total() const;
    QString failure() const;
    // The connection is gone: what is held is dropped and the producer told to stop.
    void cancel();

private:
    void wakeUp(std::unique_lock<std::mutex> &lock);
    // With the lock held and nothing left to take.
    State endOrWait(std::function<void()> wake);
    void dropFile();

    SpillBudget &m_budget;
    mutable std::mutex m_lock;
    std::deque<QByteArray> m_parts;
    qint64 m_memory = 0;
    int m_file = -1;
    qint64 m_fileRead = 0, m_fileWritten = 0;
    qint64 m_total = 0;
    bool m_done = false, m_failed = false, m_cancelled = false;
    QString m_failure;
    std::function<void()> m_wake;
};

} // namespace vnd::server
