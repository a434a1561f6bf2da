#pragma once
// TDBSortGrid: a data-aware grid whose title click sorts the dataset by that column (the
// sort lives in the dataset's index, not in a proxy model). A second click on the same
// title goes back to load order.

#include "host/widgets/dbgrid.h"

namespace vnd::widgets
{

class TDBSortGrid : public TDBGrid
{
    Q_OBJECT
public:
    explicit TDBSortGrid(QWidget *parent = nullptr);
    QString sortFieldName() const { return m_sortField; }

protected:
    void titleClicked(int columnIndex) override;

private:
    QString m_sortField;
};

} // namespace vnd::widgets
