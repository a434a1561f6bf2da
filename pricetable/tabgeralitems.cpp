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
        BusyAnimation busy(1, {}, this);
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
    // Disabling the shown page makes the page control turn to another one, so whether the
    // components are due is decided first.
    const bool compositionShown = pgcItemPreco->currentWidget() == tshComposicao;
    const bool composed = composicaoEnabled(*cdsItemPreco);
    pgcItemPreco->setTabEnabled(pgcItemPreco->indexOf(tshComposicao), composed);
    tshComposicao->setEnabled(composed);
    if (compositionShown)
        getItemPrecoComp();
    applyPrecoHoraFilter(*cdsPrecoHora,
                         precoHoraFilterText(currentPeriodOf(*cdsVigenciaTab), *cdsItemPreco));
    habilita(dtsItemPreco);
}

} // namespace vnd::pricetable
