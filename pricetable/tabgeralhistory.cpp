// The form page's "Histórico": the selected item's changes and its prices as they stood.

#include "pricetable/frmtabgeral.h"

#include "host/services/picture.h"
#include "host/widgets/dbsortgrid.h"
#include "host/widgets/dialogrunner.h"
#include "host/widgets/hosticons.h"
#include "pricetable/gridformat.h"
#include "pricetable/historytext.h"
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
    // The product and its values as the grids show them.
    const data::Field *tree = cdsItemPreco->findField(u"CDARVPROD");
    const QString code = tree && !tree->asString().isEmpty()
                             ? DBPictObj(ptProduto).format(tree->asString())
                             : item.product;
    const data::Field *name = cdsItemPreco->findField(u"NMPRODUTO");
    item.caption = name ? QStringLiteral("%1 %2").arg(code, name->asString()) : code;
    const auto fieldOf = [this](const QString &field) -> const data::Field * {
        for (data::ClientDataSet *ds : {cdsItemPreco, cdsPrecoHora})
            if (const data::Field *f = ds->findField(field))
                return f;
        return nullptr;
    };
    // As the grids title it: a column's own title before the field's label.
    const auto caption = [this, fieldOf](const QString &field) {
        for (widgets::TDBGrid *grid : {static_cast<widgets::TDBGrid *>(dbsItemPreco), dbgPrecoHora})
            for (const widgets::TColumn &column : grid->Columns())
                if (column.fieldName.compare(field, Qt::CaseInsensitive) == 0 &&
                    !column.title.trimmed().isEmpty())
                    return column.title;
        const data::Field *f = fieldOf(field);
        return f ? f->label() : field;
    };
    const auto valueText = [this, fieldOf](const QString &field, const QVariant &stored) {
        const data::Field *f = fieldOf(field);
        bool number = false;
        const double value = stored.toString().toDouble(&number);
        if (number && !stored.isNull() && isItemMoneyField(field))
            return formatDecimal2(value);
        if (f && number && !stored.isNull() && f->displayFormat == QLatin1String("#,##0.00"))
            return formatThousands2(value);
        if (!stored.isNull() && isItemFlagField(field))
            return flagText(stored.toString(), msgPadrao);
        return historyValueText(stored, field);
    };
    ItemHistoryDialog dialog(server(), item, caption, valueText, this);
    dialog.setObjectName(QStringLiteral("frmHistorico"));
    widgets::runDialog(dialog);
}

} // namespace vnd::pricetable
