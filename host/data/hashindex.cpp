#include "host/data/hashindex.h"

#include "host/data/fieldvalue.h"
#include "host/data/filterexpression.h"

#include <algorithm>

namespace vnd::data::internal
{

HashIndex::HashIndex(std::vector<int> keySlots, std::vector<FieldType> types)
    : m_slots(std::move(keySlots)), m_types(std::move(types))
{
}

quint64 HashIndex::keyOf(const Row &values) const
{
    static const QVariant none;
    quint64 key = 0;
    for (size_t i = 0; i < m_slots.size(); ++i) {
        const int s = m_slots[i];
        key = combineHash(key, hashValue(m_types[i], s < values.size() ? values.at(s) : none));
    }
    return key;
}

bool HashIndex::sameKey(const Row &a, const Row &b) const
{
    static const QVariant none;
    for (size_t i = 0; i < m_slots.size(); ++i) {
        const int s = m_slots[i];
        const QVariant &x = s < a.size() ? a.at(s) : none;
        const QVariant &y = s < b.size() ? b.at(s) : none;
        const bool equal = isTextType(m_types[i])
                               ? textView(m_types[i], x) == textView(m_types[i], y)
                               : compareValues(m_types[i], x, y) == 0;
        if (!equal)
            return false;
    }
    return true;
}

void HashIndex::add(Record *r)
{
    Bucket &b = m_buckets[keyOf(r->values)];
    if (!b.rows.empty() && !b.mixed && !sameKey(b.rows.front()->values, r->values))
        b.mixed = true;
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
    *at = rows.back();
    rows.pop_back();
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
