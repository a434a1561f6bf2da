#include "host/data/datasetimpl.h"
#include "host/data/fieldvalue.h"

#include <algorithm>

namespace vnd::data
{

using namespace internal;

void ClientDataSet::Impl::logChange(Record *r)
{
    if (changed.insert(r).second)
        r->more().changeSeq = ++changeCounter;
}

void ClientDataSet::Impl::startInsert(bool atEnd)
{
    requireActive();
    checkBrowseMode();
    run(q->beforeInsert);
    Record *prev = current();
    Record *r = pool.create();
    r->status = Record::Status::Pending;
    setRow(r, Row(qsizetype(dataFields.size())));
    if (!calcFields.empty())
        r->more().calc = Row(qsizetype(calcFields.size()));
    r->seq = ++seqCounter;
    const size_t orderAt = (!atEnd && prev) ? size_t(prev->pos) : order.size();
    const int row = attach(r, orderAt, true);
    editRec = r;
    insertReturn = prev;
    buffer = Row(qsizetype(dataFields.size()));
    calcBuffer = Row(qsizetype(calcFields.size()));
    cur = row;
    bof = eof = false;
    emit q->rowsInserted(row, row);
    emit q->currentChanged(row);
    setState(DataSetState::Insert);
    try {
        run(q->onNewRecord);
        recalcBuffer(true);
    } catch (...) {
        rollbackInsert(r);
        throw;
    }
    modified = false;
    run(q->afterInsert);
    run(q->afterScroll);
}

void ClientDataSet::Impl::rollbackInsert(Record *r)
{
    editRec = nullptr;
    buffer.clear();
    calcBuffer.clear();
    modified = false;
    state = DataSetState::Browse;
    const int row = detach(r);
    pool.release(r);
    const int back = viewIndexOf(insertReturn);
    insertReturn = nullptr;
    cur = back >= 0 ? back : std::min(row, count() - 1);
    if (row >= 0)
        emit q->rowsRemoved(row, row);
    emit q->currentChanged(cur);
    emit q->stateChanged();
}

void ClientDataSet::insert()
{
    d->startInsert(false);
}

void ClientDataSet::append()
{
    d->startInsert(true);
}

void ClientDataSet::edit()
{
    d->requireActive();
    if (d->editing() || d->count() == 0)
        return;
    d->run(beforeEdit);
    Record *r = d->current();
    if (!r || d->editing())
        return; // the hook moved or closed the dataset
    d->editRec = r;
    d->buffer = d->rowOf(r);
    d->calcBuffer = d->storedCalc(r);
    d->modified = false;
    d->setState(DataSetState::Edit);
    d->run(afterEdit);
    // Defaults the hook set are not the user's change: leaving the row without touching a
    // field still gives the edit up instead of posting them.
    d->modified = false;
}

void ClientDataSet::Impl::commitEdit(bool &leftView)
{
    Record *r = editRec;
    const bool wasInsert = state == DataSetState::Insert;
    bool valuesChanged = true;
    if (wasInsert) {
        setRow(r, std::move(buffer));
        r->status = Record::Status::Inserted;
        logChange(r);
    } else if (sameRow(buffer, rowOf(r))) {
        valuesChanged = false;
    } else {
        for (auto &ix : indexes)
            ix->remove(r);
        Row old = rowOf(r);
        setRow(r, std::move(buffer));
        if (r->status == Record::Status::Unchanged) {
            r->more().original = std::make_unique<Row>(std::move(old));
            r->status = Record::Status::Modified;
            logChange(r);
        }
    }
    // A row that moves to its sorted place leaves its index buckets out of the dataset's
    // order.
    const bool move = valuesChanged && !sortFields.empty() && !inSortedPlace(r);
    if (valuesChanged) {
        for (auto &ix : indexes)
            ix->add(r, !move);
    }
    editRec = nullptr;
    insertReturn = nullptr;
    buffer.clear();
    calcBuffer.clear();
    modified = false;
    state = DataSetState::Browse;
    calcRecord(r);

    const int oldRow = viewIndexOf(r);
    const bool visible = !useFilter() || passes(r);
    leftView = !visible;
    if (!move && visible) {
        emit q->rowChanged(oldRow);
        return;
    }
    // Taken out and put back in two steps, so each signal describes the rows as they are.
    if (useFilter() && oldRow >= 0)
        filtered.erase(filtered.begin() + oldRow);
    if (move) {
        const size_t from = size_t(r->pos);
        order.erase(order.begin() + r->pos);
        renumber(from);
        r->pos = -1;
    }
    cur = std::min(oldRow, count() - 1);
    emit q->rowsRemoved(oldRow, oldRow);
    if (move) {
        const size_t at = sortedPlace(r);
        order.insert(order.begin() + at, r);
        renumber(at);
    }
    if (visible) {
        int row = r->pos;
        if (useFilter()) {
            const auto it = std::lower_bound(filtered.begin(), filtered.end(), r->pos,
                                             [](const Record *x, int pos) { return x->pos < pos; });
            row = int(it - filtered.begin());
            filtered.insert(it, r);
        }
        cur = row;
        emit q->rowsInserted(row, row);
    }
    emit q->currentChanged(cur);
}

void ClientDataSet::addPostFlusher(QObject *owner, std::function<void()> flush)
{
    d->postFlushers.emplace_back(owner, std::move(flush));
}

void ClientDataSet::post()
{
    if (!d->editing())
        return;
    for (size_t i = 0; i < d->postFlushers.size(); ++i) {
        if (d->postFlushers[i].first)
            d->postFlushers[i].second();
    }
    if (!d->editing())
        return;
    d->run(beforePost);
    if (!d->editing())
        return; // the hook already ended the edit
    bool leftView = false;
    d->commitEdit(leftView);
    const Record *landed = d->current();
    emit stateChanged();
    d->run(afterPost);
    // A posted row that no longer passes the filter leaves the cursor on another record.
    if (leftView && landed && d->current() == landed && d->state == DataSetState::Browse)
        d->run(afterScroll);
}

void ClientDataSet::cancel()
{
    if (!d->editing())
        return;
    d->run(beforeCancel);
    if (!d->editing())
        return;
    Record *r = d->editRec;
    if (d->state == DataSetState::Insert) {
        d->rollbackInsert(r);
        d->run(afterCancel);
        d->run(afterScroll);
        return;
    }
    d->editRec = nullptr;
    d->buffer.clear();
    d->calcBuffer.clear();
    d->modified = false;
    d->state = DataSetState::Browse;
    d->calcRecord(r); // may depend on more than the record, so not kept from before the edit
    emit rowChanged(d->viewIndexOf(r));
    emit stateChanged();
    d->run(afterCancel);
}

void ClientDataSet::Impl::deleteCurrent()
{
    Record *r = current();
    if (r == editRec) {
        editRec = nullptr;
        buffer.clear();
        calcBuffer.clear();
        modified = false;
    }
    for (auto &ix : indexes)
        ix->remove(r);
    const int row = detach(r);
    switch (r->status) {
    case Record::Status::Inserted:
        changed.erase(r);
        pool.release(r);
        break;
    case Record::Status::Pending:
        pool.release(r);
        break;
    default:
        r->status = Record::Status::Deleted;
        logChange(r);
        break;
    }
    cur = std::min(row, count() - 1);
    emit q->rowsRemoved(row, row);
    emit q->currentChanged(cur);
}

void ClientDataSet::remove()
{
    d->requireActive();
    if (d->state == DataSetState::Insert) {
        cancel();
        return;
    }
    if (d->count() == 0 || !d->current())
        return;
    d->run(beforeDelete);
    if (!d->current() || d->state == DataSetState::Insert)
        return; // the hook emptied the dataset or began an insert
    const bool wasEditing = d->editing();
    d->deleteCurrent();
    d->state = DataSetState::Browse;
    if (wasEditing)
        emit stateChanged();
    d->run(afterDelete);
    d->run(afterScroll);
}

} // namespace vnd::data
