#pragma once
// The form page's item prices and day/hour rules as sheets of typed cells: the columns and
// titles of the grids, money as numbers, dates as dates, codes and flags as the grids show
// them. The spreadsheet writers read these; they know nothing of datasets.

#include "host/data/clientdataset.h"
#include "pricing/picture.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>

#include <vector>

namespace vnd
{
class MessageTable;
}

namespace vnd::pricetable
{

// Time: a time of day, shown "HH:MM" (text holds it, number the fraction of the day).
enum class CellKind { Text, Money, Date, Time };

struct SheetColumn {
    QString field;
    QString title;
    CellKind kind = CellKind::Text;
};

struct SheetCell {
    CellKind kind = CellKind::Text;
    bool empty = true;
    QString text;      // Text, Time
    double number = 0; // Money, Time
    QDate date;        // Date
};

// A grid column as the sheet takes it: its field and its title.
struct GridColumn {
    QString field;
    QString title;
};

class PriceSheet
{
public:
    virtual ~PriceSheet() = default;
    virtual QString name() const = 0;
    virtual const QList<SheetColumn> &columns() const = 0;
    virtual int rowCount() const = 0;
    // The cells of one row, one per column, into `cells` (resized to fit).
    virtual void readRow(int row, std::vector<SheetCell> &cells) const = 0;
};

// The product a day/hour rule belongs to, as the item sheet shows it.
struct SheetProduct {
    QString tree; // tree code through the picture
    QString name;
};

// The item prices in the order and under the filter the grid shows them. The product tree
// code goes through the picture, the flags show the grid's Sim/Não.
class ItemPriceSheet final : public PriceSheet
{
public:
    ItemPriceSheet(const data::ClientDataSet &items, const QList<GridColumn> &gridColumns,
                   const Picture &picture, const MessageTable &messages);

    QString name() const override { return QStringLiteral("Preços"); }
    const QList<SheetColumn> &columns() const override { return m_columns; }
    int rowCount() const override { return m_items.recordCount(); }
    void readRow(int row, std::vector<SheetCell> &cells) const override;

    // The exported products by CDPRODUTO, for the day/hour sheet.
    QHash<QString, SheetProduct> products() const;

private:
    // How a column's cells are read, decided once for the sheet rather than per cell.
    enum class Read : unsigned char { Flag, Hooked, Money, Text, Tree, Time, Date };
    struct ColumnRead {
        int cell; // the column's place in the row
        int field;
        Read how;
        bool plain; // a text field not of fixed width, read in place when loaded
    };

    // For each of m_reads, the loaded column where its cells are read in place, else nullptr;
    // taken once for the dataset's load rather than per cell.
    void keepLoadedColumns() const;

    const data::ClientDataSet &m_items;
    Picture m_picture;
    QList<SheetColumn> m_columns;
    std::vector<ColumnRead> m_reads; // by how they are read
    mutable std::vector<const data::Column *> m_loaded;
    mutable quint64 m_loadedGeneration = 0;
    const MessageTable &m_messages;
    QString m_sim, m_nao;
    mutable QString m_scratch; // a stored text on its way to a cell
};

// The day/hour rules of the given products, every one of them whatever the dataset's filter
// shows (the caller switches the filter off while the sheet is read), each led by the
// product's tree code and name. Codes show their texts, the consumer type and the modality
// flags as the grid shows them.
class DayHourSheet final : public PriceSheet
{
public:
    DayHourSheet(const data::ClientDataSet &rules, const QList<GridColumn> &gridColumns,
                 QHash<QString, SheetProduct> products, const MessageTable &messages);

    QString name() const override { return QStringLiteral("Preços Diferenciados"); }
    const QList<SheetColumn> &columns() const override { return m_columns; }
    int rowCount() const override { return int(m_rows.size()); }
    void readRow(int row, std::vector<SheetCell> &cells) const override;

private:
    const data::ClientDataSet &m_rules;
    QHash<QString, SheetProduct> m_products;
    const MessageTable &m_messages;
    const data::Field *m_consumerName = nullptr;
    QList<SheetColumn> m_columns;
    std::vector<int> m_fieldIndex; // -1: the product columns
    std::vector<int> m_rows;
    std::vector<const SheetProduct *> m_rowProduct;
};

// Switches a dataset's filter off while it lives, then puts the filter and the current
// record back.
class FilterSuspended
{
public:
    explicit FilterSuspended(data::ClientDataSet &ds);
    ~FilterSuspended();
    FilterSuspended(const FilterSuspended &) = delete;
    FilterSuspended &operator=(const FilterSuspended &) = delete;

private:
    data::ClientDataSet &m_ds;
    bool m_was;
    int m_recNo;
};

} // namespace vnd::pricetable
