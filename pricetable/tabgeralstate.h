#pragma once
// Module-level state of the price table window's unit: it lives as long as the module is
// loaded, across windows.

#include <QPointer>
#include <QString>

namespace vnd::pricetable
{

class TfrmTabGeral;

extern QPointer<TfrmTabGeral> frmTabGeral;
extern bool boIdCriado;
extern bool boTabFocada;
extern bool boProdFocado;
extern bool boPrecoHoraFocado;
extern bool boCompFocado;
extern QString stOldChave;
extern QString stChavePrecoDia;

// Opens the window, or brings the open one forward in normal window state.
void criaTabGeral();

} // namespace vnd::pricetable
