#pragma once
// The file dialog of the spreadsheet commands, run through the host's dialog runner (tests
// answer it by typing a name, as a user does).

#include <QString>

class QWidget;

namespace vnd::pricetable
{

// The chosen file, "" when the user gave up. Saving adds the extension of the chosen filter
// when the name has none.
QString askSheetFile(QWidget *parent, bool save, const QString &suggested = {});

} // namespace vnd::pricetable
