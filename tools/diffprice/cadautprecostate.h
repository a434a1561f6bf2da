#pragma once
// Module-level state of the differentiated-price window's unit.

#include <QPointer>
#include <QString>

namespace vnd::pricetable
{
class TfrmTabGeral;
}

namespace vnd::diffprice
{

class TfrmCadAutPrecoDeferenciado;

extern QPointer<TfrmCadAutPrecoDeferenciado> frmCadAutPrecoDeferenciado;
// Set while a window exists: one at a time.
extern bool boStCriado;
// The list text of the product selection.
extern QString stPesqProd;
// The consumer type sent: "T" (all) or a two-character code; set by Vd_TipoCons.
extern QString stTipoCons;

// Opens the window modally, unless there is no price table window with a current period to
// work on: then it says so and opens nothing.
void criaCadAutPrecoDeferenciado();

// The price table window, when it has a current validity period; otherwise the message and
// the operation ends.
pricetable::TfrmTabGeral &tabGeralComVigencia();

} // namespace vnd::diffprice
