#include "pricetable/tabgeralstate.h"

#include "host/widgets/formlifecycle.h"
#include "host/widgets/waitcursor.h"
#include "pricetable/frmtabgeral.h"

namespace vnd::pricetable
{

QPointer<TfrmTabGeral> frmTabGeral;
bool boIdCriado = false;
bool boTabFocada = true;
bool boProdFocado = true;
bool boPrecoHoraFocado = false;
bool boCompFocado = false;
QString stOldChave;
QString stChavePrecoDia;

void criaTabGeral()
{
    widgets::HourglassCursor hourglass;
    // The window may have been released behind the flag's back (its parent went away).
    if (!boIdCriado || !frmTabGeral) {
        frmTabGeral = widgets::CreateForm<TfrmTabGeral>();
        if (!frmTabGeral)
            return;
        boIdCriado = true;
    }
    frmTabGeral->Show();
}

} // namespace vnd::pricetable
