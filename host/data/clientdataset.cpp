#include "host/data/datasetimpl.h"
#include "host/data/fieldvalue.h"

#include <algorithm>

namespace vnd::data
{

using namespace internal;

// --- Impl: reading ------------------------------------------------------------------------

const Record *ClientDataSet::Impl::readRecord() const
{
    if (calcRec)
        return calcRec;
    if (scopeRow != kNoScope)
        return recordAt(scopeRow);
    return current();
}

QVariant ClientDataSet::Impl::rawValueOf(const Record *r, int fieldIndex) const
{
    if (!r || fieldIndex < 0 || fieldIndex >= int(fields.size()))
        return QVariant();
    const int s = slot[fieldIndex];
    if (!fields[fieldIndex]->isCalculated())
        return editCell(r, s);
    const Row *row = (calcRec == r && calcTarget) ? calcTarget : &calcOf(r);
    return s < row->size() ? row->at(s) : QVariant();
}

QVariant ClientDataSet::Impl::rawValue(int fieldIndex) const
{
    return rawValueOf(readRecord(), fieldIndex);
}

int ClientDataSet::Impl::viewIndexOf(const Record *r) const
{
    if (!r || r->pos < 0)
        return -1;
    if (!useFilter())
        return r->pos;
    const auto it = std::lower_bound(filtered.begin(), filtered.end(), r->pos,
                                     [](const Record *x, int pos) { return x->pos < pos; });
    return it != filtered.end() && *it == r ? int(it - filtered.begin()) : -1;
}

// --- Impl: state and cursor ---------------------------------------------------------------

void ClientDataSet::Impl::setState(DataSetState s)
{
    if (state == s)
        return;
    state = s;
    emit q->stateChanged();
}

void ClientDataSet::Impl::requireActive() const
{
    if (state == DataSetState::Inactive)
        throw vnd::Error(QStringLiteral("Operação não permitida: o conjunto de dados está "
                                        "fechado."));
}

void ClientDataSet::Impl::checkBrowseMode()
{
    // As a grid does: an untouched record is given up, a changed one posted.
    if (!editing())
        return;
    if (modified)
        q->post();
    else
        q->cancel();
}

void ClientDataSet::Impl::moveCursor(int row, bool alwaysScroll)
{
    const int n = count();
    const int target = n == 0 ? -1 : std::clamp(row, 0, n - 1);
    const bool moved = target != cur;
    cur = target;
    if (moved)
        emit q->currentChanged(cur);
    if (moved || alwaysScroll)
        run(q->afterScroll);
}

// --- Impl: structure ----------------------------------------------------------------------

Field &ClientDataSet::Impl::createField(const QString &name, FieldType type, int size, bool calc)
{
    const QString key = name.toLower();
    if (name.trimmed().isEmpty() || byName.contains(key))
        throw vnd::Error(QStringLiteral("Nome de campo inválido ou repetido: '%1'.").arg(name));
    fields.push_back(std::unique_ptr<Field>(
        new Field(q, name, type, std::max(size, 0), int(fields.size()), calc)));
    byName.insert(key, int(fields.size()) - 1);
    rebuildSlots();
    return *fields.back();
}

void ClientDataSet::Impl::dropPacketFields()
{
    if (int(fields.size()) == declaredCount)
        return;
    for (size_t i = declaredCount; i < fields.size(); ++i)
        byName.remove(fields[i]->fieldName().toLower());
    fields.resize(declaredCount);
    rebuildSlots();
}

void ClientDataSet::Impl::rebuildSlots()
{
    ++columnsGeneration;
    slot.assign(fields.size(), 0);
    dataFields.clear();
    calcFields.clear();
    for (size_t i = 0; i < fields.size(); ++i) {
        std::vector<int> &list = fields[i]->isCalculated() ? calcFields : dataFields;
        slot[i] = int(list.size());
        list.push_back(int(i));
    }
}

// --- Impl: calculated fields --------------------------------------------------------------

void ClientDataSet::Impl::calcRecord(Record *r)
{
    if (calcFields.empty())
        return;
    Row &calc = r->more().calc;
    calc = Row(qsizetype(calcFields.size()));
    if (!q->onCalcFields)
        return;
    CalcScope scope(*this, r, &calc);
    q->onCalcFields(*q);
}

void ClientDataSet::Impl::recalcBuffer(bool announce)
{
    if (calcFields.empty() || !editRec)
        return;
    Row before = calcBuffer;
    calcBuffer = Row(qsizetype(calcFields.size()));
    if (q->onCalcFields) {
        CalcScope scope(*this, editRec, &calcBuffer);
        q->onCalcFields(*q);
    }
    if (!announce)
        return;
    for (size_t i = 0; i < calcFields.size(); ++i) {
        if (i >= size_t(before.size()) || !sameValue(before[i], calcBuffer[i]))
            emit q->fieldChanged(calcFields[i]);
    }
}

// --- ClientDataSet: structure -------------------------------------------------------------

ClientDataSet::ClientDataSet(QObject *parent) : QObject(parent), d(std::make_unique<Impl>(this)) {}

ClientDataSet::~ClientDataSet() = default;

Field &ClientDataSet::addField(const QString &name, FieldType type, int size)
{
    if (isActive())
        throw vnd::Error(QStringLiteral("Campos só podem ser definidos com o conjunto fechado."));
    d->dropPacketFields();
    Field &f = d->createField(name, type, size, false);
    d->declaredCount = int(d->fields.size());
    return f;
}

Field &ClientDataSet::addCalculatedField(const QString &name, FieldType type, int size)
{
    if (isActive())
        throw vnd::Error(QStringLiteral("Campos só podem ser definidos com o conjunto fechado."));
    d->dropPacketFields();
    Field &f = d->createField(name, type, size, true);
    d->declaredCount = int(d->fields.size());
    return f;
}

int ClientDataSet::fieldCount() const
{
    return int(d->fields.size());
}

Field &ClientDataSet::field(int index)
{
    if (index < 0 || index >= fieldCount())
        throw vnd::Error(QStringLiteral("Campo de índice %1 inexistente.").arg(index));
    return *d->fields[index];
}

const Field &ClientDataSet::field(int index) const
{
    return const_cast<ClientDataSet *>(this)->field(index);
}

Field *ClientDataSet::findField(QStringView name) const
{
    const auto it = d->byName.constFind(name.toString().toLower());
    return it == d->byName.cend() ? nullptr : d->fields[it.value()].get();
}

Field &ClientDataSet::fieldByName(QStringView name) const
{
    if (Field *f = findField(name))
        return *f;
    throw vnd::Error(QStringLiteral("Campo '%1' não encontrado.").arg(name));
}

// --- ClientDataSet: opening ---------------------------------------------------------------

void ClientDataSet::loadPacket(const DataPacket &packet)
{
    DataPacket copy = packet;
    loadPacket(std::move(copy));
}

namespace
{

bool sameDefs(const std::vector<FieldDef> &a, const std::vector<std::unique_ptr<Field>> &fields,
              int from)
{
    if (a.size() != fields.size() - size_t(from))
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const Field &f = *fields[from + i];
        if (a[i].name != f.fieldName() || a[i].type != f.dataType() || a[i].size != f.size())
            return false;
    }
    return true;
}

} // namespace

