#pragma once
// The bytes of an answer while they arrive: one thread appends what the socket gives, another
// decodes behind it. The room is one address range reserved up front and filled in place, so
// nothing read so far ever moves and the reader's positions stay valid while the rest comes.

#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace vnd::data
{

class BodyFeed
{
public:
    // Reserves address space only; pages are taken as bytes arrive.
    explicit BodyFeed(std::size_t capacity = std::size_t(1) << 34);
    ~BodyFeed();
    BodyFeed(const BodyFeed &) = delete;
    BodyFeed &operator=(const BodyFeed &) = delete;

    // False when the range could not be reserved (the caller reads the body whole instead).
    bool usable() const { return m_begin != nullptr; }

    // Writer side. False when the bytes do not fit (nothing appended; the feed is closed).
    bool append(const char *data, std::size_t n);
    // No more bytes will come; idempotent.
    void close();

    // Reader side.
    const char *begin() const { return m_begin; }
    // Waits until the bytes reach past `end` or the feed is closed; returns the end of what is
    // there now (equal to `end` only once closed with nothing more).
    const char *waitBeyond(const char *end);
    // Moves `end` past the bytes that arrived, waiting for some; false when none will come.
    bool extend(const char *&end)
    {
        const char *now = waitBeyond(end);
        if (now == end)
            return false;
        end = now;
        return true;
    }
    // Tells the writer that the reader stopped (it failed): nothing more is worth sending.
    void abandon();
    bool abandoned() const;
    // Whether the reader is waiting for bytes now (lets a writer pace itself to the reader).
    bool readerWaiting() const;

private:
    char *m_begin = nullptr;
    std::size_t m_capacity = 0;
    std::size_t m_size = 0; // guarded by m_mutex
    bool m_closed = false;
    bool m_abandoned = false;
    bool m_waiting = false;
    mutable std::mutex m_mutex;
    std::condition_variable m_grown;
};

} // namespace vnd::data
