#pragma once
// Presentation rules of the item price grid (dbsItemPreco): cell colours, cell texts, the
// flag and time texts of the fields, and which keys and columns take input.

#include "host/data/clientdataset.h"

#include <QColor>
#include <QString>

#include <functional>
#include <optional>

namespace vnd
{
class MessageTable;
}

namespace vnd::pricetable
{

// Two decimals, decimal comma, no thousands separator ("##0.00", "###0.00"); half away from
// zero.
QString formatDecimal2(double value);
// "#,##0.00": two decimals with the dot as thousands separator.
QString formatThousands2(double value);

enum class CellText { Normal, Selected, Red, Blue };
enum class CellBackground { Cell, Selected };

struct ItemCellColours {
    CellText text = CellText::Normal;
    CellBackground background = CellBackground::Cell;
};

// A row is blue when the consumer price is above a non-zero calculated price; otherwise red
// when the consumer price is below the calculated price or the calculated price exceeds
// consumer plus client price (both at two decimals). A selected cell keeps the cell
// background when its colour came from the first test pass.
ItemCellColours itemCellColours(double price, double sub, double calc, bool selected);
inline const QColor kPriceBelowColour{255, 0, 0};
inline const QColor kPriceAboveColour{0, 0, 255};
inline const QColor kIconTransparentColour{128, 128, 0};

struct ItemCellDisplay {
    QString text;
    bool rightAligned = false;
};

// The item grid's money columns: two decimals, decimal comma, no grouping.
bool isItemMoneyField(const QString &fieldName);
// The item grid's S/N flags, shown "Sim"/"Não".
bool isItemFlagField(const QString &fieldName);
// The text of one item cell. Price columns show their value with two decimals, right-aligned;
// an empty price shows empty (unlike 0). formatProductCode puts the picture's separators
// into the product tree code.
ItemCellDisplay itemCellText(const data::Field &field,
                             const std::function<QString(const QString &)> &formatProductCode);

// The composition column shows the icon for composed products, never a number.
bool showsCompositionIcon(const data::Field &nrCompProd);

// Editing is switched off in the composition icon column.
bool itemColumnEditable(const QString &fieldName);

// Ctrl+Delete is swallowed so the grid never deletes a price row.
bool itemKeyDownSwallowed(int qtKey, Qt::KeyboardModifiers modifiers);

// The typed character as the grid passes it on; a null QChar when it is swallowed. The
// product code column (outside insert) and the two flag columns take nothing; plain letters
// a-z arrive upper-cased, everything else unchanged.
QChar itemKeyPress(QChar typed, const QString &selectedField, data::DataSetState state);

// "S" -> Sim, "N" -> Não (from the message table), anything else "".
QString flagText(const QString &stored, const MessageTable &messages);
// The code of a shown text ("S"/"N"); nullopt leaves the field unchanged.
std::optional<QString> flagCode(const QString &text, const MessageTable &messages);

// "1030" -> "10:30"; an empty time shows nothing.
QString horaVendaText(const QString &stored);

// Installs the get-text/set-text hooks of the two flags and the two sales times.
// messages must outlive the dataset.
void installItemPrecoTextHooks(data::ClientDataSet &cdsItemPreco, const MessageTable &messages);

} // namespace vnd::pricetable
