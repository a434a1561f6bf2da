#pragma once

#include <QPointer>
// Private state of ClientDataSet, shared by the files that implement it.

#include "host/data/clientdataset.h"
#include "host/data/datasetrecord.h"
#include "host/data/filterexpression.h"
#include "host/data/hashindex.h"
#include "wire/columns.h"

#include <QHash>

#include <climits>
#include <optional>
#include <unordered_set>

namespace vnd::data
{

using internal::Record;

namespace internal
{
// The loaded values of a packet by data slot: slot j takes packet column column[j] in type
// types[j]. A decoded packet's columns are taken as they are where the types agree. Throws
// vnd::Error naming the field (nameOf(j)) and row of a value the type cannot hold.
std::vector<std::shared_ptr<const Column>> loadColumns(const DataPacket &packet,
                                                       const std::vector<int> &column,
                                                       const std::vector<FieldType> &types,
                                                       const std::function<QString(int)> &nameOf);
// Where a packet's columns go after a load: per data slot, the packet's column and its type;
// the declared fields' slots first, then the packet's fields no declared field takes (extra).
struct PacketLayout {
    std::vector<int> column;
    std::vector<FieldType> types;
    int declaredData = 0;
    std::vector<FieldDef> extra;
};

} // namespace internal

struct ClientDataSet::Impl final : internal::RecordCells {
    explicit Impl(ClientDataSet *owner) : q(owner) {}

    ClientDataSet *q;
    std::vector<std::pair<QPointer<QObject>, std::function<void()>>> postFlushers;

    // --- Structure: declared fields first, then those taken from the last packet ---
    std::vector<std::unique_ptr<Field>> fields;
    int declaredCount = 0;
    std::vector<int> slot;       // per field: place in Record::values or Record::calc
    std::vector<int> dataFields; // field indices in data-slot order
    std::vector<int> calcFields; // field indices in calc-slot order
    QHash<QString, int> byName;  // lower-cased name -> field index

    // --- Rows ---
    DataSetState state = DataSetState::Inactive;
    std::vector<std::shared_ptr<const Column>> columns; // per data slot: the loaded values
    quint64 columnsGeneration = 0; // moves on whenever columns or slots are replaced
    internal::RecordPool pool;
    std::vector<Record *> order;    // live rows, in index (or load) order; Record::pos is the place
    std::vector<Record *> filtered; // rows passing the filter, in the same order
    std::unordered_set<Record *> changed;
    quint64 changeCounter = 0;
    qint64 seqCounter = 0;

    // --- Filter and kept order ---
    QString filterText;
    std::unique_ptr<internal::FilterNode> filterTree;
    std::optional<internal::CompiledFilter> compiled;
    bool filterOn = false;
    std::vector<std::unique_ptr<internal::HashIndex>> indexes;
    QString indexNames;
    std::vector<int> sortFields;

    // --- Cursor and editing ---
    int cur = -1;
    bool bof = true;
    bool eof = true;
    Record *editRec = nullptr;
    Record *insertReturn = nullptr; // current before an insert, current again if it is cancelled
    Row buffer;
    Row calcBuffer;
    bool modified = false;

    // --- Where fields read from (calculation > RowScope > current record) ---
    static constexpr int kNoScope = INT_MIN;
    const Record *calcRec = nullptr;
    Row *calcTarget = nullptr;
    int scopeRow = kNoScope;

    // ---------------------------------------------------------------------------------
    bool useFilter() const { return filterOn && compiled.has_value(); }
    std::vector<Record *> &view() { return useFilter() ? filtered : order; }
    const std::vector<Record *> &view() const { return useFilter() ? filtered : order; }
    int count() const { return int(view().size()); }
    Record *recordAt(int row) const { return row >= 0 && row < count() ? view()[row] : nullptr; }
    Record *current() const { return recordAt(cur); }
    int viewIndexOf(const Record *r) const;
    bool editing() const { return state == DataSetState::Edit || state == DataSetState::Insert; }

