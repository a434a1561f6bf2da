#pragma once
// What the promotion window sends for its inputs, apart from the widgets.

#include "tools/selection/productselection.h"

#include <QString>

namespace vnd::promotion
{

// The selection as the server calls take it; empty texts where the mode has no use for them.
struct SelectionValues {
    QString all;   // "T" for all products
    QString list;  // the list text
    QString start; // range
    QString end;
};

SelectionValues selectionValues(selection::Mode mode, const QString &list, const QString &start,
                                const QString &end);

// The range's order test: plain character strings, whatever the codes mean as numbers.
bool startAfterEnd(const QString &start, const QString &end);

// "S" puts the products on promotion (item 0), "N" takes them off.
QString promotionFlag(int index);

} // namespace vnd::promotion
