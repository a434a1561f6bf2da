#include "pricetable/pricesheet.h"

#include "pricetable/dayhourgrid.h"
#include "pricetable/gridformat.h"
#include "pricing/dayhourrules.h"
#include "pricing/messagetable.h"

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
    case CellKind::Time: {
        // A stored time that is no time of day stays the text it is (" 930" is 09:30: the
        // entry mask leaves the first hour digit optional).
        const QString t = v.toString();
        cell.empty = t.trimmed().isEmpty();
        const int minutes = pricing::storedTimeMinutes(t);
        if (minutes >= 0) {
            const int h = minutes / 60, m = minutes % 60;
            const char16_t hhmm[] = {char16_t(u'0' + h / 10), char16_t(u'0' + h % 10), u':',
                                     char16_t(u'0' + m / 10), char16_t(u'0' + m % 10)};
            cell.text = QString::fromUtf16(hhmm, 5);
            cell.number = minutes / 1440.0;
        } else {
            cell.kind = CellKind::Text;
            cell.text = t.trimmed();
        }
        break;
    }
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
        m_columns.append({f->fieldName(), g.title, kindOf(*f)});
        m_fieldIndex.push_back(f->index());
        m_hooked.push_back(bool(f->onGetText));
        m_flag.push_back(isItemFlagField(f->fieldName()));
        if (is(f->fieldName(), "CDARVPROD"))
            m_treeIndex = int(m_fieldIndex.size()) - 1;
    }
}

void ItemPriceSheet::readRow(int row, std::vector<SheetCell> &cells) const
{
    cells.resize(m_fieldIndex.size());
    for (size_t c = 0; c < m_fieldIndex.size(); ++c) {
        const int f = m_fieldIndex[c];
        if (m_flag[c]) {
            const QVariant v = m_items.valueAt(row, f);
            const QString stored = v.toString();
            setText(cells[c], stored == u"S"   ? m_sim
                              : stored == u"N" ? m_nao
                                               : flagText(stored, m_messages));
            continue;
        }
        if (m_hooked[c] && m_columns[int(c)].kind == CellKind::Text) {
            setText(cells[c], m_items.textAt(row, f, true));
            continue;
        }
        if (m_columns[int(c)].kind == CellKind::Money) {
            const std::optional<double> n = m_items.numberAt(row, f);
            cells[c].kind = CellKind::Money;
            cells[c].empty = !n;
            cells[c].number = n.value_or(0);
            cells[c].text.clear();
            continue;
        }
        fromValue(cells[c], m_columns[int(c)].kind, m_items.valueAt(row, f));
        if (int(c) == m_treeIndex && !cells[c].empty && m_picture.GetTtNiveis() > 0)
            cells[c].text = m_picture.format(cells[c].text);
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
