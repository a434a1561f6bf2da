// Reading a dataset's cells where they are kept: a row's own values once it was edited,
// the loaded columns otherwise.

#include "host/data/datasetimpl.h"
#include "host/data/fieldvalue.h"

namespace vnd::data
{

using namespace internal;

namespace
{

template <typename View> View readable(FieldType t, View v)
{
    if (t == FieldType::FixedString) {
        while (v.endsWith(u' '))
            v.chop(1);
    }
    return v;
}

bool sameStorage(FieldType a, FieldType b)
{
    return a == b || (isTextType(a) && isTextType(b));
}

} // namespace

Row ClientDataSet::Impl::rowOf(const Record *r) const
{
    if (r->own)
        return r->values;
    Row row;
    row.reserve(qsizetype(columns.size()));
    for (const auto &c : columns)
        row.append(r->base >= 0 ? c->value(r->base) : QVariant());
    return row;
}

int ClientDataSet::loadedRow(int row) const
{
    const Record *r = d->recordAt(row);
    return r && r != d->editRec && !r->own ? r->base : -1;
}

const Column *ClientDataSet::loadedColumn(int fieldIndex) const
{
    if (fieldIndex < 0 || fieldIndex >= int(d->fields.size()) ||
        d->fields[size_t(fieldIndex)]->isCalculated())
        return nullptr;
    const int s = d->slot[size_t(fieldIndex)];
    return s < int(d->columns.size()) ? d->columns[size_t(s)].get() : nullptr;
}

quint64 ClientDataSet::loadedColumnsGeneration() const
{
    return d->columnsGeneration;
}

quint64 ClientDataSet::Impl::hash(const Record *r, int slot, FieldType t) const
{
    if (r->own || r->base < 0)
        return hashValue(t, cell(r, slot));
    const Column &c = *columns[slot];
    const qsizetype row = r->base;
    if (isTextType(t)) {
        if (c.isNull(row))
            return hashText(QStringView());
        return c.withText(row, [t](auto v) { return hashText(readable(t, v)); });
    }
    if (c.isNull(row))
        return hashNull();
    switch (t) {
    case FieldType::Integer:
        return hashNumber(double(c.integer(row)));
    case FieldType::Float:
        return hashNumber(c.number(row));
    case FieldType::Date:
    case FieldType::DateTime:
        return hashStamp(c.stamp(row));
    case FieldType::Boolean:
        return hashFlag(c.flag(row));
    default:
        return 0;
    }
}

int ClientDataSet::Impl::latin1Text(const Record *r, int slot, FieldType t, char *out,
                                    int room) const
{
    const auto copy = [&](auto v) {
        v = readable(t, v);
        if (v.size() > room)
            return -1;
        for (qsizetype i = 0; i < v.size(); ++i) {
            const auto c = v[i].unicode();
            if (c > 0xFF)
                return -1;
            out[i] = char(c);
        }
        return int(v.size());
    };
    if (r->own || r->base < 0)
        return copy(textView(t, cell(r, slot)));
    const Column &c = *columns[slot];
    if (c.isNull(r->base))
        return 0;
    return c.withText(r->base, copy);
}

bool ClientDataSet::Impl::same(const Record *a, const Record *b, int slot, FieldType t) const
{
    if (a->own || b->own || a->base < 0 || b->base < 0) {
        const QVariant x = cell(a, slot), y = cell(b, slot);
        return isTextType(t) ? textView(t, x) == textView(t, y) : compareValues(t, x, y) == 0;
    }
    const Column &c = *columns[slot];
    const qsizetype i = a->base, j = b->base;
    if (isTextType(t)) {
        return c.withText(i, [&](auto x) {
            return c.withText(j, [&](auto y) { return readable(t, x) == readable(t, y); });
        });
    }
    if (c.isNull(i) || c.isNull(j))
        return c.isNull(i) == c.isNull(j);
    switch (t) {
    case FieldType::Float:
        return c.number(i) == c.number(j);
    case FieldType::Boolean:
        return c.flag(i) == c.flag(j);
    default:
        return c.integer(i) == c.integer(j);
    }
}

namespace internal
{

std::vector<std::shared_ptr<const Column>> loadColumns(const DataPacket &packet,
                                                       const std::vector<int> &column,
                                                       const std::vector<FieldType> &types,
                                                       const std::function<QString(int)> &nameOf)
{
    const auto refuse = [&](size_t j, qsizetype row) {
        return vnd::Error(QStringLiteral("Valor inválido para o campo %1 na linha %2 do "
                                         "pacote de dados.")
                              .arg(nameOf(int(j)))
                              .arg(row + 1));
    };
    std::vector<std::shared_ptr<const Column>> out(column.size());
    if (const auto &table = packet.rows.columns()) {
        for (size_t j = 0; j < column.size(); ++j) {
            const auto &src = table->columns[size_t(column[j])];
            if (sameStorage(src->type(), types[j])) {
                out[j] = src;
                continue;
            }
            auto dst = std::make_shared<Column>(types[j]);
            dst->reserve(table->rowCount);
            for (qsizetype i = 0; i < table->rowCount; ++i) {
                QVariant v = src->value(i);
                if (!conformValue(types[j], 0, v))
                    throw refuse(j, i);
                dst->appendValue(v);
            }
            out[j] = std::move(dst);
        }
        return out;
    }
    const qsizetype width = packet.fields.size();
    const std::vector<Row> &rows = packet.rows.rows();
    std::vector<std::shared_ptr<Column>> built;
    for (size_t j = 0; j < column.size(); ++j) {
        built.push_back(std::make_shared<Column>(types[j]));
        built.back()->reserve(qsizetype(rows.size()));
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row &src = rows[i];
        if (src.size() != width)
            throw vnd::Error(QStringLiteral("Linha %1 do pacote de dados com %2 valores; "
                                            "esperados %3.")
                                 .arg(i + 1)
                                 .arg(src.size())
                                 .arg(width));
        for (size_t j = 0; j < column.size(); ++j) {
            const QVariant &v = src.at(column[j]);
            if (!v.isValid() || v.typeId() == storedMetaType(types[j])) {
                built[j]->appendValue(v);
                continue;
            }
            QVariant conformed = v;
            if (!conformValue(types[j], 0, conformed))
                throw refuse(j, qsizetype(i));
            built[j]->appendValue(conformed);
        }
    }
    for (size_t j = 0; j < column.size(); ++j)
        out[j] = std::move(built[j]);
    return out;
}

} // namespace internal

} // namespace vnd::data
