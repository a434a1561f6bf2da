#pragma once
// One row of a client dataset as the dataset keeps it, and the pool that owns the rows.

#include "host/data/packet.h"

#include <memory>
#include <vector>

namespace vnd::data::internal
{

struct Record {
    enum class Status : quint8 { Unchanged, Inserted, Modified, Deleted, Pending };

    Row values; // data fields, in data-field order
    Row calc;   // calculated fields, in calculated-field order
    // Values as loaded or last merged, kept only once the row was modified or deleted.
    std::unique_ptr<Row> original;
    Status status = Status::Unchanged;
    int pos = -1;       // place in the dataset's order; -1 while not placed
    int poolIndex = -1; // place in the pool, for O(1) release
    qint64 seq = 0;     // rank in load order; ties of the sort index are broken by it
    quint64 changeSeq = 0;

    const Row &baseValues() const { return original ? *original : values; }
};

// Owns every record, placed or deleted-but-logged; releasing one is O(1).
class RecordPool
{
public:
    Record *create()
    {
        m_records.push_back(std::make_unique<Record>());
        Record *r = m_records.back().get();
        r->poolIndex = int(m_records.size()) - 1;
        return r;
    }
    void release(Record *r)
    {
        const int i = r->poolIndex;
        if (i < 0 || i >= int(m_records.size()) || m_records[i].get() != r)
            return;
        std::swap(m_records[i], m_records.back());
        m_records[i]->poolIndex = i;
        m_records.pop_back();
    }
    void clear() { m_records.clear(); }
    void reserve(size_t n) { m_records.reserve(n); }
    void swap(RecordPool &other) noexcept { m_records.swap(other.m_records); }

private:
    std::vector<std::unique_ptr<Record>> m_records;
};

} // namespace vnd::data::internal
