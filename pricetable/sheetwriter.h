#pragma once
// Where the sheets of an export go: a workbook with one worksheet per sheet, or one CSV file
// per sheet. Writers throw vnd::Error with the Portuguese reason when a file cannot be
// written.

#include "pricetable/pricesheet.h"

namespace vnd::pricetable
{

class SheetWriter
{
public:
    virtual ~SheetWriter() = default;
    virtual void beginSheet(const QString &name, const QList<SheetColumn> &columns) = 0;
    virtual void writeRow(const std::vector<SheetCell> &cells) = 0;
    virtual void endSheet() = 0;
    // Closes the file(s); nothing is complete before it.
    virtual void finish() = 0;
};

} // namespace vnd::pricetable
