#pragma once
// The field of a grid's selected column, as the window's key and exit handlers name it.

#include "host/widgets/dbgrid.h"

namespace vnd::pricetable
{

// "" when no column is selected.
inline QString selectedFieldName(const widgets::TDBGrid &grid)
{
    const data::Field *f = grid.SelectedField();
    return f ? f->fieldName() : QString();
}

} // namespace vnd::pricetable
