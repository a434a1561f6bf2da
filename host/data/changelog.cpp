#include "host/data/datasetimpl.h"
#include "host/data/fieldvalue.h"

#include <algorithm>

namespace vnd::data
{

using namespace internal;

namespace
{

std::vector<Record *> inLogOrder(const std::unordered_set<Record *> &changed)
{
    std::vector<Record *> out(changed.begin(), changed.end());
    std::sort(out.begin(), out.end(), [](const Record *a, const Record *b) {
        return a->extra->changeSeq < b->extra->changeSeq;
    });
    return out;
}

} // namespace

int ClientDataSet::changeCount() const
{
    return int(d->changed.size());
}

ChangeSet ClientDataSet::delta() const
{
    ChangeSet cs;
    for (int f : d->dataFields) {
        const Field &fd = *d->fields[f];
        cs.fields.append(FieldDef{fd.fieldName(), fd.dataType(), fd.size()});
    }
    for (const Record *r : inLogOrder(d->changed)) {
        Change c;
        switch (r->status) {
        case Record::Status::Inserted:
            c.op = Change::Op::Insert;
            c.newRow = d->rowOf(r);
            break;
        case Record::Status::Modified:
            c.op = Change::Op::Modify;
            c.oldRow = d->baseRowOf(r);
            c.newRow = d->rowOf(r);
            break;
        case Record::Status::Deleted:
            c.op = Change::Op::Delete;
            c.oldRow = d->baseRowOf(r);
            break;
        default:
            continue;
        }
        cs.changes.push_back(std::move(c));
    }
    return cs;
}

void ClientDataSet::mergeChangeLog()
{
    bool merged = false;
    for (Record *r : d->changed) {
        switch (r->status) {
        case Record::Status::Deleted:
            d->pool.release(r);
            break;
        case Record::Status::Inserted:
            merged = true;
            [[fallthrough]];
        default:
            r->status = Record::Status::Unchanged;
            if (r->extra)
                r->extra->original.reset();
            break;
        }
    }
    d->changed.clear();
    // Without a sort index the rows' places are the load order from now on.
    if (merged && d->sortFields.empty()) {
        for (Record *r : d->order)
            r->seq = r->pos;
        d->seqCounter = std::max(d->seqCounter, qint64(d->order.size()));
    }
}

void ClientDataSet::cancelUpdates()
{
    if (!isActive())
        return;
    if (d->editing())
        cancel();
    if (d->changed.empty())
        return;
    const Record *was = d->current();
    const bool wasDropped = was && was->status == Record::Status::Inserted;
    const int wasRow = d->cur;

    // Unchanged rows keep their relative order; reverted and restored ones are merged back
    // into it, so a deleted row returns to its former place.
    std::vector<Record *> keep;
    std::vector<Record *> back;
    keep.reserve(d->order.size());
    for (Record *r : d->order) {
        if (r->status == Record::Status::Unchanged || r->status == Record::Status::Pending)
            keep.push_back(r);
    }
    for (Record *r : d->changed) {
        if (r->status == Record::Status::Inserted) {
            r->pos = -1;
            continue;
        }
        if (r->original()) {
            d->setRow(r, std::move(*r->extra->original));
            r->extra->original.reset();
        }
        r->status = Record::Status::Unchanged;
        back.push_back(r);
    }
    for (Record *r : d->changed) {
        if (r->pos == -1 && r->status == Record::Status::Inserted)
            d->pool.release(r);
    }
    d->changed.clear();
    const auto less = [this](const Record *a, const Record *b) { return d->before(a, b); };
    std::sort(back.begin(), back.end(), less);
    d->order.clear();
    d->order.reserve(keep.size() + back.size());
    std::merge(keep.begin(), keep.end(), back.begin(), back.end(), std::back_inserter(d->order),
               less);
    d->renumber(0);
    for (Record *r : back)
        d->calcRecord(r);
    d->dropIndexes();
    if (d->useFilter())
        d->rebuildFiltered();

    const int row = wasDropped ? -1 : d->viewIndexOf(was);
    d->cur = row >= 0 ? row : std::min(wasRow, d->count() - 1);
    if (d->cur < 0 && d->count() > 0)
        d->cur = 0;
    emit reset();
    emit currentChanged(d->cur);
    if (wasDropped || row < 0)
        d->run(afterScroll);
}

} // namespace vnd::data
