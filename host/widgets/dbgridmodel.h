#pragma once
// The table model of a data-aware grid: a thin adapter over a client dataset. Every call is
// O(1) in the number of rows; the dataset's signals become model signals (appends as row
// insertions, other insertions and removals as resets). Row counts are cached so views and
// testers see consistent before/after counts.

#include "host/data/clientdataset.h"
#include "host/widgets/dbgridcolumn.h"

#include <QAbstractTableModel>
#include <QPointer>

#include <deque>

namespace vnd::widgets
{

class DBGridModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit DBGridModel(QObject *parent = nullptr);

    void setDataSet(data::ClientDataSet *dataSet);
    data::ClientDataSet *dataSet() const { return m_dataSet; }

    // The grid's columns (owned by the grid); the model shows the visible ones.
    void setColumns(std::deque<TColumn> *columns);
    void columnsChanged();
    int columnIndexOf(int visibleColumn) const; // index into the column list, or -1
    int visibleColumnOf(int columnIndex) const; // -1 when hidden

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Writes the edit text into the field of the current record through its set-text hook,
    // putting the dataset into edit first. Failures are shown and answer false.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    bool editingAllowed = true; // the grid's editing option
    bool isEditable(const QModelIndex &index) const;

private:
    void rebind();
    void onReset();
    void onRowsInserted(int first, int last);
    void onRowsRemoved(int first, int last);
    void onRowChanged(int row);
    void onFieldChanged(int fieldIndex);
    void markCurrentRow(); // repaints the indicator of the old and the new current row

    QPointer<data::ClientDataSet> m_dataSet;
    std::deque<TColumn> *m_columns = nullptr;
    QList<int> m_visible; // visible column -> column index
    int m_rows = 0;
    int m_markedRow = -1;
    QList<QMetaObject::Connection> m_connections;
};

} // namespace vnd::widgets
