#include "wire/bodyfeed.h"

#include <sys/mman.h>

#include <cstring>

namespace vnd::data
{

BodyFeed::BodyFeed(std::size_t capacity)
{
    void *p = mmap(nullptr, capacity, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p != MAP_FAILED) {
        m_begin = static_cast<char *>(p);
        m_capacity = capacity;
    }
}

BodyFeed::~BodyFeed()
{
    if (m_begin)
        munmap(m_begin, m_capacity);
}

bool BodyFeed::append(const char *data, std::size_t n)
{
    std::size_t at;
    {
        std::lock_guard lock(m_mutex);
        if (m_closed || n > m_capacity - m_size) {
            m_closed = true;
            m_grown.notify_all();
            return false;
        }
        at = m_size;
    }
    // Only this thread writes past m_size; the reader looks below it.
    std::memcpy(m_begin + at, data, n);
    {
        std::lock_guard lock(m_mutex);
        m_size = at + n;
        m_waiting = false; // until the reader comes back for more
    }
    m_grown.notify_all();
    return true;
}

void BodyFeed::close()
{
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
    }
    m_grown.notify_all();
}

const char *BodyFeed::waitBeyond(const char *end)
{
    const std::size_t seen = std::size_t(end - m_begin);
    std::unique_lock lock(m_mutex);
    m_waiting = true;
    m_grown.wait(lock, [&] { return m_size > seen || m_closed; });
    m_waiting = false;
    return m_begin + m_size;
}

void BodyFeed::abandon()
{
    std::lock_guard lock(m_mutex);
    m_abandoned = true;
}

bool BodyFeed::readerWaiting() const
{
    std::lock_guard lock(m_mutex);
    return m_waiting;
}

bool BodyFeed::abandoned() const
{
    std::lock_guard lock(m_mutex);
    return m_abandoned;
}

} // namespace vnd::data