internal::PacketLayout ClientDataSet::Impl::packetLayout(const DataPacket &packet) const
{
    QHash<QString, int> packetNames;
    for (int c = 0; c < packet.fields.size(); ++c) {
        const QString key = packet.fields[c].name.toLower();
        if (packetNames.contains(key))
            throw vnd::Error(QStringLiteral("Campo '%1' repetido no pacote de dados.")
                                 .arg(packet.fields[c].name));
        packetNames.insert(key, c);
    }
    internal::PacketLayout layout;
    std::vector<bool> taken(packet.fields.size(), false);
    for (int i = 0; i < declaredCount; ++i) {
        const Field &f = *fields[i];
        if (f.isCalculated())
            continue;
        const auto it = packetNames.constFind(f.fieldName().toLower());
        if (it == packetNames.cend())
            throw vnd::Error(
                QStringLiteral("Campo '%1' não encontrado no pacote de dados.").arg(f.fieldName()));
        layout.column.push_back(it.value());
        layout.types.push_back(f.dataType());
        taken[it.value()] = true;
    }
    layout.declaredData = int(layout.column.size());
    for (int c = 0; c < packet.fields.size(); ++c) {
        if (taken[c])
            continue;
        layout.extra.push_back(packet.fields[c]);
        layout.column.push_back(c);
        layout.types.push_back(packet.fields[c].type);
    }
    return layout;
}

