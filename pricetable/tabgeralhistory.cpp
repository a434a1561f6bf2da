// The form page's "Histórico": the selected item's changes and its prices as they stood.

#include "pricetable/frmtabgeral.h"

#include "host/widgets/dialogrunner.h"
#include "host/widgets/hosticons.h"
#include "pricetable/itemhistorydialog.h"
#include "pricetable/itemprice.h"

#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

namespace vnd::pricetable
{

void TfrmTabGeral::buildHistoryCommand()
{
    sbtHistorico = new QAction(widgets::hostIcon(widgets::Glyph::Procurar),
                               QStringLiteral("&Histórico..."), this);
    sbtHistorico->setObjectName(QStringLiteral("sbtHistorico"));
    sbtHistorico->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    sbtHistorico->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    sbtHistorico->setToolTip(QStringLiteral("Histórico do item (Ctrl+H)"));
    sbtHistorico->setIconText(QStringLiteral("Histórico"));
    sbtHistorico->setEnabled(false);
    panMenu->addAction(sbtHistorico);
    mnuRegistro->addAction(sbtHistorico);
    addAction(sbtHistorico);
    connect(sbtHistorico, &QAction::triggered, this,
            [this] { guarded([this] { mostraHistorico(); }); });
}

void TfrmTabGeral::habilitaHistorico()
{
    // A row being edited has no history of its edit yet; it is saved or cancelled first.
    sbtHistorico->setEnabled(activePage() == Page::Form && cdsItemPreco->isActive() &&
                             cdsItemPreco->state() == data::DataSetState::Browse &&
                             !cdsItemPreco->isEmpty());
}

void TfrmTabGeral::mostraHistorico()
{
    const CurrentPeriod period = currentPeriodOf(*cdsVigenciaTab);
    HistoryItem item{period.cdTabePrec, period.dtIniVgPrec,
                     cdsItemPreco->fieldByName(u"CDPRODUTO").asString(),
                     cdsItemPreco->fieldByName(u"CDPRPAITABPR").asString(), QString()};
    const data::Field *name = cdsItemPreco->findField(u"NMPRODUTO");
    item.caption =
        name ? QStringLiteral("%1 %2").arg(item.product, name->asString()) : item.product;
    const auto caption = [this](const QString &field) {
        for (data::ClientDataSet *ds : {cdsItemPreco, cdsPrecoHora})
            if (const data::Field *f = ds->findField(field))
                return f->label();
        return field;
    };
    ItemHistoryDialog dialog(server(), item, caption, this);
    dialog.setObjectName(QStringLiteral("frmHistorico"));
    widgets::runDialog(dialog);
}

} // namespace vnd::pricetable
