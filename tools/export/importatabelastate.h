#pragma once
// Module-level state of the export window's unit.

#include <QPointer>

namespace vnd::exporttable
{

class TfrmImportaTabela;

// The window of the current opening; a new one every time.
extern QPointer<TfrmImportaTabela> frmImportaTabela;

// Creates a new export window and shows it modally.
void criaImportaTabela();

} // namespace vnd::exporttable