std::optional<std::pair<int, FilterField>>
ClientDataSet::Impl::resolveAfterLoad(const internal::PacketLayout &layout,
                                      const QString &name) const
{
    const QString key = name.toLower();
    const auto it = byName.constFind(key);
    if (it != byName.cend() && it.value() < declaredCount) {
        const Field &f = *fields[it.value()];
        return std::make_pair(it.value(),
                              FilterField{f.dataType(), f.isCalculated(), slot[it.value()]});
    }
    for (size_t i = 0; i < layout.extra.size(); ++i) {
        if (layout.extra[i].name.toLower() == key)
            return std::make_pair(
                declaredCount + int(i),
                FilterField{layout.extra[i].type, false, layout.declaredData + int(i)});
    }
    return std::nullopt;
}

std::optional<CompiledFilter>
ClientDataSet::Impl::filterForLayout(const internal::PacketLayout &layout) const
{
    if (!filterTree)
        return std::nullopt;
    std::optional<CompiledFilter> compiled;
    compiled.emplace(*filterTree, [&](const QString &n) -> std::optional<FilterField> {
        const auto r = resolveAfterLoad(layout, n);
        return r ? std::optional<FilterField>(r->second) : std::nullopt;
    });
    return compiled;
}

std::vector<int>
ClientDataSet::Impl::sortFieldsForLayout(const internal::PacketLayout &layout) const
{
    std::vector<int> sortFields;
    for (const QString &part : indexNames.split(u';', Qt::SkipEmptyParts)) {
        const auto r = resolveAfterLoad(layout, part.trimmed());
        if (!r || r->second.calculated)
            throw vnd::Error(
                QStringLiteral("Campo de índice '%1' não encontrado.").arg(part.trimmed()));
        sortFields.push_back(r->first);
    }
    return sortFields;
}

