#include "host/data/hashindex.h"

#include "host/data/fieldvalue.h"
#include "host/data/filterexpression.h"

#include <algorithm>

namespace vnd::data::internal
{

HashIndex::HashIndex(const RecordCells &cells, std::vector<int> keySlots,
                     std::vector<FieldType> types)
    : m_cells(cells), m_slots(std::move(keySlots)), m_types(std::move(types))
{
}

quint64 HashIndex::keyOf(const Record *r) const
{
    quint64 key = 0;
    for (size_t i = 0; i < m_slots.size(); ++i)
        key = combineHash(key, m_cells.hash(r, m_slots[i], m_types[i]));
    return key;
}

bool HashIndex::sameKey(const Record *a, const Record *b) const
{
    for (size_t i = 0; i < m_slots.size(); ++i) {
        if (!m_cells.same(a, b, m_slots[i], m_types[i]))
            return false;
    }
    return true;
}

void HashIndex::add(Record *r, bool inOrder)
{
    Bucket &b = m_buckets[keyOf(r)];
    if (!inOrder)
        b.ordered = false;
    if (!b.rows.empty()) {
        if (!b.mixed && !sameKey(b.rows.front(), r))
            b.mixed = true;
        if (b.ordered && b.rows.back()->pos > r->pos)
            b.ordered = false;
    }
    b.rows.push_back(r);
}

void HashIndex::remove(Record *r, quint64 key)
{
    const auto it = m_buckets.find(key);
    if (it == m_buckets.end())
        return;
    std::vector<Record *> &rows = it->second.rows;
    const auto at = std::find(rows.begin(), rows.end(), r);
    if (at == rows.end())
        return;
    rows.erase(at); // keeps the others in order
    if (rows.empty())
        m_buckets.erase(it);
    else if (rows.size() == 1)
        it->second.mixed = false;
}

const HashIndex::Bucket *HashIndex::find(quint64 key) const
{
    const auto it = m_buckets.find(key);
    return it == m_buckets.end() ? nullptr : &it->second;
}

} // namespace vnd::data::internal
