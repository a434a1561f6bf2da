#pragma once
// One row of a client dataset as the dataset keeps it, and the pool that owns the rows.
// A loaded row's values stay in the dataset's columns; a row holds its own values only once
// it was edited, inserted or reverted.

#include "wire/packet.h"

#include <memory>
#include <vector>

namespace vnd::data::internal
{

struct Record {
    enum class Status : quint8 { Unchanged, Inserted, Modified, Deleted, Pending };

    // What few rows need: calculated values, and the values as loaded or last merged (kept
    // only once the row was modified or deleted).
    struct Extra {
        Row calc; // calculated fields, in calculated-field order
        std::unique_ptr<Row> original;
        quint64 changeSeq = 0;
    };

    Row values; // data fields, in data-field order, when `own`
    std::unique_ptr<Extra> extra;
    qint64 seq = 0; // rank in load order; ties of the sort index are broken by it
    int base = -1;  // row in the columns; -1 for a row that never was loaded
    int pos = -1;   // place in the dataset's order; -1 while not placed
    Status status = Status::Unchanged;
    bool own = false;

    Extra &more()
    {
        if (!extra)
            extra = std::make_unique<Extra>();
        return *extra;
    }
    const Row *original() const { return extra ? extra->original.get() : nullptr; }
};

// How indexes and filters read a record's cells, wherever its values are kept.
class RecordCells
{
public:
    virtual ~RecordCells() = default;
    virtual QVariant data(const Record *r, int slot) const = 0;
    virtual QVariant calc(const Record *r, int slot) const = 0;
    // Equal cells (as filters compare them) hash alike.
    virtual quint64 hash(const Record *r, int slot, FieldType t) const = 0;
    virtual bool same(const Record *a, const Record *b, int slot, FieldType t) const = 0;
    // A text cell as filters compare it, copied as Latin-1 into out (room bytes): its length,
    // or -1 when it does not fit or holds a character beyond Latin-1.
    virtual int latin1Text(const Record *r, int slot, FieldType t, char *out, int room) const = 0;
};

// Owns every record, placed or deleted-but-logged, in blocks: loading n rows costs n / block
// allocations, releasing them all a few frees.
class RecordPool
{
public:
    Record *create()
    {
        if (!m_free.empty()) {
            Record *r = m_free.back();
            m_free.pop_back();
            return r;
        }
        if (m_used == m_blocks.size() * kBlock)
            m_blocks.push_back(std::make_unique<Record[]>(kBlock));
        Record *r = &m_blocks[m_used / kBlock][m_used % kBlock];
        ++m_used;
        return r;
    }
    void release(Record *r)
    {
        *r = Record();
        m_free.push_back(r);
    }
    void clear()
    {
        m_blocks.clear();
        m_free.clear();
        m_used = 0;
    }
    void reserve(size_t n) { m_blocks.reserve((n + kBlock - 1) / kBlock); }
    void swap(RecordPool &other) noexcept
    {
        m_blocks.swap(other.m_blocks);
        m_free.swap(other.m_free);
        std::swap(m_used, other.m_used);
    }

private:
    static constexpr size_t kBlock = 4096;
    std::vector<std::unique_ptr<Record[]>> m_blocks;
    std::vector<Record *> m_free;
    size_t m_used = 0;
};

} // namespace vnd::data::internal
