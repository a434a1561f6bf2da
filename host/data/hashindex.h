#pragma once
// Hash index of a dataset's rows over a set of data fields, so that an equality filter
// costs what it finds, not what the dataset holds. Kept up to date row by row.

#include "host/data/datasetrecord.h"

#include <unordered_map>
#include <vector>

namespace vnd::data::internal
{

class HashIndex
{
public:
    HashIndex(std::vector<int> keySlots, std::vector<FieldType> types);

    const std::vector<int> &keySlots() const { return m_slots; }
    quint64 keyOf(const Row &values) const;

    void add(Record *r) { m_buckets[keyOf(r->values)].push_back(r); }
    void remove(Record *r, quint64 key);
    void remove(Record *r) { remove(r, keyOf(r->values)); }

    // Rows whose key hashes like this one (a superset of the matches); nullptr when none.
    const std::vector<Record *> *find(quint64 key) const;

private:
    std::vector<int> m_slots;
    std::vector<FieldType> m_types;
    std::unordered_map<quint64, std::vector<Record *>> m_buckets;
};

} // namespace vnd::data::internal
