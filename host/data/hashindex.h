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
    HashIndex(const RecordCells &cells, std::vector<int> keySlots, std::vector<FieldType> types);

    const std::vector<int> &keySlots() const { return m_slots; }
    quint64 keyOf(const Record *r) const;

    // The rows whose key hashes alike. Unless `mixed`, they all hold equal key values, so
    // one of them answers for all (a hash collision makes a bucket mixed).
    struct Bucket {
        std::vector<Record *> rows;
        bool mixed = false;
        bool ordered = true; // rows in the dataset's order (added in it, none moved since)
    };

    // inOrder: r is where the dataset's order has it (not about to move).
    void add(Record *r, bool inOrder = true);
    void remove(Record *r, quint64 key);
    void remove(Record *r) { remove(r, keyOf(r)); }

    const Bucket *find(quint64 key) const;

private:
    bool sameKey(const Record *a, const Record *b) const;

    const RecordCells &m_cells;
    std::vector<int> m_slots;
    std::vector<FieldType> m_types;
    std::unordered_map<quint64, Bucket> m_buckets;
};

} // namespace vnd::data::internal
