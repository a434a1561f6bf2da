#include "tools/diffprice/cadautprecostate.h"

#include "host/widgets/formlifecycle.h"
#include "host/widgets/waitcursor.h"
#include "pricetable/frmtabgeral.h"
#include "pricetable/itemprice.h"
#include "pricetable/tabgeralstate.h"
#include "pricing/diffpricemessages.h"
#include "tools/diffprice/frmcadautprecodeferenciado.h"

namespace vnd::diffprice
{

QPointer<TfrmCadAutPrecoDeferenciado> frmCadAutPrecoDeferenciado;
bool boStCriado = false;
QString stPesqProd;
QString stTipoCons;

pricetable::TfrmTabGeral &tabGeralComVigencia()
{
    pricetable::TfrmTabGeral *w = pricetable::frmTabGeral.data();
    const bool period = w && [w] {
        const pricetable::CurrentPeriod p = pricetable::currentPeriodOf(*w->cdsVigenciaTab);
        return !p.cdTabePrec.isEmpty() && p.dtIniVgPrec.isValid();
    }();
    if (!period)
        MensErro(diffPriceMessage("SEM_VIGENCIA"), true);
    return *w;
}

void criaCadAutPrecoDeferenciado()
{
    tabGeralComVigencia();
    {
        // Only while the window is made: the user works under the normal cursor.
        widgets::HourglassCursor hourglass;
        if (!boStCriado || !frmCadAutPrecoDeferenciado) {
            frmCadAutPrecoDeferenciado = widgets::CreateForm<TfrmCadAutPrecoDeferenciado>();
            boStCriado = frmCadAutPrecoDeferenciado;
        }
    }
    if (!frmCadAutPrecoDeferenciado)
        return;
    frmCadAutPrecoDeferenciado->setWindowState(Qt::WindowNoState);
    frmCadAutPrecoDeferenciado->ShowModal();
}

} // namespace vnd::diffprice
