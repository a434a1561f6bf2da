#include "host/data/hashindex.h"

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

void HashIndex::remove(Record *r, quint64 key)
{
    const auto it = m_buckets.find(key);
    if (it == m_buckets.end())
        return;
    std::vector<Record *> &b = it->second;
    const auto at = std::find(b.begin(), b.end(), r);
    if (at == b.end())
        return;
    *at = b.back();
    b.pop_back();
    if (b.empty())
        m_buckets.erase(it);
}

const std::vector<Record *> *HashIndex::find(quint64 key) const
{
    const auto it = m_buckets.find(key);
    return it == m_buckets.end() ? nullptr : &it->second;
}

} // namespace vnd::data::internal
