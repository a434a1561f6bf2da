#include "host/data/hashindex.h"

#include "host/data/fieldvalue.h"
#include "host/data/filterexpression.h"

#include <algorithm>
#include <bit>

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

void HashIndex::keep(Bucket &b, const Record *r) const
{
    b.parts = 0;
    if (m_slots.size() > std::size(b.ends))
        return;
    int at = 0;
    for (size_t i = 0; i < m_slots.size(); ++i) {
        if (!isTextType(m_types[i]))
            return;
        const int n =
            m_cells.latin1Text(r, m_slots[i], m_types[i], b.text + at, int(sizeof b.text) - at);
        if (n < 0)
            return;
        at += n;
        b.ends[i] = quint8(at);
    }
    b.parts = quint8(m_slots.size());
}

std::optional<bool> HashIndex::holds(const Bucket &b, const std::vector<QString> &texts) const
{
    if (b.parts == 0 || texts.size() != b.parts)
        return std::nullopt;
    int from = 0;
    for (size_t i = 0; i < texts.size(); ++i) {
        const QLatin1StringView kept(b.text + from, b.ends[i] - from);
        if (QStringView(texts[i]).compare(kept) != 0)
            return false;
        from = b.ends[i];
    }
    return true;
}

HashIndex::Slot *HashIndex::lookup(quint64 key)
{
    if (m_table.empty())
        return nullptr;
    const size_t mask = m_table.size() - 1;
    for (size_t i = home(key);; i = (i + 1) & mask) {
        Slot &s = m_table[i];
        if (!s.used)
            return nullptr;
        if (s.key == key)
            return &s;
    }
}

void HashIndex::grow()
{
    std::vector<Slot> old(m_table.empty() ? 16 : m_table.size() * 2);
    old.swap(m_table);
    m_shift = 64 - std::countr_zero(m_table.size());
    m_count = 0;
    for (Slot &s : old) {
        if (s.used)
            insert(s.key) = std::move(s.bucket());
    }
}

HashIndex::Bucket &HashIndex::insert(quint64 key)
{
    if ((m_count + 1) * 2 > m_table.size())
        grow();
    const size_t mask = m_table.size() - 1;
    for (size_t i = home(key);; i = (i + 1) & mask) {
        Slot &s = m_table[i];
        if (s.used && s.key == key)
            return s.bucket();
        if (!s.used) {
            s.used = true;
            s.key = key;
            ++m_count;
            return s.bucket();
        }
    }
}

// Backward shift: later slots of the probe run move up, so no tombstones accumulate.
void HashIndex::erase(Slot *slot)
{
    const size_t mask = m_table.size() - 1;
    size_t hole = size_t(slot - m_table.data());
    for (size_t i = (hole + 1) & mask; m_table[i].used; i = (i + 1) & mask) {
        const size_t want = home(m_table[i].key);
        // Moves up unless its home lies cyclically in (hole, i].
        if (((i - want) & mask) >= ((i - hole) & mask)) {
            m_table[hole] = std::move(m_table[i]);
            hole = i;
        }
    }
    m_table[hole] = Slot();
    --m_count;
}

void HashIndex::add(Record *r, bool inOrder)
{
    Bucket &b = insert(keyOf(r));
    if (!inOrder)
        b.ordered = false;
    if (b.rows.empty())
        keep(b, r);
    else {
        if (!b.mixed && !sameKey(b.rows.front(), r))
            b.mixed = true;
        if (b.ordered && b.rows.back()->pos > r->pos)
            b.ordered = false;
    }
    b.rows.push_back(r);
}

void HashIndex::remove(Record *r, quint64 key)
{
    Slot *slot = lookup(key);
    if (!slot)
        return;
    std::vector<Record *> &rows = slot->bucket().rows;
    const auto at = std::find(rows.begin(), rows.end(), r);
    if (at == rows.end())
        return;
    rows.erase(at); // keeps the others in order
    if (rows.empty())
        erase(slot);
    else if (rows.size() == 1 && slot->bucket().mixed) {
        slot->bucket().mixed = false;
        keep(slot->bucket(), rows.front()); // the kept key may have been another row's
    }
}

const HashIndex::Bucket *HashIndex::find(quint64 key) const
{
    const Slot *slot = const_cast<HashIndex *>(this)->lookup(key);
    // The caller reads the rows next: their fetch overlaps the key's confirmation.
    if (slot)
        __builtin_prefetch(slot->rows.data());
    return slot;
}

} // namespace vnd::data::internal
