#pragma once
// One column of a data-aware grid. Properties are read live by the grid: changing readOnly
// or buttonStyle takes effect at the next edit or paint; changing visible or the column
// list needs TDBGrid::columnsChanged().

#include "host/data/clientdataset.h"

#include <QStringList>

namespace vnd::widgets
{

enum class ColumnButtonStyle { Auto, Ellipsis };

struct TColumn {
    QString fieldName;
    QString title;  // empty: the field's display label
    int width = -1; // pixels; -1: from the field's display width
    bool readOnly = false;
    bool visible = true;
    QStringList pickList; // non-empty: the cell editor is a drop-down list
    ColumnButtonStyle buttonStyle = ColumnButtonStyle::Auto;
    Qt::Alignment alignment = {}; // empty: numbers right, the rest left
    data::Field *field = nullptr; // bound when the grid's dataset opens

    QString caption() const
    {
        if (!title.isEmpty())
            return title;
        return field ? field->displayLabel : fieldName;
    }
};

// Indexes of the fields a view shows by default: the visible ones, or every field when none
// is marked visible (a packet loaded without declared fields).
inline QList<int> shownFields(const data::ClientDataSet &ds)
{
    QList<int> all, visible;
    for (int i = 0; i < ds.fieldCount(); ++i) {
        all << i;
        if (ds.field(i).visible)
            visible << i;
    }
    return visible.isEmpty() ? all : visible;
}

} // namespace vnd::widgets
