// Item prices of the current period (cdsItemPreco): their record events, saving, and what
// moving to another item does to the composition page and the day/hour prices.

#include "pricetable/frmtabgeral.h"

#include "host/services/ui.h"
#include "host/widgets/busyanimation.h"
#include "pricetable/gridformat.h"
#include "pricetable/itemprice.h"

#include <QTabWidget>

namespace vnd::pricetable
{

using data::ClientDataSet;
using widgets::BusyAnimation;

void TfrmTabGeral::bindItemHooks()
{
    ClientDataSet &items = *cdsItemPreco;
    installItemPrecoTextHooks(items, msgPadrao);
    items.beforeInsert = refuseItemInsert;
    const auto defaults = [this](ClientDataSet &ds) {
        applyItemEditDefaults(ds, currentPeriodOf(*cdsVigenciaTab));
    };
    items.afterEdit = defaults;
    items.afterInsert = defaults;
    items.beforePost = [this](ClientDataSet &ds) {
        itemPrecoBeforePost(ds, msgPadrao, stCamposVazios);
    };
    items.afterPost = [this](ClientDataSet &) { setItemPreco(); };
    items.afterDelete = [this](ClientDataSet &) {
        setItemPreco();
        habilita(dtsItemPreco);
    };
    items.afterScroll = [this](ClientDataSet &) { itemPrecoAfterScroll(); };
}

void TfrmTabGeral::setItemPreco()
{
    ClientDataSet &ds = *cdsItemPreco;
    if (ds.changeCount() <= 0)
        return;
    try {
        BusyAnimation busy(widgets::BusyProcessing, {}, this);
        CheckResultServ(server().SetItemPreco(ds.delta(), stCamposVazios), true, 0);
    } catch (...) {
        // The row shows what the server still holds.
        ds.cancelUpdates();
        throw;
    }
    ds.mergeChangeLog();
}

void TfrmTabGeral::itemPrecoAfterScroll()
{
    enableCompositionPage(composicaoEnabled(*cdsItemPreco));
    if (pgcItemPreco->currentWidget() == tshComposicao)
        getItemPrecoComp();
    applyPrecoHoraFilter(*cdsPrecoHora,
                         precoHoraFilterText(currentPeriodOf(*cdsVigenciaTab), *cdsItemPreco));
    habilita(dtsItemPreco);
}

void TfrmTabGeral::enableCompositionPage(bool on)
{
    // A page control turns away from a page whose tab is disabled, and the components of
    // the next composed item would then not be loaded. The shown page stays current with
    // its contents disabled; its tab is disabled once the user leaves it.
    const int tab = pgcItemPreco->indexOf(tshComposicao);
    pgcItemPreco->setTabEnabled(tab, on || pgcItemPreco->currentIndex() == tab);
    tshComposicao->setEnabled(on); // after the tab: enabling a tab enables its page too
}

} // namespace vnd::pricetable
