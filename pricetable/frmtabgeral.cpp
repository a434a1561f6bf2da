#include "pricetable/frmtabgeral.h"

#include "host/db/adoibquery.h"
#include "host/net/clientsession.h"
#include "host/net/netconnection.h"
#include "host/services/hostconfig.h"
#include "host/services/picture.h"
#include "host/services/ui.h"
#include "host/widgets/busyanimation.h"
#include "host/widgets/dbgrid.h"
#include "host/widgets/dbsortgrid.h"
#include "host/widgets/procura.h"
#include "pricetable/itemprice.h"
#include "pricetable/tabgeralstate.h"
#include "pricing/tabgeralmessages.h"

#include <QApplication>
#include <QLabel>
#include <QTabWidget>

namespace vnd::pricetable
{

using data::ClientDataSet;
using data::DataSetState;
using data::DataSource;
using widgets::BusyAnimation;

TfrmTabGeral::TfrmTabGeral(QWidget *parent)
    : TfrmPadrao(parent), netTabGeral(new net::TNetConnection(this)),
      cdsTabGeral(new ClientDataSet(this)), cdsVigenciaTab(new ClientDataSet(this)),
      cdsVd(new ClientDataSet(this)), cdsMaxDtFinVg(new ClientDataSet(this)),
      cdsFilTab(new ClientDataSet(this)), cdsVdFilTab(new ClientDataSet(this)),
      cdsItemPreco(new ClientDataSet(this)), cdsItemPrecoComp(new ClientDataSet(this)),
      cdsPrecoHora(new ClientDataSet(this)), cdsVdMod(new ClientDataSet(this)),
      dtsVigenciaTab(new DataSource(cdsVigenciaTab, this)),
      dtsFilTab(new DataSource(cdsFilTab, this)), dtsItemPreco(new DataSource(cdsItemPreco, this)),
      dtsItemPrecoComp(new DataSource(cdsItemPrecoComp, this)),
      dtsPrecoHora(new DataSource(cdsPrecoHora, this)), qryFilial(new db::TADOIBQuery(this)),
      adqTipoCons(new db::TADOIBQuery(this)), m_server(new contracts::RdmTabGeral(*netTabGeral))
{
    setWindowTitle(QStringLiteral("Tabela de Preços Geral"));
    lblCodTela->setText(QStringLiteral("VND42700"));
    msgPadrao.setEntries(tabGeralMessages());
    dtsFilial = new DataSource(&qryFilial->dataSet(), this);

    netTabGeral->ServerName = QStringLiteral("vnd42700.rdmTabGeral");
    netTabGeral->ThrowException = false;
    netTabGeral->BeforeConnect = [](net::TNetConnection &c) {
        c.Host = WebURL();
        c.Port = WebPort();
    };

    defineDataSets();
    buildToolButtons();
    buildSheetCommands();
    buildHistoryCommand();
    buildDataSheet();
    buildFormPage();
    buildBranchesPage();
    bindTableHooks();
    bindPeriodHooks();
    bindBranchHooks();
    bindFocusTracking();

    for (DataSource *ds :
         {dtsVigenciaTab, dtsFilTab, dtsItemPreco, dtsItemPrecoComp, dtsPrecoHora}) {
        ds->onStateChange = [this](DataSource &s) { habilita(&s); };
        connect(ds, &DataSource::stateChanged, this, [ds] {
            guarded([ds] {
                if (ds->onStateChange)
                    ds->onStateChange(*ds);
            });
        });
    }
    resize(900, 600);
    m_built = true;
}

TfrmTabGeral::~TfrmTabGeral()
{
    // The datasets die with the window's children, after this body: nothing they announce
    // on the way out may reach the window's handlers.
    m_built = false;
    disconnect(qApp, nullptr, this, nullptr);
    for (DataSource *ds : {dtsPadrao, dtsVigenciaTab, dtsFilTab, dtsItemPreco, dtsItemPrecoComp,
                           dtsPrecoHora, dtsFilial}) {
        disconnect(ds, nullptr, this, nullptr);
        ds->onStateChange = {};
        ds->onDataChange = {};
    }
}

void TfrmTabGeral::FormCreate()
{
    TfrmPadrao::FormCreate();
    BusyAnimation busy(widgets::BusyLoading, {}, this);
    netTabGeral->open();
    const QString mask = DBPict(ptProduto);
    for (ClientDataSet *ds : {cdsItemPreco, cdsItemPrecoComp})
        if (data::Field *f = ds->findField(u"CDARVPROD"))
            f->editMask = mask;
    ActiveShowAvi(this, widgets::BusyServer);
    boTabFocada = true;
    boProdFocado = true;
    boCompFocado = false;
    // A server that cannot be reached is reported, but the window still opens: Verificar
    // tries again.
    guarded([this] { getTabGeral(); });
    habilita(dtsPadrao);
}

void TfrmTabGeral::FormClose(widgets::CloseAction &action)
{
    TfrmPadrao::FormClose(action);
    if (netTabGeral->connected())
        netTabGeral->close();
    boIdCriado = false;
}

Page TfrmTabGeral::activePage() const
{
    QWidget *page = pgcPadrao->currentWidget();
    if (page == tshFormulario)
        return Page::Form;
    if (page == tshFilTab)
        return Page::Branches;
    return Page::DataSheet;
}

void TfrmTabGeral::habilita(DataSource *source)
{
    if (!source || !m_built)
        return;
    EnableInput in;
    in.state = source->state();
    ClientDataSet *ds = source->dataSet();
    in.empty = !ds || !ds->isActive() || ds->isEmpty();
    in.tabGeralEmpty = !cdsTabGeral->isActive() || cdsTabGeral->isEmpty();
    in.vigenciaEmpty = !cdsVigenciaTab->isActive() || cdsVigenciaTab->isEmpty();
    in.page = activePage();
    in.focus = {boTabFocada, boProdFocado, boPrecoHoraFocado, boCompFocado};
    in.role = net::ClientSession::instance().role().value_or(data::Role::Consulta);
    applyDecision(decideEnabling(in));
}

void TfrmTabGeral::applyDecision(const EnableDecision &d)
{
    // One QAction serves button and menu entry, so they cannot disagree.
    sbtIncluir->setEnabled(d.incluir);
    sbtAlterar->setEnabled(d.alterar);
    sbtExcluir->setEnabled(d.excluir);
    sbtProcurar->setEnabled(d.procurar);
    sbtVerificar->setEnabled(d.verificar);
    sbtConfirmar->setEnabled(d.confirmar);
    sbtCancelar->setEnabled(d.cancelar);
    sbtProdPro->setEnabled(d.sbtProdPro);
    btnCadPrecoDif->setEnabled(d.btnCadPrecoDif);
    sbtImport->setEnabled(d.sbtImport);
    auto set = [](QWidget *w, const std::optional<bool> &on) {
        if (on)
            w->setEnabled(*on);
    };
    set(dbgVigencia, d.dbgVigencia);
    set(dbgPadrao, d.dbgPadrao);
    set(dbsItemPreco, d.dbsItemPreco);
    set(dbgPrecoHora, d.dbgPrecoHora);
    dbgPadrao->setReadOnly(!d.tablesWritable);
    dbgVigencia->setReadOnly(!d.periodsWritable);
    dbsItemPreco->setReadOnly(!d.itemsWritable);
    dbgPrecoHora->setReadOnly(!d.rulesWritable);
    dbgFilTab->setReadOnly(!d.branchesWritable);
    auto page = [this](QWidget *p, const std::optional<bool> &on) {
        if (on)
            setPageEnabled(p, *on);
    };
    page(tshFolhaDados, d.tshFolhaDados);
    page(tshFormulario, d.tshFormulario);
    page(tshFilTab, d.tshFilTab);
    if (d.tshComposicao)
        enableCompositionPage(*d.tshComposicao);
    habilitaPlanilha();
    habilitaHistorico();
}

void TfrmTabGeral::dtsPadraoStateChange()
{
    habilita(dtsPadrao);
}

void TfrmTabGeral::pgcPadraoChange()
{
    switch (activePage()) {
    case Page::DataSheet:
        getTabGeral();
        break;
    case Page::Form: {
        // Both packets are large on a big catalogue: the day/hour prices come on a second
        // connection while the items arrive.
        const CurrentPeriod period = currentPeriodOf(*cdsVigenciaTab);
        lblVigencia->setText(currentPeriodCaption());
        auto hours = server().startGetPrecoHora(period.cdTabePrec, period.dtIniVgPrec);
        getItensTabGeral(QString(), QStringLiteral("T"));
        getPrecoHora(hours.get());
        boPrecoHoraFocado = false;
        boProdFocado = true;
        boCompFocado = false;
        pgcItemPreco->setCurrentWidget(tshProduto);
        dbsItemPreco->setFocus();
        if (data::Field *f = cdsItemPreco->findField(u"CDPRODUTO"))
            f->focusControl();
        // The commands follow the rows just loaded, before the user moves in the grid.
        habilita(dtsItemPreco);
        break;
    }
    case Page::Branches:
        getFilTab();
        break;
    }
}

QList<data::ClientDataSet *> TfrmTabGeral::commandTargets() const
{
    switch (activePage()) {
    case Page::DataSheet:
        return {boTabFocada ? cdsTabGeral : cdsVigenciaTab};
    case Page::Form: {
        // The item rows and the day/hour prices, each while focused, in that order.
        QList<data::ClientDataSet *> targets;
        if (boProdFocado)
            targets << cdsItemPreco;
        if (boPrecoHoraFocado)
            targets << cdsPrecoHora;
        return targets;
    }
    case Page::Branches:
        return {cdsFilTab};
    }
    return {};
}

void TfrmTabGeral::sbtIncluirClick()
{
    // Item rows only come from the server: the command leaves them alone.
    for (data::ClientDataSet *ds : commandTargets())
        if (ds != cdsItemPreco)
            ds->insert();
}

void TfrmTabGeral::sbtAlterarClick()
{
    for (data::ClientDataSet *ds : commandTargets())
        ds->edit();
}

void TfrmTabGeral::sbtExcluirClick()
{
    const auto confirmed = [](const QString &text) {
        return ShowMsg(text, mtConfirmation, mbYesNo, 0) == mrYes;
    };
    switch (activePage()) {
    case Page::DataSheet:
        if (boTabFocada) {
            if (confirmed(Msg(QStringLiteral("EXCLUIR_RELAC"))))
                cdsTabGeral->remove();
        } else if (confirmed(Msg(QStringLiteral("EXCLVIG")))) {
            cdsVigenciaTab->remove();
        }
        break;
    case Page::Form:
        if (boProdFocado) {
            apagaProduto();
        } else if (confirmed(msgMensagensPadroes.msg(QStringLiteral("Excl")))) {
            if (boPrecoHoraFocado)
                cdsPrecoHora->remove();
        }
        break;
    case Page::Branches:
        if (confirmed(msgMensagensPadroes.msg(QStringLiteral("Excl"))))
            cdsFilTab->remove();
        break;
    }
}

void TfrmTabGeral::sbtConfirmarClick()
{
    for (data::ClientDataSet *ds : commandTargets())
        ds->post();
}

void TfrmTabGeral::sbtCancelarClick()
{
    if (ShowMsg(msgMensagensPadroes.msg(QStringLiteral("Canc")), mtConfirmation, mbYesNo, 0) !=
        mrYes)
        return;
    for (data::ClientDataSet *ds : commandTargets())
        ds->cancel();
}

void TfrmTabGeral::sbtVerificarClick()
{
    switch (activePage()) {
    case Page::DataSheet:
        getTabGeral();
        if (cdsTabGeral->state() == DataSetState::Browse)
            getVigenciaTab();
        habilita(dtsPadrao);
        break;
    case Page::Form:
        if (boProdFocado)
            getItensTabGeral(QString(), QStringLiteral("T"));
        if (boPrecoHoraFocado)
            getPrecoHora();
        break;
    case Page::Branches:
        break;
    }
}

void TfrmTabGeral::sbtProcurarClick()
{
    // The branches page has no rule of its own: the form page's applies.
    if (activePage() == Page::DataSheet) {
        if (boTabFocada)
            widgets::Procura(cdsTabGeral, dbgPadrao);
        else
            widgets::Procura(cdsVigenciaTab, dbgVigencia);
        return;
    }
    if (boPrecoHoraFocado)
        widgets::Procura(cdsPrecoHora, dbgPrecoHora);
    else if (boProdFocado)
        widgets::Procura(cdsItemPreco, dbsItemPreco);
}

void TfrmTabGeral::bindFocusTracking()
{
    connect(qApp, &QApplication::focusChanged, this, &TfrmTabGeral::onFocusChanged);
}

void TfrmTabGeral::onFocusChanged(QWidget *, QWidget *now)
{
    if (!now || !isAncestorOf(now))
        return;
    guarded([&] {
        if (panDbgPadrao->isAncestorOf(now)) {
            boTabFocada = true;
        } else if (panVigencia->isAncestorOf(now)) {
            boTabFocada = false;
        } else if (panItemPreco->isAncestorOf(now)) {
            if (!boProdFocado || boPrecoHoraFocado || boCompFocado) {
                boProdFocado = true;
                boPrecoHoraFocado = false;
                boCompFocado = false;
                habilita(dtsItemPreco);
            }
        } else if (dbgPrecoHora->isAncestorOf(now) || now == dbgPrecoHora) {
            if (!boPrecoHoraFocado || boProdFocado || boCompFocado) {
                boPrecoHoraFocado = true;
                boProdFocado = false;
                boCompFocado = false;
                habilita(dtsPrecoHora);
            }
        } else if (dbgItPrecoComp->isAncestorOf(now) || now == dbgItPrecoComp) {
            if (!boCompFocado) {
                boCompFocado = true;
                boProdFocado = false;
                boPrecoHoraFocado = false;
                boTabFocada = false;
                habilita(dtsItemPrecoComp);
            }
        }
    });
}

} // namespace vnd::pricetable