void ClientDataSet::loadPacket(DataPacket &&packet)
{
    const internal::PacketLayout layout = d->packetLayout(packet);
    const bool newExtras = !sameDefs(layout.extra, d->fields, d->declaredCount);
    std::optional<CompiledFilter> compiled = d->filterForLayout(layout);
    std::vector<int> sortFields = d->sortFieldsForLayout(layout);
    const int declaredData = layout.declaredData;
    const std::vector<FieldDef> &extra = layout.extra;

    std::vector<std::shared_ptr<const Column>> columns =
        loadColumns(packet, layout.column, layout.types, [&](int j) {
            const int f = j < declaredData ? d->dataFields[j] : -1;
            return f >= 0 ? d->fields[f]->fieldName() : extra[j - declaredData].name;
        });
    const qsizetype rowCount =
        packet.rows.columns() ? packet.rows.columns()->rowCount : qsizetype(packet.rows.size());
    RecordPool pool;
    pool.reserve(size_t(rowCount));
    std::vector<Record *> order;
    order.reserve(size_t(rowCount));
    for (qsizetype i = 0; i < rowCount; ++i) {
        Record *r = pool.create();
        r->base = int(i);
        r->seq = i;
        r->pos = int(i);
        order.push_back(r);
    }
    packet.rows.clear();

    // Commit.
    if (newExtras) {
        d->dropPacketFields();
        for (const FieldDef &def : extra)
            d->createField(def.name, def.type, def.size, false).visible = false;
    }
    d->editRec = nullptr;
    d->insertReturn = nullptr;
    d->buffer.clear();
    d->calcBuffer.clear();
    d->modified = false;
    d->changed.clear();
    d->filtered.clear();
    d->dropIndexes();
    d->columns.swap(columns);
    ++d->columnsGeneration;
    d->pool.swap(pool);
    d->order.swap(order);
    d->seqCounter = qint64(d->order.size());
    d->compiled = std::move(compiled);
    d->sortFields = std::move(sortFields);
    pool.clear();
    order.clear();
    if (!d->sortFields.empty())
        d->sortAll();
    if (d->useFilter())
        d->rebuildFiltered();
    d->cur = d->count() > 0 ? 0 : -1;
    d->bof = true;
    d->eof = d->count() == 0;
    d->state = DataSetState::Browse;
    for (Record *r : d->order)
        d->calcRecord(r);
    emit reset();
    emit currentChanged(d->cur);
    emit stateChanged();
    d->run(afterScroll);
}

DataPacket ClientDataSet::toPacket() const
{
    DataPacket p;
    for (int f : d->dataFields) {
        const Field &fd = *d->fields[f];
        p.fields.append(FieldDef{fd.fieldName(), fd.dataType(), fd.size()});
    }
    p.rows.reserve(d->order.size());
    for (const Record *r : d->order) {
        if (r->status != Record::Status::Pending)
            p.rows.push_back(d->rowOf(r));
    }
    return p;
}

void ClientDataSet::close()
{
    if (!isActive())
        return;
    d->editRec = nullptr;
    d->insertReturn = nullptr;
    d->buffer.clear();
    d->calcBuffer.clear();
    d->modified = false;
    d->changed.clear();
    d->filtered.clear();
    d->order.clear();
    d->dropIndexes();
    d->compiled.reset();
    d->pool.clear();
    d->columns.clear();
    ++d->columnsGeneration;
    d->cur = -1;
    d->bof = d->eof = true;
    emit reset();
    emit currentChanged(-1);
    d->setState(DataSetState::Inactive);
}

bool ClientDataSet::isActive() const
{
    return d->state != DataSetState::Inactive;
}

DataSetState ClientDataSet::state() const
{
    return d->state;
}

bool ClientDataSet::modified() const
{
    return d->editing() && d->modified;
}

// --- ClientDataSet: navigation ------------------------------------------------------------

int ClientDataSet::recordCount() const
{
    return d->count();
}

int ClientDataSet::recNo() const
{
    return d->cur;
}

bool ClientDataSet::isEmpty() const
{
    return d->count() == 0;
}

bool ClientDataSet::bof() const
{
    return d->bof || d->count() == 0;
}

bool ClientDataSet::eof() const
{
    return d->eof || d->count() == 0;
}

void ClientDataSet::first()
{
    d->requireActive();
    d->checkBrowseMode();
    d->bof = true;
    d->eof = false;
    d->moveCursor(0, true);
}

void ClientDataSet::last()
{
    d->requireActive();
    d->checkBrowseMode();
    d->bof = false;
    d->eof = true;
    d->moveCursor(d->count() - 1, true);
}

void ClientDataSet::next()
{
    d->requireActive();
    d->checkBrowseMode();
    if (d->cur + 1 >= d->count()) {
        d->eof = true;
        return;
    }
    d->bof = d->eof = false;
    d->moveCursor(d->cur + 1, false);
}

void ClientDataSet::prior()
{
    d->requireActive();
    d->checkBrowseMode();
    if (d->cur <= 0) {
        d->bof = true;
        return;
    }
    d->bof = d->eof = false;
    d->moveCursor(d->cur - 1, false);
}

