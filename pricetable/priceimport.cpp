#include "pricetable/priceimport.h"

#include "host/data/fieldvalue.h"
#include "host/services/errors.h"
#include "pricetable/csvsheet.h"
#include "pricetable/gridformat.h"
#include "pricetable/itemprice.h"
#include "pricetable/rulehelpers.h"
#include "pricing/messagetable.h"

#include <QHash>
#include <QRegularExpression>

namespace vnd::pricetable
{

namespace
{

enum class Kind { Price, Flag, Time };

struct Slot {
    Kind kind;
    std::optional<double> ItemPriceValues::*price = nullptr;
    QString ItemPriceValues::*text = nullptr;
};

Slot slotOf(const QString &field)
{
    static const QHash<QString, Slot> fieldSlots = {
        {QStringLiteral("VRPRECITEM"), {Kind::Price, &ItemPriceValues::preco}},
        {QStringLiteral("VRPRECITEMCL"), {Kind::Price, &ItemPriceValues::cliente}},
        {QStringLiteral("VRPRECITEMDLV"), {Kind::Price, &ItemPriceValues::delivery}},
        {QStringLiteral("VRPRECITEMCMD"), {Kind::Price, &ItemPriceValues::comanda}},
        {QStringLiteral("VRPRESUGITEM"), {Kind::Price, &ItemPriceValues::sugerido}},
        {QStringLiteral("VRCUSTITEM"), {Kind::Price, &ItemPriceValues::calculado}},
        {QStringLiteral("IDPRECVARIA"), {Kind::Flag, nullptr, &ItemPriceValues::varia}},
        {QStringLiteral("IDPRODPROMOC"), {Kind::Flag, nullptr, &ItemPriceValues::promocao}},
        {QStringLiteral("HRINIVENPROD"), {Kind::Time, nullptr, &ItemPriceValues::hrIni}},
        {QStringLiteral("HRFIMVENPROD"), {Kind::Time, nullptr, &ItemPriceValues::hrFim}},
    };
    return fieldSlots.value(field.toUpper());
}

// One imported cell: the price, flag or stored time it stands for. An empty flag keeps the
// flag as it is: the grid has no way to empty one.
struct Cell {
    std::optional<double> price;
    QString text;
    bool keep = false;
};

// "9:30", "09:30" and "09:30:00" (a spreadsheet that read the cell as a time writes seconds)
// as the grid's mask stores them; anything else without its colons, for the time check to
// refuse.
QString storedTime(const QString &cell)
{
    static const QRegularExpression time(QStringLiteral("^(\\d{1,2}):(\\d{2})(:00)?$"));
    const QRegularExpressionMatch m = time.match(cell);
    if (m.hasMatch())
        return m.captured(1).rightJustified(2, u'0') + m.captured(2);
    return QString(cell).remove(u':');
}

// Throws vnd::Error with the message the grid gives for the text.
Cell parseCell(const Slot &slot, const QString &raw, const QString &label,
               const MessageTable &messages)
{
    const QString t = raw.trimmed();
    Cell c;
    if (t.isEmpty()) {
        c.keep = slot.kind == Kind::Flag;
        return c;
    }
    switch (slot.kind) {
    case Kind::Price:
        // The grid's own parsing of a typed number, with its message.
        c.price = data::internal::parseText(data::FieldType::Float, t, label).toDouble();
        break;
    case Kind::Flag:
        if (const auto code = flagCode(t, messages)) {
            c.text = *code;
        } else {
            const QString upper = t.toUpper();
            if (upper == u"S" || upper == u"SIM")
                c.text = QStringLiteral("S");
            else if (upper == u"N" || upper == u"NÃO" || upper == u"NAO")
                c.text = QStringLiteral("N");
            else
                throw Error(QStringLiteral("'%1' não é um valor válido para o campo %2: use "
                                           "Sim ou Não.")
                                .arg(t, label));
        }
        break;
    case Kind::Time:
        c.text = storedTime(t);
        break;
    }
    return c;
}

bool sameCell(const Slot &slot, const ItemPriceValues &v, const Cell &c)
{
    if (c.keep)
        return true;
    if (slot.kind == Kind::Price)
        return v.*slot.price == c.price;
    return v.*slot.text == c.text;
}

void setCell(const Slot &slot, ItemPriceValues &v, const Cell &c)
{
    if (c.keep)
        return;
    if (slot.kind == Kind::Price)
        v.*slot.price = c.price;
    else
        v.*slot.text = c.text;
}

bool sameTitle(const QString &a, const QString &b)
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

} // namespace

const QStringList &importableFields()
{
    static const QStringList fields = {
        QStringLiteral("VRPRECITEM"),    QStringLiteral("VRPRECITEMCL"),
        QStringLiteral("VRPRECITEMDLV"), QStringLiteral("VRPRECITEMCMD"),
        QStringLiteral("IDPRECVARIA"),   QStringLiteral("VRPRESUGITEM"),
        QStringLiteral("VRCUSTITEM"),    QStringLiteral("IDPRODPROMOC"),
        QStringLiteral("HRINIVENPROD"),  QStringLiteral("HRFIMVENPROD"),
    };
    return fields;
}

ImportCheck checkImport(const CsvTable &csv, const data::ClientDataSet &items,
                        const QList<GridColumn> &gridColumns, const MessageTable &messages)
{
    ImportCheck out;

    // The header: which column is the product and which field each other column carries.
    int productColumn = -1;
    std::vector<std::pair<int, QString>> columns; // file column, field
    for (int c = 0; c < csv.header.size(); ++c) {
        const QString &title = csv.header[c];
        const GridColumn *match = nullptr;
        for (const GridColumn &g : gridColumns)
            if (sameTitle(title, g.title) || sameTitle(title, g.field))
                match = &g;
        if (!match) {
            out.fileError = QStringLiteral("A coluna \"%1\" não é uma coluna da grade de preços.")
                                .arg(title.trimmed());
            return out;
        }
        const QString field = match->field.toUpper();
        if (field == u"CDARVPROD") {
            if (productColumn >= 0) {
                out.fileError =
                    QStringLiteral("A coluna \"%1\" aparece mais de uma vez.").arg(match->title);
                return out;
            }
            productColumn = c;
        } else if (importableFields().contains(field)) {
            if (out.fields.contains(field)) {
                out.fileError =
                    QStringLiteral("A coluna \"%1\" aparece mais de uma vez.").arg(match->title);
                return out;
            }
            out.fields << field;
            out.titles << match->title;
            columns.emplace_back(c, field);
        } else {
            out.ignoredTitles << match->title;
        }
    }
    if (productColumn < 0) {
        out.fileError = QStringLiteral("O arquivo não tem a coluna \"Produto\".");
        return out;
    }
    if (columns.empty()) {
        out.fileError = QStringLiteral("O arquivo não tem nenhuma coluna de preço que possa ser "
                                       "importada.");
        return out;
    }

    // The items by the digits of their tree code.
    QHash<QString, int> byTree;
    const int treeField = items.fieldByName(u"CDARVPROD").index();
    const int codeField = items.fieldByName(u"CDPRODUTO").index();
    const int itemCount = items.recordCount();
    byTree.reserve(itemCount);
    for (int r = 0; r < itemCount; ++r)
        byTree.insert(items.valueAt(r, treeField).toString(), r);
    std::vector<Slot> fieldSlots;
    QStringList labels;
    for (const auto &[c, field] : columns) {
        fieldSlots.push_back(slotOf(field));
        labels << items.fieldByName(field).label();
    }

    const ItemPriceReader reader(items);
    QHash<QString, int> seen; // product -> first line
    out.rows.reserve(csv.records.size());
    for (size_t i = 0; i < csv.records.size(); ++i) {
        const QStringList &record = csv.records[i];
        ImportRow row;
        row.line = csv.lines[i];
        row.product = record.value(productColumn).trimmed();
        const auto refuse = [&](const QString &field, const QString &message) {
            row.status = ImportStatus::Refused;
            row.field = field;
            row.message = message;
            ++out.refused;
            out.rows.push_back(std::move(row));
        };
        if (record.size() != csv.header.size()) {
            refuse({}, QStringLiteral("A linha tem %1 campos; o título tem %2.")
                           .arg(record.size())
                           .arg(csv.header.size()));
            continue;
        }
        if (row.product.isEmpty()) {
            refuse({}, QStringLiteral("Produto deve ser informado."));
            continue;
        }
        const auto item = byTree.constFind(Picture::strip(row.product));
        if (item == byTree.cend()) {
            refuse({}, QStringLiteral("Produto não cadastrado."));
            continue;
        }
        row.itemRow = item.value();
        row.cdProduto = items.valueAt(row.itemRow, codeField).toString();
        row.before = reader.at(row.itemRow);
        row.after = row.before;
        if (const auto first = seen.constFind(row.cdProduto); first != seen.cend()) {
            refuse({}, QStringLiteral("Produto repetido no arquivo (linha %1).").arg(*first));
            continue;
        }
        seen.insert(row.cdProduto, row.line);

        bool touched = false;
        QString fault, faultField;
        for (size_t k = 0; k < columns.size(); ++k) {
            try {
                const Cell cell =
                    parseCell(fieldSlots[k], record[columns[k].first], labels[int(k)], messages);
                touched = touched || !sameCell(fieldSlots[k], row.before, cell);
                setCell(fieldSlots[k], row.after, cell);
            } catch (const Error &e) {
                if (fault.isEmpty()) {
                    fault = e.message();
                    faultField = columns[k].second;
                }
            }
        }
        if (!fault.isEmpty()) {
            refuse(faultField, fault);
            continue;
        }
        // A row the file leaves as it is was not edited: nothing to check, as in the grid.
        if (touched) {
            normaliseItemPrice(row.after);
            auto broken = itemPriceFault(row.after, messages);
            if (!broken)
                broken = itemTimeFault(row.after, messages);
            if (broken) {
                refuse(QString::fromLatin1(broken->field), broken->message);
                continue;
            }
        }
        row.status = row.after == row.before ? ImportStatus::Unchanged : ImportStatus::Changed;
        ++(row.status == ImportStatus::Changed ? out.changed : out.unchanged);
        out.rows.push_back(std::move(row));
    }
    return out;
}

ImportField::ImportField(const QString &field)
{
    const Slot slot = slotOf(field);
    m_price = slot.price;
    m_text = slot.text;
}

QVariant ImportField::value(const ItemPriceValues &v) const
{
    if (m_price)
        return v.*m_price ? QVariant(*(v.*m_price)) : QVariant();
    if (m_text && !(v.*m_text).isEmpty())
        return v.*m_text;
    return {};
}

bool ImportField::differs(const ItemPriceValues &a, const ItemPriceValues &b) const
{
    return m_price ? a.*m_price != b.*m_price : m_text && a.*m_text != b.*m_text;
}

QString importValueText(const ItemPriceValues &v, const QString &field, const MessageTable &m)
{
    const Slot slot = slotOf(field);
    switch (slot.kind) {
    case Kind::Price: {
        const std::optional<double> &p = v.*slot.price;
        return p ? csvNumber(*p) : QString();
    }
    case Kind::Flag:
        return flagText(v.*slot.text, m);
    case Kind::Time:
        return timeEditText(v.*slot.text, QString());
    }
    return {};
}

} // namespace vnd::pricetable
