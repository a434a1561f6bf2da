// The form page: item prices of the current period, their compositions and day/hour prices.

#include "pricetable/frmtabgeral.h"
#include "pricetable/tabgeralstate.h"

#include "host/services/picture.h"
#include "host/services/ui.h"
#include "host/widgets/busyanimation.h"
#include "host/widgets/dbgrid.h"
#include "host/widgets/dbsortgrid.h"
#include "host/widgets/hosticons.h"
#include "host/widgets/syscolors.h"
#include "pricetable/itemprice.h"

#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace vnd::pricetable
{

using data::ClientDataSet;
using widgets::BusyAnimation;

namespace
{

QWidget *pageWith(QWidget *content)
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(content);
    return page;
}

} // namespace

void TfrmTabGeral::buildToolButtons()
{
    panMenu->addSeparator();
    auto tool = [this](widgets::Glyph glyph, const QString &hint) {
        auto *a = new QAction(widgets::hostIcon(glyph), hint, this);
        a->setToolTip(hint);
        a->setEnabled(false);
        panMenu->addAction(a);
        return a;
    };
    // The buttons follow habilita; the module library connects them to the tools' entry points.
    sbtImport = tool(widgets::Glyph::Exportar, QStringLiteral("Exportar Tabela de Preço"));
    sbtProdPro = tool(widgets::Glyph::Promocao, QStringLiteral("Alteração Automática"));
    btnCadPrecoDif = tool(widgets::Glyph::PrecoDiferenciado,
                          QStringLiteral("Cadastro Automático de Preços Diferenciados"));
    for (QAction *a : {sbtImport, sbtProdPro, btnCadPrecoDif})
        a->setIconText(a->toolTip().section(QLatin1Char(' '), 0, 0));
    imgCompoe = widgets::hostIcon(widgets::Glyph::Modulo).pixmap(16, 16).toImage();
    imgCheck = widgets::hostIcon(widgets::Glyph::Confirmar).pixmap(16, 16).toImage();
    imgUncheck = widgets::hostIcon(widgets::Glyph::Cancelar).pixmap(16, 16).toImage();
}

void TfrmTabGeral::buildFormPage()
{
    auto *split = new QSplitter(Qt::Vertical, tshFormulario);
    auto *layout = new QVBoxLayout(tshFormulario);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(split);

    pgcItemPreco = new QTabWidget;
    panItemPreco = new QWidget;
    dbsItemPreco = new widgets::TDBSortGrid(panItemPreco);
    auto *pl = new QVBoxLayout(panItemPreco);
    pl->setContentsMargins(0, 0, 0, 0);
    pl->addWidget(dbsItemPreco);
    tshProduto = pageWith(panItemPreco);
    dbgItPrecoComp = new widgets::TDBGrid;
    tshComposicao = pageWith(dbgItPrecoComp);
    pgcItemPreco->addTab(tshProduto, QStringLiteral("Produto"));
    pgcItemPreco->addTab(tshComposicao, QStringLiteral("Composição"));

    pgcPrecoCliCon = new QTabWidget;
    dbgPrecoHora = new widgets::TDBGrid;
    tshPrecoHora = pageWith(dbgPrecoHora);
    pgcPrecoCliCon->addTab(tshPrecoHora, QStringLiteral("Preços Diferenciados"));

    connect(pgcItemPreco, &QTabWidget::currentChanged, this, [this] {
        // Turning back to the item page needs nothing: its rows stay loaded.
        if (pgcItemPreco->currentWidget() == tshComposicao)
            guarded([this] { getItemPrecoComp(); });
        else if (!tshComposicao->isEnabled())
            pgcItemPreco->setTabEnabled(pgcItemPreco->indexOf(tshComposicao), false);
    });

    split->addWidget(pgcItemPreco);
    split->addWidget(pgcPrecoCliCon);
    split->setSizes({187, 260});

    bindItemHooks();
    buildItemGrid();
    bindCompositionHooks();
    bindPrecoHoraHooks();
    buildPrecoHoraGrid();
}

void TfrmTabGeral::getItensTabGeral(const QString &product, const QString &mark)
{
    BusyAnimation busy(6, {}, this);
    const QString levels = QString::number(DBPictObj(ptProduto).GetTtNiveis());
    QString p = product, m = mark;
    const CurrentPeriod period = currentPeriodOf(*cdsVigenciaTab);
    cdsItemPreco->loadPacket(CheckResultServ(
        server().getItemPreco(period.cdTabePrec, period.dtIniVgPrec, levels, p, m), true, 0));
    habilita(dtsItemPreco);
}

void TfrmTabGeral::getPrecoHora(net::TNetConnection::Pending *pending)
{
    BusyAnimation busy(6, {}, this);
    const CurrentPeriod period = currentPeriodOf(*cdsVigenciaTab);
    cdsPrecoHora->loadPacket(CheckResultServ(
        pending ? pending->wait() : server().GetPrecoHora(period.cdTabePrec, period.dtIniVgPrec),
        true, 0));
}

void TfrmTabGeral::apagaProduto()
{
    if (ShowMsg(Msg(QStringLiteral("LIMPAR_PRECO")), mtConfirmation, mbYesNo, 0) != mrYes)
        return;
    if (!cdsItemPreco->isActive() || cdsItemPreco->isEmpty())
        return;
    BusyAnimation busy(6, {}, this);
    const QString table = cdsVigenciaTab->fieldByName(u"CDTABEPREC").asString();
    const QString start = cdsVigenciaTab->fieldByName(u"DTINIVGPREC").text();
    CheckResultServ(server().setApagaPreco(table, start,
                                           cdsItemPreco->fieldByName(u"CDPRODUTO").asString(),
                                           cdsItemPreco->fieldByName(u"CDPRPAITABPR").asString()),
                    true, 0);
    sbtVerificar->trigger();
    // The server removed the product's day/hour prices with its prices; none may stay on
    // screen to be edited (Verificar reloads them only with the day/hour grid focused).
    if (!boPrecoHoraFocado)
        getPrecoHora();
}

} // namespace vnd::pricetable
