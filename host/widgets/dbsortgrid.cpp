#include "host/widgets/dbsortgrid.h"

#include "host/services/ui.h"
#include "host/widgets/dbgridmodel.h"

#include <QHeaderView>

namespace vnd::widgets
{

TDBSortGrid::TDBSortGrid(QWidget *parent) : TDBGrid(parent)
{
    horizontalHeader()->setSectionsClickable(true);
}

void TDBSortGrid::titleClicked(int columnIndex)
{
    TDBGrid::titleClicked(columnIndex);
    data::ClientDataSet *ds = dataSet();
    const TColumn &c = Columns()[columnIndex];
    if (!ds || !ds->isActive() || !c.field || c.field->isCalculated())
        return;
    const QString name = c.field->fieldName();
    const QString next = m_sortField.compare(name, Qt::CaseInsensitive) == 0 ? QString() : name;
    if (!guarded([&] { ds->setIndexFieldNames(next); }))
        return;
    m_sortField = next;
    const int section = gridModel()->visibleColumnOf(columnIndex);
    horizontalHeader()->setSortIndicatorShown(!next.isEmpty());
    if (!next.isEmpty())
        horizontalHeader()->setSortIndicator(section, Qt::AscendingOrder);
}

} // namespace vnd::widgets
