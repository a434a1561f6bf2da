#include "host/data/datasetimpl.h"
#include "host/data/fieldvalue.h"

#include <algorithm>

namespace vnd::data
{

using namespace internal;

namespace
{

// Hash indexes kept at once; an item window needs one, a few cover its neighbours.
constexpr size_t kMaxIndexes = 4;

bool byPos(const Record *a, const Record *b)
{
    return a->pos < b->pos;
}

} // namespace

// --- Impl: order --------------------------------------------------------------------------

void ClientDataSet::Impl::renumber(size_t from)
{
    for (size_t i = from; i < order.size(); ++i)
        order[i]->pos = int(i);
}

int ClientDataSet::Impl::attach(Record *r, size_t orderAt, bool visible)
{
    order.insert(order.begin() + orderAt, r);
    renumber(orderAt);
    if (!useFilter())
        return r->pos;
    if (!visible)
        return -1;
    const auto it = std::lower_bound(filtered.begin(), filtered.end(), r, byPos);
    const int row = int(it - filtered.begin());
    filtered.insert(it, r);
    return row;
}

int ClientDataSet::Impl::detach(Record *r)
{
    const int row = viewIndexOf(r);
    if (useFilter() && row >= 0)
        filtered.erase(filtered.begin() + row);
    if (r->pos >= 0) {
        const size_t at = size_t(r->pos);
        order.erase(order.begin() + r->pos);
        renumber(at);
        r->pos = -1;
    }
    return row;
}

bool ClientDataSet::Impl::before(const Record *a, const Record *b) const
{
    for (int f : sortFields) {
        const int s = slot[f];
        const int c = compareValues(fields[f]->dataType(), cell(a, s), cell(b, s));
        if (c != 0)
            return c < 0;
    }
    return a->seq < b->seq;
}

bool ClientDataSet::Impl::inSortedPlace(const Record *r) const
{
    const size_t p = size_t(r->pos);
    return (p == 0 || !before(r, order[p - 1])) &&
           (p + 1 >= order.size() || !before(order[p + 1], r));
}

size_t ClientDataSet::Impl::sortedPlace(const Record *r) const
{
    const auto it =
        std::upper_bound(order.begin(), order.end(), r,
                         [this](const Record *a, const Record *b) { return before(a, b); });
    return size_t(it - order.begin());
}

void ClientDataSet::Impl::sortAll()
{
    std::sort(order.begin(), order.end(),
              [this](const Record *a, const Record *b) { return before(a, b); });
    renumber(0);
    dropIndexes(); // their buckets hold the rows in the former order
}

std::vector<int> ClientDataSet::Impl::resolveSortFields(const QString &names) const
{
    std::vector<int> out;
    for (const QString &part : names.split(u';', Qt::SkipEmptyParts)) {
        const Field *f = q->findField(part.trimmed());
        if (!f || f->isCalculated())
            throw vnd::Error(
                QStringLiteral("Campo de índice '%1' não encontrado.").arg(part.trimmed()));
        out.push_back(f->index());
    }
    return out;
}

// --- Impl: filter -------------------------------------------------------------------------

bool ClientDataSet::Impl::passes(const Record *r) const
{
    return !compiled || compiled->matches(*this, r);
}

std::optional<FilterField> ClientDataSet::Impl::filterField(const QString &name) const
{
    const Field *f = q->findField(name);
    if (!f)
        return std::nullopt;
    return FilterField{f->dataType(), f->isCalculated(), slot[f->index()]};
}

HashIndex &ClientDataSet::Impl::indexFor(const std::vector<int> &keySlots,
                                         const std::vector<FieldType> &types)
{
    for (size_t i = 0; i < indexes.size(); ++i) {
        if (indexes[i]->keySlots() == keySlots) {
            std::rotate(indexes.begin(), indexes.begin() + i, indexes.begin() + i + 1);
            return *indexes.front();
        }
    }
    auto ix = std::make_unique<HashIndex>(*this, keySlots, types);
    for (Record *r : order) {
        if (r->status != Record::Status::Pending)
            ix->add(r);
    }
    if (indexes.size() >= kMaxIndexes)
        indexes.pop_back();
    indexes.insert(indexes.begin(), std::move(ix));
    return *indexes.front();
}

void ClientDataSet::Impl::rebuildFiltered()
{
    filtered.clear();
    if (!compiled)
        return;
    if (compiled->indexSlots().empty()) {
        for (Record *r : order) {
            if (passes(r))
                filtered.push_back(r);
        }
        return;
    }
    // Only the rows of the matching bucket are looked at: the cost follows the matches.
    const HashIndex &ix = indexFor(compiled->indexSlots(), compiled->indexTypes());
    const HashIndex::Bucket *bucket = ix.find(compiled->indexKey());
    if (!bucket)
        return;
    if (compiled->indexOnly() && !bucket->mixed) {
        // Equal keys throughout: the key kept in the index, or else the first row, answers
        // for the bucket; the others are not even read.
        const std::optional<bool> kept = ix.holds(*bucket, compiled->indexTexts());
        if (kept ? *kept : passes(bucket->rows.front()))
            filtered = bucket->rows;
    } else {
        for (Record *r : bucket->rows) {
            if (passes(r))
                filtered.push_back(r);
        }
    }
    if (!bucket->ordered)
        std::sort(filtered.begin(), filtered.end(), byPos);
}

// --- ClientDataSet: filter ----------------------------------------------------------------

void ClientDataSet::Impl::showFirst()
{
    if (useFilter())
        rebuildFiltered();
    else
        filtered.clear();
    cur = count() > 0 ? 0 : -1;
    bof = true;
    eof = count() == 0;
    emit q->reset();
    emit q->currentChanged(cur);
    run(q->afterScroll);
}

void ClientDataSet::setFilter(const QString &expression)
{
    std::unique_ptr<FilterNode> tree;
    if (!expression.trimmed().isEmpty())
        tree = parseFilter(expression);
    std::optional<CompiledFilter> compiled;
    if (isActive() && tree)
        compiled.emplace(*tree, [this](const QString &n) { return d->filterField(n); });
    const bool refilter = isActive() && d->filterOn;
    if (refilter)
        d->checkBrowseMode();
    d->filterText = expression;
    d->filterTree = std::move(tree);
    d->compiled = std::move(compiled);
    if (refilter)
        d->showFirst();
}

QString ClientDataSet::filter() const
{
    return d->filterText;
}

void ClientDataSet::setFiltered(bool on)
{
    if (on == d->filterOn)
        return;
    if (!isActive()) {
        d->filterOn = on;
        return;
    }
    d->checkBrowseMode();
    d->filterOn = on;
    d->showFirst();
}

bool ClientDataSet::isFiltered() const
{
    return d->filterOn;
}

// --- ClientDataSet: kept order ------------------------------------------------------------

void ClientDataSet::setIndexFieldNames(const QString &names)
{
    if (!isActive()) {
        d->indexNames = names;
        return;
    }
    std::vector<int> sortFields = d->resolveSortFields(names);
    d->checkBrowseMode();
    const Record *keep = d->current();
    d->indexNames = names;
    d->sortFields = std::move(sortFields);
    d->sortAll();
    if (d->useFilter())
        std::sort(d->filtered.begin(), d->filtered.end(), byPos);
    const int row = d->viewIndexOf(keep);
    d->cur = row >= 0 ? row : (d->count() > 0 ? 0 : -1);
    emit reset();
    emit currentChanged(d->cur);
}

QString ClientDataSet::indexFieldNames() const
{
    return d->indexNames;
}

} // namespace vnd::data
