// The components of the current composed item (cdsItemPrecoComp), shown read-only on the
// page "Composição".

#include "pricetable/frmtabgeral.h"

#include "host/services/picture.h"
#include "host/services/ui.h"
#include "host/widgets/busyanimation.h"
#include "host/widgets/dbgrid.h"
#include "host/widgets/syscolors.h"
#include "pricetable/compositionfields.h"
#include "pricetable/itemprice.h"
#include "pricetable/tabgeralstate.h"

namespace vnd::pricetable
{

void TfrmTabGeral::bindCompositionHooks()
{
    installItemPrecoCompReadOnly(*cdsItemPrecoComp);
    // The stored code holds digits only; the picture puts the level separators back.
    cdsItemPrecoComp->fieldByName(u"CDARVPROD").onGetText = [](const data::Field &f, bool display) {
        const QString code = f.asString();
        return display && !code.isEmpty() ? DBPictObj(ptProduto).format(code) : code;
    };

    widgets::TDBGrid &grid = *dbgItPrecoComp;
    grid.setDataSource(dtsItemPrecoComp);
    grid.setFrameShape(QFrame::NoFrame);
    grid.setColor(widgets::sysColor(widgets::clInfoBk));
    // Editing stays on: the dataset itself refuses every change, silently.
    grid.setOptions(widgets::dgEditing | widgets::dgTitles | widgets::dgIndicator |
                    widgets::dgColumnResize | widgets::dgColLines | widgets::dgRowLines |
                    widgets::dgTabs | widgets::dgAlwaysShowSelection | widgets::dgConfirmDelete);
    grid.allowAppend = false;
    grid.addColumn(QStringLiteral("CDARVPROD"), QStringLiteral("Produto"), 93).readOnly = true;
    grid.addColumn(QStringLiteral("NMPRODUTO"), QStringLiteral("Nome"), 273).readOnly = true;
    grid.addColumn(QStringLiteral("QUANTIDADE"), QStringLiteral("Quantidade"));
    grid.addColumn(QStringLiteral("VRPRECITEM"), QStringLiteral("Preço"), 100);
    grid.addColumn(QStringLiteral("VRPRECITEMCL"), QStringLiteral("Preço Subs."), 100);
    grid.columnsChanged();
    grid.onKeyDown = [this](int &key, Qt::KeyboardModifiers m) { dbgPadraoKeyDown(key, m); };
    grid.onEnter = [this] {
        boTabFocada = false;
        boProdFocado = false;
        boCompFocado = true;
        habilita(dtsItemPrecoComp);
    };
}

void TfrmTabGeral::getItemPrecoComp()
{
    widgets::BusyAnimation busy(widgets::BusyServer, {}, this);
    const CurrentPeriod period = currentPeriodOf(*cdsVigenciaTab);
    const QString product = cdsItemPreco->isActive() && !cdsItemPreco->isEmpty()
                                ? cdsItemPreco->fieldByName(u"CDPRODUTO").asString()
                                : QString();
    cdsItemPrecoComp->loadPacket(CheckResultServ(
        server().getItemPrecoComp(period.cdTabePrec, product, period.dtIniVgPrec), true, 0));
}

} // namespace vnd::pricetable
