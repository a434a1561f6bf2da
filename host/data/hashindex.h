#pragma once
// Hash index of a dataset's rows over a set of data fields, so that an equality filter
// costs what it finds, not what the dataset holds. Kept up to date row by row.

#include "host/data/datasetrecord.h"

#include <QString>

#include <optional>
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
        // A key of short Latin-1 texts is kept here too, so that confirming a lookup reads
        // no cell of a row (parts: 0 when the key is not kept).
        quint8 parts = 0;
        quint8 ends[3] = {};
        char text[25];
    };

    // inOrder: r is where the dataset's order has it (not about to move).
    void add(Record *r, bool inOrder = true);
    void remove(Record *r, quint64 key);
    void remove(Record *r) { remove(r, keyOf(r)); }

    const Bucket *find(quint64 key) const;
    // Whether the rows of a bucket that is not mixed hold these key texts (in key order), as
    // the kept copy tells; nullopt when the key is not kept.
    std::optional<bool> holds(const Bucket &b, const std::vector<QString> &texts) const;

private:
    // Open addressing in one flat array: a lookup touches one slot and its rows, never a
    // chain of nodes scattered over the heap, so it costs the same on a million rows.
    // One cache line each: the bucket's tail padding holds the flag.
    struct alignas(64) Slot : Bucket {
        bool used = false;
        quint64 key = 0;
        Bucket &bucket() { return *this; }
    };
    static_assert(sizeof(Slot) == 64);

    bool sameKey(const Record *a, const Record *b) const;
    void keep(Bucket &b, const Record *r) const;
    size_t home(quint64 key) const { return size_t((key * 0x9E3779B97F4A7C15ull) >> m_shift); }
    Slot *lookup(quint64 key);
    Bucket &insert(quint64 key);
    void erase(Slot *slot);
    void grow();

    const RecordCells &m_cells;
    std::vector<int> m_slots;
    std::vector<FieldType> m_types;
    std::vector<Slot> m_table;
    size_t m_count = 0;
    int m_shift = 64;
};

} // namespace vnd::data::internal
