#pragma once
// Prices read from a CSV file in the layout of the item grid (its column titles; the product
// column and any of the editable price columns), each row checked against the item it names
// as typing it into the grid would: the same parsing of numbers, the same flag texts, the
// same checks and normalisations before post, the same messages. Pure: nothing is saved.

#include "host/data/clientdataset.h"
#include "pricetable/csvreader.h"
#include "pricetable/itempricecheck.h"
#include "pricetable/pricesheet.h"
#include "pricing/picture.h"

#include <vector>

namespace vnd
{
class MessageTable;
}

namespace vnd::pricetable
{

enum class ImportStatus { Changed, Unchanged, Refused };

struct ImportRow {
    int line = 0;      // in the file; the title line is 1
    QString product;   // the product code as the file has it
    QString cdProduto; // the item's CDPRODUTO; "" for an unknown product
    int itemRow = -1;  // the item's row in the dataset
    ImportStatus status = ImportStatus::Refused;
    QString field;   // refused: the field at fault ("" for the product)
    QString message; // refused: what the grid would say
    ItemPriceValues before, after;
};

struct ImportCheck {
    QString fileError;           // the file as a whole cannot be imported
    QStringList fields;          // the editable fields the file carries, in its order
    QStringList titles;          // their titles
    QStringList ignoredTitles;   // grid columns the file carries that are not imported
    std::vector<ImportRow> rows; // in file order
    int changed = 0, unchanged = 0, refused = 0;
};

// The fields a file may change, in grid order.
const QStringList &importableFields();

// Checks every record of the table against the items (as loaded, in any order or filter).
// gridColumns gives the titles the header is matched against (case aside; field names are
// accepted too). Product codes are read with or without the picture's separators.
ImportCheck checkImport(const CsvTable &csv, const data::ClientDataSet &items,
                        const QList<GridColumn> &gridColumns, const MessageTable &messages);

// One editable field of a row's values, looked up once: an import reads it from every row.
class ImportField
{
public:
    explicit ImportField(const QString &field);
    // The value as the server takes it (none when empty).
    QVariant value(const ItemPriceValues &v) const;
    bool differs(const ItemPriceValues &a, const ItemPriceValues &b) const;

private:
    std::optional<double> ItemPriceValues::*m_price = nullptr;
    QString ItemPriceValues::*m_text = nullptr;
};

// The value a row's field shows, as the preview prints it ("" when empty).
QString importValueText(const ItemPriceValues &v, const QString &field, const MessageTable &m);

} // namespace vnd::pricetable
