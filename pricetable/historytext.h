#pragma once
// How the history shows what the change record keeps: stored texts as the windows show
// values, and the operations by name.

#include <QString>
#include <QVariant>

namespace vnd::pricetable
{

// A stored text as the grids show it: decimal comma, dates dd/MM/yyyy, times of four digits
// as HH:MM only where the field is a time; no value as "—".
QString historyValueText(const QVariant &stored, const QString &field);

// "Inclusão", "Alteração", "Exclusão" for the record's I, A, E.
QString historyOperationText(const QString &operation);

} // namespace vnd::pricetable
