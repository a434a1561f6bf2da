#include "pricetable/pricesheet.h"

#include "pricetable/dayhourgrid.h"
#include "pricetable/gridformat.h"
#include "pricing/dayhourrules.h"
#include "pricing/messagetable.h"
#include "wire/columns.h"

#include <algorithm>

namespace vnd::pricetable
{

using data::ClientDataSet;
using data::FieldType;

namespace
{

bool is(const QString &field, const char *name)
{
    return field.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

// Times of day are stored as HHMM texts.
bool isTimeField(const QString &field)
{
    return is(field, "HRINIVENPROD") || is(field, "HRFIMVENPROD") || is(field, "HRINIPRECDIA") ||
           is(field, "HRFINPRECDIA");
}

CellKind kindOf(const data::Field &f)
{
    if (isTimeField(f.fieldName()))
        return CellKind::Time;
    const FieldType type = f.dataType();
    switch (type) {
    case FieldType::Float:
    case FieldType::Integer:
        return CellKind::Money;
    case FieldType::Date:
    case FieldType::DateTime:
        return CellKind::Date;
    default:
        return CellKind::Text;
    }
}

void setText(SheetCell &cell, QString text)
{
    cell.kind = CellKind::Text;
    cell.empty = text.isEmpty();
    cell.text = std::move(text);
}

// Texts are written over a cell's own string, which keeps its room from row to row: an export
// reads every cell of a hundred thousand rows. Emptying a string that never held a character
// still costs a library call, so it is skipped.
void clearText(QString &into)
{
    if (!into.isEmpty())
        into.resize(0);
}

void assignText(QString &into, QStringView text)
{
    if (text.isEmpty())
        return clearText(into);
    if (into.size() != text.size())
        into.resize(text.size());
    QChar *out = into.data();
    for (qsizetype i = 0; i < text.size(); ++i)
        out[i] = text[i];
}

void assignText(QString &into, QLatin1StringView text)
{
    if (text.isEmpty())
        return clearText(into);
    if (into.size() != text.size())
        into.resize(text.size());
    char16_t *out = reinterpret_cast<char16_t *>(into.data());
    for (qsizetype i = 0; i < text.size(); ++i)
        out[i] = char16_t(uchar(text.data()[i]));
}

// A time cell from the stored text. A stored time that is no time of day stays the text it is
// (" 930" is 09:30: the entry mask leaves the first hour digit optional).
void setTime(SheetCell &cell, const QString &stored)
{
    cell.kind = CellKind::Time;
    const QStringView trimmed = QStringView(stored).trimmed();
    cell.empty = trimmed.isEmpty();
    const int minutes = pricing::storedTimeMinutes(stored);
    if (minutes < 0) {
        cell.kind = CellKind::Text;
        assignText(cell.text, trimmed);
        return;
    }
    const int h = minutes / 60, m = minutes % 60;
    const char16_t hhmm[] = {char16_t(u'0' + h / 10), char16_t(u'0' + h % 10), u':',
                             char16_t(u'0' + m / 10), char16_t(u'0' + m % 10)};
    assignText(cell.text, QStringView(hhmm, 5));
    cell.number = minutes / 1440.0;
}

bool isText(const data::Column &c)
{
    return c.type() == FieldType::String || c.type() == FieldType::FixedString;
}

// One row's cells straight from the dataset's loaded columns while the row is as loaded,
// through valueAt otherwise. Each read is given the field's loaded column when it can be read
// in place (see ItemPriceSheet::keepLoadedColumns), nullptr when not.
class LoadedCells
{
public:
    LoadedCells(const ClientDataSet &ds, int row) : m_ds(ds), m_row(row), m_at(ds.loadedRow(row)) {}

    // Into the cell, not through an optional: passing one back costs an export a stall per
    // cell.
    void number(const data::Column *c, int field, SheetCell &cell) const
    {
        if (!c || m_at < 0) {
            const std::optional<double> n = m_ds.numberAt(m_row, field);
            cell.empty = !n;
            cell.number = n.value_or(0);
            return;
        }
        cell.empty = c->isNull(m_at);
        cell.number = cell.empty ? 0 : c->number(m_at);
    }
    // A one-letter code; none for anything else.
    QChar letter(const data::Column *c, int field) const
    {
        if (!c || m_at < 0) {
            const QString v = m_ds.valueAt(m_row, field).toString();
            return v.size() == 1 ? v.front() : QChar();
        }
        if (c->isNull(m_at))
            return QChar();
        return c->withText(m_at, [](auto v) { return v.size() == 1 ? QChar(v.front()) : QChar(); });
    }
    // The text over `into`; false for no value.
    bool text(const data::Column *c, int field, QString &into) const
    {
        if (!c || m_at < 0) {
            const QVariant v = m_ds.valueAt(m_row, field);
            assignText(into, v.toString());
            return v.isValid() && !v.isNull();
        }
        if (c->isNull(m_at)) {
            clearText(into);
            return false;
        }
        c->withText(m_at, [&into](auto v) { assignText(into, v); });
        return true;
    }

private:
    const ClientDataSet &m_ds;
    int m_row;
    qsizetype m_at;
};

// A cell straight from the stored value: numbers and dates typed, texts as read.
void fromValue(SheetCell &cell, CellKind kind, const QVariant &v)
{
    cell.kind = kind;
    cell.empty = v.isNull() || !v.isValid();
    cell.text.clear();
    if (cell.empty)
        return;
    switch (kind) {
    case CellKind::Money:
        cell.number = v.toDouble();
        break;
    case CellKind::Date:
        cell.date = v.typeId() == QMetaType::QDateTime ? v.toDateTime().date() : v.toDate();
        cell.empty = !cell.date.isValid();
        break;
    case CellKind::Text:
        cell.text = v.toString();
        cell.empty = cell.text.isEmpty();
        break;
    case CellKind::Time:
        setTime(cell, v.toString());
        break;
    }
}

} // namespace

ItemPriceSheet::ItemPriceSheet(const ClientDataSet &items, const QList<GridColumn> &gridColumns,
                               const Picture &picture, const MessageTable &messages)
    : m_items(items), m_picture(picture), m_messages(messages),
      m_sim(flagText(QStringLiteral("S"), messages)), m_nao(flagText(QStringLiteral("N"), messages))
{
    for (const GridColumn &g : gridColumns) {
        const data::Field *f = items.findField(g.field);
        if (!f)
            continue;
        const CellKind kind = kindOf(*f);
        m_columns.append({f->fieldName(), g.title, kind});
        Read how = Read::Text;
        if (isItemFlagField(f->fieldName()))
            how = Read::Flag;
        else if (f->onGetText && kind == CellKind::Text)
            how = Read::Hooked;
        else if (kind == CellKind::Money)
            how = Read::Money;
        else if (kind == CellKind::Time)
            how = Read::Time;
        else if (kind == CellKind::Date)
            how = Read::Date;
        else if (is(f->fieldName(), "CDARVPROD") && m_picture.GetTtNiveis() > 0)
            how = Read::Tree;
        m_reads.push_back(
            {int(m_reads.size()), f->index(), how, f->dataType() == FieldType::String});
    }
    // Cells read the same way are read one after the other: switching on every column, to
    // another case each time, cost the export a mispredicted jump per cell.
    std::stable_sort(m_reads.begin(), m_reads.end(),
                     [](const ColumnRead &a, const ColumnRead &b) { return a.how < b.how; });
    keepLoadedColumns();
}

void ItemPriceSheet::keepLoadedColumns() const
{
    m_loaded.assign(m_reads.size(), nullptr);
    for (size_t i = 0; i < m_reads.size(); ++i) {
        const ColumnRead &read = m_reads[i];
        const data::Column *column = m_items.loadedColumn(read.field);
        if (!column)
            continue;
        switch (read.how) {
        case Read::Money:
            if (column->type() == FieldType::Float)
                m_loaded[i] = column;
            break;
        case Read::Flag:
        case Read::Text:
        case Read::Tree:
        case Read::Time:
            // A fixed-width text's trailing blanks are valueAt's to drop.
            if (read.plain && isText(*column))
                m_loaded[i] = column;
            break;
        case Read::Hooked:
        case Read::Date:
            break;
        }
    }
    m_loadedGeneration = m_items.loadedColumnsGeneration();
}

void ItemPriceSheet::readRow(int row, std::vector<SheetCell> &cells) const
{
    // The dataset may be loaded again while the progress of an export lets events through.
    if (m_items.loadedColumnsGeneration() != m_loadedGeneration)
        keepLoadedColumns();
    const LoadedCells read(m_items, row);
    cells.resize(m_reads.size());
    for (size_t i = 0; i < m_reads.size(); ++i) {
        const ColumnRead &col = m_reads[i];
        const data::Column *loaded = m_loaded[i];
        SheetCell &cell = cells[size_t(col.cell)];
        switch (col.how) {
        case Read::Flag: {
            const QChar flag = read.letter(loaded, col.field);
            cell.kind = CellKind::Text;
            assignText(cell.text, flag == u'S'   ? QStringView(m_sim)
                                  : flag == u'N' ? QStringView(m_nao)
                                                 : QStringView());
            cell.empty = cell.text.isEmpty();
            break;
        }
        case Read::Hooked:
            setText(cell, m_items.textAt(row, col.field, true));
            break;
        case Read::Money:
            cell.kind = CellKind::Money;
            read.number(loaded, col.field, cell);
            clearText(cell.text);
            break;
        case Read::Text:
            cell.kind = CellKind::Text;
            read.text(loaded, col.field, cell.text);
            cell.empty = cell.text.isEmpty();
            break;
        case Read::Tree:
            cell.kind = CellKind::Text;
            cell.empty = !read.text(loaded, col.field, m_scratch) || m_scratch.isEmpty();
            m_picture.formatInto(m_scratch, cell.text);
            break;
        case Read::Time:
            cell.kind = CellKind::Time;
            if (read.text(loaded, col.field, m_scratch)) {
                setTime(cell, m_scratch);
            } else {
                cell.empty = true;
                clearText(cell.text);
            }
            break;
        case Read::Date:
            fromValue(cell, CellKind::Date, m_items.valueAt(row, col.field));
            break;
        }
    }
}

QHash<QString, SheetProduct> ItemPriceSheet::products() const
{
    QHash<QString, SheetProduct> out;
    const data::Field *code = m_items.findField(u"CDPRODUTO");
    const data::Field *tree = m_items.findField(u"CDARVPROD");
    const data::Field *name = m_items.findField(u"NMPRODUTO");
    if (!code || !tree || !name)
        return out;
    const int rows = m_items.recordCount();
    out.reserve(rows);
    for (int r = 0; r < rows; ++r) {
        const QString t = m_items.valueAt(r, tree->index()).toString();
        out.insert(m_items.valueAt(r, code->index()).toString(),
                   {m_picture.GetTtNiveis() > 0 ? m_picture.format(t) : t,
                    m_items.valueAt(r, name->index()).toString()});
    }
    return out;
}

DayHourSheet::DayHourSheet(const ClientDataSet &rules, const QList<GridColumn> &gridColumns,
                           QHash<QString, SheetProduct> products, const MessageTable &messages)
    : m_rules(rules), m_products(std::move(products)), m_messages(messages)
{
    m_columns.append({QStringLiteral("CDARVPROD"), QStringLiteral("Produto"), CellKind::Text});
    m_columns.append({QStringLiteral("NMPRODUTO"), QStringLiteral("Nome"), CellKind::Text});
    m_fieldIndex = {-1, -1};
    for (const GridColumn &g : gridColumns) {
        const data::Field *f = rules.findField(g.field);
        if (!f)
            continue;
        m_columns.append({f->fieldName(), g.title.isEmpty() ? f->label() : g.title, kindOf(*f)});
        m_fieldIndex.push_back(f->index());
    }
    const data::Field *code = rules.findField(u"CDPRODUTO");
    if (!code)
        return;
    const int rows = rules.recordCount();
    for (int r = 0; r < rows; ++r) {
        const auto it = m_products.constFind(rules.valueAt(r, code->index()).toString());
        if (it == m_products.cend())
            continue;
        m_rows.push_back(r);
        m_rowProduct.push_back(&it.value());
    }
    m_consumerName = rules.findField(u"NMTIPOCONS");
}

void DayHourSheet::readRow(int row, std::vector<SheetCell> &cells) const
{
    cells.resize(m_fieldIndex.size());
    const int r = m_rows[size_t(row)];
    setText(cells[0], m_rowProduct[size_t(row)]->tree);
    setText(cells[1], m_rowProduct[size_t(row)]->name);
    for (size_t c = 2; c < m_fieldIndex.size(); ++c) {
        const int f = m_fieldIndex[c];
        const data::Field &field = m_rules.field(f);
        const QString &name = field.fieldName();
        if (is(name, "CDTIPOCONSPD")) {
            const QString consumer =
                m_consumerName ? m_rules.valueAt(r, m_consumerName->index()).toString() : QString();
            setText(cells[c], tipoConsCellText(m_rules.valueAt(r, f).toString().trimmed(), consumer,
                                               false, m_messages));
        } else if (name.startsWith(QLatin1String("IDTPMOD"), Qt::CaseInsensitive)) {
            setText(cells[c], flagText(m_rules.valueAt(r, f).toString(), m_messages));
        } else if (field.onGetText && m_columns[int(c)].kind == CellKind::Text) {
            setText(cells[c], m_rules.textAt(r, f, true));
        } else {
            fromValue(cells[c], m_columns[int(c)].kind, m_rules.valueAt(r, f));
        }
    }
}

FilterSuspended::FilterSuspended(ClientDataSet &ds)
    : m_ds(ds), m_was(ds.isFiltered()), m_recNo(ds.recNo())
{
    if (m_was)
        m_ds.setFiltered(false);
}

FilterSuspended::~FilterSuspended()
{
    if (!m_was)
        return;
    try {
        m_ds.setFiltered(true);
        if (m_recNo > 0 && m_recNo < m_ds.recordCount())
            m_ds.moveTo(m_recNo);
    } catch (...) {
        // Leaving a scope must not throw; the filter is back on either way.
    }
}

} // namespace vnd::pricetable