    // A data cell of a record as it is stored (the edit buffer aside).
    QVariant cell(const Record *r, int slot) const
    {
        if (r->own)
            return slot < r->values.size() ? r->values.at(slot) : QVariant();
        return r->base >= 0 && slot < int(columns.size()) ? columns[slot]->value(r->base)
                                                          : QVariant();
    }
    Row rowOf(const Record *r) const;
    Row baseRowOf(const Record *r) const { return r->original() ? *r->original() : rowOf(r); }
    void setRow(Record *r, Row values)
    {
        r->values = std::move(values);
        r->own = true;
    }
    const Row &storedCalc(const Record *r) const
    {
        static const Row none;
        return r->extra ? r->extra->calc : none;
    }
    const Row &calcOf(const Record *r) const { return r == editRec ? calcBuffer : storedCalc(r); }
    QVariant editCell(const Record *r, int slot) const
    {
        if (r != editRec)
            return cell(r, slot);
        return slot < buffer.size() ? buffer.at(slot) : QVariant();
    }

    // RecordCells
    QVariant data(const Record *r, int slot) const override { return cell(r, slot); }
    QVariant calc(const Record *r, int slot) const override
    {
        const Row &c = storedCalc(r);
        return slot < c.size() ? c.at(slot) : QVariant();
    }
    quint64 hash(const Record *r, int slot, FieldType t) const override;
    bool same(const Record *a, const Record *b, int slot, FieldType t) const override;
    int latin1Text(const Record *r, int slot, FieldType t, char *out, int room) const override;
    const Record *readRecord() const;
    QVariant rawValue(int fieldIndex) const;
    QVariant rawValueOf(const Record *r, int fieldIndex) const;

    void run(const Hook &h)
    {
        if (h)
            h(*q);
    }
    void setState(DataSetState s);
    void requireActive() const;
    void checkBrowseMode();
    void moveCursor(int row, bool alwaysScroll);

    // Order and view upkeep.
    void renumber(size_t from);
    int attach(Record *r, size_t orderAt, bool visible); // returns the view row or -1
    int detach(Record *r);                               // returns the former view row or -1
    bool before(const Record *a, const Record *b) const; // kept order: index key, then seq
    bool inSortedPlace(const Record *r) const;
    size_t sortedPlace(const Record *r) const;
    void sortAll();

    // Filter upkeep.
    bool passes(const Record *r) const;
    void rebuildFiltered();
    void showFirst(); // after the filter changed: first record current, afterScroll
    internal::HashIndex &indexFor(const std::vector<int> &keySlots,
                                  const std::vector<FieldType> &types);
    void dropIndexes() { indexes.clear(); }
    std::optional<internal::FilterField> filterField(const QString &name) const;
    std::vector<int> resolveSortFields(const QString &names) const;

    // Loading a packet: what can fail is worked out before the dataset is touched, so a
    // refused packet leaves it as it was. Throws for a repeated or missing field.
    internal::PacketLayout packetLayout(const DataPacket &packet) const;
    // A name as it will be after a load with the layout: its field index, what a filter reads.
    std::optional<std::pair<int, internal::FilterField>>
    resolveAfterLoad(const internal::PacketLayout &layout, const QString &name) const;
    // The filter and the kept order resolved on the names as they will be after the load.
    std::optional<internal::CompiledFilter>
    filterForLayout(const internal::PacketLayout &layout) const;
    std::vector<int> sortFieldsForLayout(const internal::PacketLayout &layout) const;

    // Editing helpers.
    void startInsert(bool atEnd);
    void rollbackInsert(Record *r);
    void commitEdit(bool &leftView);
    void deleteCurrent();

    // Calculated fields.
    void calcRecord(Record *r);
    void recalcBuffer(bool announce);

    // Change log.
    void logChange(Record *r);

    // Structure.
    Field &createField(const QString &name, FieldType type, int size, bool calc);
    void dropPacketFields();
    void rebuildSlots();

    // Keeps a calculation's record and target in place for the calc hook, on every path.
    class CalcScope
    {
    public:
        CalcScope(Impl &d, const Record *r, Row *target)
            : m_d(d), m_rec(d.calcRec), m_target(d.calcTarget)
        {
            d.calcRec = r;
            d.calcTarget = target;
        }
        ~CalcScope()
        {
            m_d.calcRec = m_rec;
            m_d.calcTarget = m_target;
        }
        CalcScope(const CalcScope &) = delete;
        CalcScope &operator=(const CalcScope &) = delete;

    private:
        Impl &m_d;
        const Record *m_rec;
        Row *m_target;
    };
};

} // namespace vnd::data