void ClientDataSet::moveTo(int row)
{
    d->requireActive();
    d->checkBrowseMode();
    d->bof = d->eof = false;
    d->moveCursor(row, false);
}

namespace
{

bool locateMatch(const Field &f, const QVariant &stored, const QVariant &wanted, int options)
{
    if (isTextType(f.dataType())) {
        const QStringView have = textView(f.dataType(), stored);
        const QString want = isNullValue(wanted) ? QString() : wanted.toString();
        const Qt::CaseSensitivity cs = (options & int(LocateOption::CaseInsensitive))
                                           ? Qt::CaseInsensitive
                                           : Qt::CaseSensitive;
        if (options & int(LocateOption::PartialKey))
            return have.startsWith(want, cs);
        return have.compare(want, cs) == 0;
    }
    return compareValues(f.dataType(), stored, wanted) == 0;
}

} // namespace

bool ClientDataSet::locate(const QStringList &fieldNames, const QVariantList &values, int options)
{
    d->requireActive();
    if (fieldNames.size() != values.size() || fieldNames.isEmpty())
        throw vnd::Error(QStringLiteral("Localizar: campos e valores não correspondem."));
    std::vector<const Field *> fs;
    QVariantList wanted;
    for (int i = 0; i < fieldNames.size(); ++i) {
        const Field &f = fieldByName(fieldNames[i]);
        QVariant v = values[i];
        if (v.typeId() == QMetaType::QString && !isTextType(f.dataType()))
            v = parseText(f.dataType(), v.toString(), f.label());
        else if (!isTextType(f.dataType()) && !conformValue(f.dataType(), 0, v))
            throw vnd::Error(QStringLiteral("Valor inválido para o campo %1.").arg(f.label()));
        fs.push_back(&f);
        wanted.append(v);
    }
    d->checkBrowseMode();
    for (int row = 0; row < d->count(); ++row) {
        const Record *r = d->view()[row];
        bool all = true;
        for (size_t i = 0; all && i < fs.size(); ++i)
            all = locateMatch(*fs[i], d->rawValueOf(r, fs[i]->index()), wanted[int(i)], options);
        if (all) {
            d->bof = d->eof = false;
            d->moveCursor(row, false);
            return true;
        }
    }
    return false;
}

// --- ClientDataSet: per-row access --------------------------------------------------------

QVariant ClientDataSet::valueAt(int row, int fieldIndex) const
{
    const Record *r = d->recordAt(row);
    if (!r || fieldIndex < 0 || fieldIndex >= fieldCount())
        return QVariant();
    return readValue(d->fields[fieldIndex]->dataType(), d->rawValueOf(r, fieldIndex));
}

std::optional<double> ClientDataSet::numberAt(int row, int fieldIndex) const
{
    const int base = loadedRow(row);
    const Column *c = base >= 0 ? loadedColumn(fieldIndex) : nullptr;
    if (c && c->type() == FieldType::Float) {
        if (c->isNull(base))
            return std::nullopt;
        return c->number(base);
    }
    const QVariant v = valueAt(row, fieldIndex);
    if (isNullValue(v))
        return std::nullopt;
    return v.toDouble();
}

QString ClientDataSet::textAt(int row, int fieldIndex, bool displayText) const
{
    if (!d->recordAt(row) || fieldIndex < 0 || fieldIndex >= fieldCount())
        return QString();
    RowScope scope(*this, row);
    const Field &f = *d->fields[fieldIndex];
    return displayText ? f.displayText() : f.text();
}

ClientDataSet::RowScope::RowScope(const ClientDataSet &ds, int row)
    : m_ds(ds), m_saved(ds.d->scopeRow)
{
    ds.d->scopeRow = row;
}

ClientDataSet::RowScope::~RowScope()
{
    m_ds.d->scopeRow = m_saved;
}

} // namespace vnd::data
