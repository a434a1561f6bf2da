#pragma once
// Rules of the day/hour price grid (dbgPrecoHora) that need no widget: which columns take
// input in which state, what leaving a column does, and what a cell shows.

#include "host/data/clientdataset.h"
#include "pricetable/dayhourvalidation.h"

#include <QColor>
#include <QDate>
#include <QStringList>

namespace vnd
{
class MessageTable;
}

namespace vnd::pricetable
{

// The identity columns of a saved rule cannot change: day, times and consumer type.
QStringList precoHoraKeyFields();

struct KeyColumnLock {
    bool readOnly = true;      // the columns of precoHoraKeyFields()
    bool lookupButton = false; // ellipsis on the consumer type column
};
// Unlocked only while a rule is being inserted.
KeyColumnLock keyColumnLock(data::DataSetState state);

// Editing is off in the three modality check-box columns, which toggle by click or space.
bool precoHoraColumnEditable(const QString &fieldName);

// dbgPrecoHoraColExit, only in edit or insert: the validity start's light check when leaving
// DTINIVALPREC, the consumer type check when leaving CDTIPOCONSPD, then the price calculation
// with the column left as the selected one. A failed check skips the calculation.
void precoHoraColExit(data::ClientDataSet &cdsPrecoHora, const QString &leftField,
                      const PrecoHoraContext &context);

// The consumer type cell: "Todos" for "T", the type's name otherwise, the code itself while
// the in-place editor is open on it (selected, not focused); "" without a code.
QString tipoConsCellText(const QString &code, const QString &name, bool editorShowsCode,
                         const MessageTable &messages);

enum class CheckImage { None, Check, Uncheck };
// The image of a modality cell: ticked for "S...", empty box for "N...", nothing otherwise
// or while the dataset has no records.
CheckImage modalidadeImage(const QString &flag, bool hasRecords);

// Black while today lies within the rule's validity, red otherwise; a missing date counts
// as the earliest date, so a rule without validity dates is red.
QColor precoHoraFontColour(const QDate &dtIniValPrec, const QDate &dtFinValPrec,
                           const QDate &today);

} // namespace vnd::pricetable
