#pragma once
// Pieces shared by the lookup dialogs.

#include "host/data/clientdataset.h"

class QBoxLayout;
class QComboBox;
class QDialog;
class QDialogButtonBox;
class QLabel;
class QLineEdit;

namespace vnd::widgets
{
class TDBGrid;
}

namespace vnd::widgets::Internal
{

// A read-only, row-selecting grid over the source.
void setUpLookupGrid(TDBGrid *grid, data::DataSource *source);
// "Pesquisar por [field] [text]", the notice of a text not found under it.
QBoxLayout *searchRow(QDialog *dialog, QComboBox *field, QLineEdit *text, QLabel *notice);
// "Confirmar" / "Cancelar" wired to accept / reject.
QDialogButtonBox *confirmButtons(QDialog *dialog);

} // namespace vnd::widgets::Internal
