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
#include "pricetable/periodrules.h"

#include <QLabel>
#include <QMenu>
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
    mnuRegistro->addSeparator();
    // Each tool is a button and, for the keyboard, an entry of the window's menu (Alt+R).
    auto tool = [this](widgets::Glyph glyph, const QString &caption) {
        auto *a = new QAction(widgets::hostIcon(glyph), caption, this);
        QString hint = caption;
        hint.remove(u'&');
        a->setToolTip(hint);
        a->setIconText(hint.section(QLatin1Char(' '), 0, 0));
        a->setEnabled(false);
        panMenu->addAction(a);
        mnuRegistro->addAction(a);
        return a;
    };
    // The buttons follow habilita; the module library connects them to the tools' entry points.
    sbtImport = tool(widgets::Glyph::Exportar, QStringLiteral("Expor&tar Tabela de Preço"));
    sbtProdPro = tool(widgets::Glyph::Promocao, QStringLiteral("Alteração Auto&mática"));
    btnCadPrecoDif = tool(widgets::Glyph::PrecoDiferenciado,
                          QStringLiteral("Cadastro Automático de Preços &Diferenciados"));
    imgCompoe = widgets::hostIcon(widgets::Glyph::Modulo).pixmap(16, 16).toImage();
    imgCheck = widgets::hostIcon(widgets::Glyph::Confirmar).pixmap(16, 16).toImage();
    imgUncheck = widgets::hostIcon(widgets::Glyph::Cancelar).pixmap(16, 16).toImage();
}

void TfrmTabGeral::buildFormPage()
{
    lblVigencia = new QLabel(tshFormulario);
    lblVigencia->setObjectName(QStringLiteral("lblVigencia"));
    QFont bold = lblVigencia->font();
    bold.setBold(true);
    lblVigencia->setFont(bold);
    auto *split = new QSplitter(Qt::Vertical, tshFormulario);
    splItemPreco = split;
    auto *layout = new QVBoxLayout(tshFormulario);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(lblVigencia);
    layout->addWidget(split, 1);

    pgcItemPreco = new QTabWidget;
    pgcItemPreco->setObjectName(QStringLiteral("pgcItemPreco"));
    panItemPreco = new QWidget;
    dbsItemPreco = new widgets::TDBSortGrid(panItemPreco);
    dbsItemPreco->setObjectName(QStringLiteral("dbsItemPreco"));
    auto *pl = new QVBoxLayout(panItemPreco);
    pl->setContentsMargins(0, 0, 0, 0);
    pl->addWidget(dbsItemPreco);
    tshProduto = pageWith(panItemPreco);
    dbgItPrecoComp = new widgets::TDBGrid;
    dbgItPrecoComp->setObjectName(QStringLiteral("dbgItPrecoComp"));
    tshComposicao = pageWith(dbgItPrecoComp);
    pgcItemPreco->addTab(tshProduto, QStringLiteral("Produ&to"));
    pgcItemPreco->addTab(tshComposicao, QStringLiteral("Co&mposição"));

    pgcPrecoCliCon = new QTabWidget;
    pgcPrecoCliCon->setObjectName(QStringLiteral("pgcPrecoCliCon"));
    dbgPrecoHora = new widgets::TDBGrid;
    dbgPrecoHora->setObjectName(QStringLiteral("dbgPrecoHora"));
    tshPrecoHora = pageWith(dbgPrecoHora);
    pgcPrecoCliCon->addTab(tshPrecoHora, QStringLiteral("Preços Diferen&ciados"));

    connect(pgcItemPreco, &QTabWidget::currentChanged, this, [this] {
        // Turning back to the item page needs nothing: its rows stay loaded.
        if (pgcItemPreco->currentWidget() == tshComposicao)
            guarded([this] { getItemPrecoComp(); });
        else if (!tshComposicao->isEnabled())
            pgcItemPreco->setTabEnabled(pgcItemPreco->indexOf(tshComposicao), false);
    });

    // The item grid takes most of what the page is given, the day/hour grid the rest; the
    // user moves the split between them.
    split->addWidget(pgcItemPreco);
    split->addWidget(pgcPrecoCliCon);
    split->setChildrenCollapsible(false);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    split->setSizes({300, 200});

    bindItemHooks();
    buildItemGrid();
    bindCompositionHooks();
    bindPrecoHoraHooks();
    buildPrecoHoraGrid();
}

QString TfrmTabGeral::currentPeriodCaption() const
{
    const CurrentPeriod period = currentPeriodOf(*cdsVigenciaTab);
    // The periods are those of the current table: its name goes with them.
    const bool named = cdsTabGeral->isActive() && !cdsTabGeral->isEmpty() &&
                       cdsTabGeral->fieldByName(u"CDTABEPREC").asString() == period.cdTabePrec;
    return periodCaption(period.cdTabePrec,
                         named ? cdsTabGeral->fieldByName(u"NMTABEPREC").asString() : QString(),
                         period.dtIniVgPrec, period.dtFinVgPrec);
}

void TfrmTabGeral::getItensTabGeral(const QString &product, const QString &mark)
{
    BusyAnimation busy(widgets::BusyServer, {}, this);
    const QString levels = QString::number(DBPictObj(ptProduto).GetTtNiveis());
    QString p = product, m = mark;
    const CurrentPeriod period = currentPeriodOf(*cdsVigenciaTab);
    cdsItemPreco->loadPacket(CheckResultServ(
        server().getItemPreco(period.cdTabePrec, period.dtIniVgPrec, levels, p, m), true, 0));
    habilita(dtsItemPreco);
}

void TfrmTabGeral::getPrecoHora(net::TNetConnection::Pending *pending)
{
    BusyAnimation busy(widgets::BusyServer, {}, this);
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
    BusyAnimation busy(widgets::BusyServer, {}, this);
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
