#pragma once
// Pieces shared by the lookup dialogs.

#include "host/data/clientdataset.h"

class QBoxLayout;
class QComboBox;
class QDialog;
class QDialogButtonBox;
class QLineEdit;

namespace vnd::widgets
{
class TDBGrid;
}

namespace vnd::widgets::Internal
{

// A read-only, row-selecting grid over the source.
void setUpLookupGrid(TDBGrid *grid, data::DataSource *source);
// "Pesquisar por [field] [text]".
QBoxLayout *searchRow(QDialog *dialog, QComboBox *field, QLineEdit *text);
// The grid's columns as choices (data: column index).
void fillFieldChoice(QComboBox *field, TDBGrid *grid);
// "Confirmar" / "Cancelar" wired to accept / reject.
QDialogButtonBox *confirmButtons(QDialog *dialog);

} // namespace vnd::widgets::Internal
