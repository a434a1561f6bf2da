#include "tools/promotion/frmcadautpromocao.h"

#include "contracts/rdmtabgeral.h"
#include "host/services/codes.h"
#include "host/services/picture.h"
#include "host/services/ui.h"
#include "host/widgets/busyanimation.h"
#include "host/widgets/maskedit.h"
#include "host/widgets/tedit.h"
#include "pricetable/frmtabgeral.h"
#include "pricetable/tabgeralstate.h"
#include "tools/preview/frmprevia.h"
#include "tools/promotion/cadautpromocaostate.h"
#include "tools/promotion/messages.h"
#include "tools/selection/chosenproducts.h"
#include "tools/selection/productselection.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vnd::promotion
{

using data::FieldType;
using selection::Mode;
using widgets::BusyAnimation;

TfrmCadAutPromocao::TfrmCadAutPromocao(QWidget *parent)
    : TfrmRotiGeral(parent), cdsAutItemPreco(new data::ClientDataSet(this)),
      cdsAux(new data::ClientDataSet(this)), cdsProdValid(new data::ClientDataSet(this)),
      cdsProduto(new data::ClientDataSet(this)),
      dtsAutItemPreco(new data::DataSource(cdsAutItemPreco, this)),
      dtsProduto(new data::DataSource(cdsAux, this))
{
    setObjectName(QStringLiteral("frmCadAutPromocao"));
    setWindowTitle(QStringLiteral("Alteração Automática"));
    lblCodTela->setText(QStringLiteral("VND42706"));
    sbtPrevia->show();
    msgPadrao.setEntries(cadAutPromocaoMessages());
    defineDataSets();
    buildControls();
}

void TfrmCadAutPromocao::defineDataSets()
{
    auto products = [](data::ClientDataSet &ds) {
        ds.addField(QStringLiteral("CDPRODUTO"), FieldType::String, 10).visible = false;
        ds.addField(QStringLiteral("CDARVPROD"), FieldType::String, 20).displayLabel =
            QStringLiteral("Código");
        ds.addField(QStringLiteral("NMPRODUTO"), FieldType::String, 50).displayLabel =
            QStringLiteral("Nome");
    };
    data::Field &mark =
        cdsAutItemPreco->addField(QStringLiteral("IDMARCADO"), FieldType::FixedString, 1);
    mark.readOnly = true;
    products(*cdsAutItemPreco);
    products(*cdsAux);
    cdsProdValid->addField(QStringLiteral("CDPRODUTO"), FieldType::String, 10);
    cdsProdValid->addField(QStringLiteral("CDARVPROD"), FieldType::String, 20);
    cdsProdValid->addField(QStringLiteral("NMPRODUTO"), FieldType::String, 50);
    // cdsProduto gets its fields the first time a confirmation fills it.
}

void TfrmCadAutPromocao::buildControls()
{
    selection::SelectionProfile profile;
    profile.pickerTitle = Msg(QStringLiteral("Produto"));
    profile.offeredProducts = [this] { return produtosDaVigencia(); };
    profile.emptyListMessage = Msg(QStringLiteral("Lista_Vazia"));
    profile.focusListOnEmpty = true;
    profile.startMissingMessage = Msg(QStringLiteral("ProdIni_inf"));
    profile.endMissingMessage = Msg(QStringLiteral("ProdFim_inf"));
    profile.notRegisteredMessage = Msg(QStringLiteral("Prod_N_Cad"));
    profile.rangeProducts = [this] { return produtosDoIntervalo(); };
    profile.productName = [this](const QString &code) { return nomeDoProduto(code); };
    grbProd = new selection::ProductSelection(std::move(profile), stListaProd, grbDadosRel);
    grbProd->setObjectName(QStringLiteral("grbProd"));

    rdgPromocao = buildPromocao();
    QWidget *prefixo = buildPrefixo();
    auto *layout = new QVBoxLayout(grbDadosRel);
    layout->addWidget(rdgPromocao);
    layout->addWidget(grbProd);
    layout->addWidget(prefixo);
    layout->addStretch(1);

    rdgPromocaoItens->button(0)->setFocus();
    resize(520, 430);
}

QGroupBox *TfrmCadAutPromocao::buildPromocao()
{
    auto *box = new QGroupBox(QStringLiteral("Promoção"), grbDadosRel);
    box->setObjectName(QStringLiteral("rdgPromocao"));
    rdgPromocaoItens = new QButtonGroup(box);
    auto *layout = new QVBoxLayout(box);
    const QString items[] = {QStringLiteral("Colocar os produtos selecionados na promoção."),
                             QStringLiteral("Retirar os produtos selecionados da promoção.")};
    for (int i = 0; i < 2; ++i) {
        auto *item = new QRadioButton(items[i], box);
        rdgPromocaoItens->addButton(item, i);
        layout->addWidget(item);
    }
    rdgPromocaoItens->button(0)->setChecked(true);
    return box;
}

QWidget *TfrmCadAutPromocao::buildPrefixo()
{
    auto *panel = new QWidget(grbDadosRel);
    chbPrefixo = new QCheckBox(QStringLiteral("Adicionar ou Limpar prefixo."), panel);
    chbPrefixo->setObjectName(QStringLiteral("chbPrefixo"));
    rbtAddPrefixo = new QRadioButton(
        QStringLiteral("Adicionar o prefixo ao nome dos produtos promocionais."), panel);
    rbtAddPrefixo->setObjectName(QStringLiteral("rbtAddPrefixo"));
    rbtDelPrefixo = new QRadioButton(
        QStringLiteral("Limpar o prefixo do nome dos produtos promocionais."), panel);
    rbtDelPrefixo->setObjectName(QStringLiteral("rbtDelPrefixo"));
    auto *choice = new QButtonGroup(panel);
    choice->addButton(rbtAddPrefixo);
    choice->addButton(rbtDelPrefixo);
    rbtAddPrefixo->setChecked(true);
    edtPrefixo = new widgets::TEdit(panel);
    edtPrefixo->setObjectName(QStringLiteral("edtPrefixo"));
    lblPrefixo = new QLabel(QStringLiteral("Prefixo"), panel);
    lblPrefixo->setObjectName(QStringLiteral("lblPrefixo"));
    lblPrefixo->setBuddy(edtPrefixo);

    auto *grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(chbPrefixo, 0, 0, 1, 2);
    grid->addWidget(rbtAddPrefixo, 1, 0, 1, 2);
    grid->addWidget(rbtDelPrefixo, 2, 0, 1, 2);
    grid->addWidget(lblPrefixo, 3, 0);
    grid->addWidget(edtPrefixo, 3, 1);
    grid->setColumnStretch(1, 1);
    connect(chbPrefixo, &QCheckBox::toggled, this, [this] { chbPrefixoClick(); });
    return panel;
}

void TfrmCadAutPromocao::FormCreate()
{
    TfrmRotiGeral::FormCreate();
    chbPrefixoClick();
    // Nothing to work on: the window does not open.
    periodo();
    setWindowTitle(windowTitle() + QStringLiteral(" – ") + tabGeral().currentPeriodCaption());
}

void TfrmCadAutPromocao::FormActivate()
{
    TfrmRotiGeral::FormActivate();
    grbProd->activate();
    selection::applyProductPicture(cdsAutItemPreco->fieldByName(u"CDARVPROD"));
    selection::applyProductPicture(cdsAux->fieldByName(u"CDARVPROD"));
}

void TfrmCadAutPromocao::FormClose(widgets::CloseAction &action)
{
    TfrmRotiGeral::FormClose(action);
    boStCriado = false;
}

void TfrmCadAutPromocao::chbPrefixoClick()
{
    const bool on = chbPrefixo->isChecked();
    for (QWidget *w :
         std::initializer_list<QWidget *>{rbtAddPrefixo, rbtDelPrefixo, lblPrefixo, edtPrefixo})
        w->setEnabled(on);
}

pricetable::CurrentPeriod TfrmCadAutPromocao::periodo() const
{
    pricetable::TfrmTabGeral *w = pricetable::frmTabGeral.data();
    pricetable::CurrentPeriod p;
    // A period still being typed is not one the server knows.
    if (w && w->cdsVigenciaTab->state() == data::DataSetState::Browse)
        p = pricetable::currentPeriodOf(*w->cdsVigenciaTab);
    if (p.cdTabePrec.isEmpty() || !p.dtIniVgPrec.isValid())
        MensErro(QStringLiteral("Abra a Tabela de Preços Geral e escolha uma vigência antes de "
                                "usar esta ferramenta."),
                 true);
    return p;
}

pricetable::TfrmTabGeral &TfrmCadAutPromocao::tabGeral() const
{
    periodo();
    return *pricetable::frmTabGeral;
}

contracts::RdmTabGeral &TfrmCadAutPromocao::server() const
{
    return tabGeral().server();
}

data::DataSource *TfrmCadAutPromocao::produtosDaVigencia()
{
    if (!cdsAutItemPreco->isActive()) {
        const pricetable::CurrentPeriod p = periodo();
        BusyAnimation busy(widgets::BusyServer, {}, this);
        cdsAutItemPreco->loadPacket(
            CheckResultServ(server().GetAutItemPreco(p.cdTabePrec, p.dtIniVgPrec), true, 0));
    }
    return dtsAutItemPreco;
}

data::DataSource *TfrmCadAutPromocao::produtosDoIntervalo()
{
    const pricetable::CurrentPeriod p = periodo();
    BusyAnimation busy(widgets::BusyServer, {}, this);
    cdsAux->loadPacket(
        CheckResultServ(server().GetAutItemPreco(p.cdTabePrec, p.dtIniVgPrec), true, 0));
    return dtsProduto;
}

std::optional<QString> TfrmCadAutPromocao::nomeDoProduto(const QString &code)
{
    QString copy = code;
    ValidEx(copy, ptProduto, true);
    const pricetable::CurrentPeriod p = periodo();
    {
        BusyAnimation busy(widgets::BusyServer, {}, this);
        cdsProdValid->loadPacket(
            CheckResultServ(server().GetProdValid(p.cdTabePrec, p.dtIniVgPrec, code), true, 0));
    }
    if (cdsProdValid->isEmpty())
        return std::nullopt;
    return cdsProdValid->fieldByName(u"NMPRODUTO").asString();
}

void TfrmCadAutPromocao::refuse(QWidget *field, const char *key)
{
    field->setFocus();
    MensErro(Msg(QString::fromLatin1(key)), true);
}

SelectionValues TfrmCadAutPromocao::valoresDaSelecao()
{
    const SelectionValues v = selectionValues(
        grbProd->mode(), stListaProd, grbProd->medProdIni->Text(), grbProd->medProdFim->Text());
    if (grbProd->mode() == Mode::Intervalo && startAfterEnd(v.start, v.end))
        refuse(grbProd->medProdIni, "ProdIniDev");
    return v;
}

data::Reply TfrmCadAutPromocao::prefixCall()
{
    if (edtPrefixo->text().isEmpty())
        refuse(edtPrefixo, "Prefixo_Inf");
    SelectionValues v = valoresDaSelecao();
    QString prefix = edtPrefixo->text();
    contracts::RdmTabGeral &rdm = server();
    BusyAnimation busy(widgets::BusyServer, {}, this);
    return rbtAddPrefixo->isChecked() ? rdm.SetAddPrefixo(prefix, v.start, v.end, v.list, v.all)
                                      : rdm.SetDelPrefixo(prefix, v.start, v.end, v.list, v.all);
}

data::Reply TfrmCadAutPromocao::flagCall(SelectionValues v, const data::Value &products)
{
    QString flag = promotionFlag(rdgPromocaoItens->checkedId());
    const pricetable::CurrentPeriod p = periodo();
    contracts::RdmTabGeral &rdm = server();
    BusyAnimation busy(widgets::BusyServer, {}, this);
    return rdm.SetUpdItemPrecoAlt(flag, v.start, v.end, v.list, v.all, products,
                                  grbProd->mode() == Mode::Lista, p.cdTabePrec, p.dtIniVgPrec);
}

data::Value TfrmCadAutPromocao::produtosEscolhidos()
{
    if (cdsProduto->fieldCount() == 0)
        return {};
    data::DataPacket p = cdsProduto->toPacket();
    // Rows of an earlier failed attempt stay behind in the dataset; they are not this one's.
    if (grbProd->mode() != Mode::Lista)
        p.rows.clear();
    return p;
}

void TfrmCadAutPromocao::checkInputs()
{
    switch (grbProd->mode()) {
    case Mode::Lista:
        grbProd->checkList();
        break;
    case Mode::Intervalo:
        grbProd->checkStart(true);
        grbProd->checkEnd(true);
        break;
    case Mode::Todos:
        break;
    }
}

void TfrmCadAutPromocao::apply()
{
    if (chbPrefixo->isChecked())
        CheckResultServ(prefixCall(), true, 0);

    const SelectionValues v = valoresDaSelecao();
    if (grbProd->mode() == Mode::Lista && !EmptyString(stListaProd))
        grbProd->takeListInto(*cdsProduto);
    CheckResultServ(flagCall(v, produtosEscolhidos()), true, 0);
    ShowInfo(Msg(QStringLiteral("AlteracaoOk")));
    QPointer<pricetable::TfrmTabGeral> window = &tabGeral();
    close();
    if (window)
        window->getItensTabGeral(QString(), QStringLiteral("T"));
}

void TfrmCadAutPromocao::sbtConfirmaClick()
{
    checkInputs();
    if (ShowMsg(Msg(QStringLiteral("Confimar")), mtConfirmation, mbYesNo, 0) != mrYes)
        return;
    apply();
}

void TfrmCadAutPromocao::sbtPreviaClick()
{
    checkInputs();
    contracts::RdmTabGeral &rdm = server();
    QList<widgets::PreviewPart> parts;
    if (chbPrefixo->isChecked()) {
        const QString title = rbtAddPrefixo->isChecked()
                                  ? QStringLiteral("Adicionar o prefixo \"%1\" ao nome")
                                  : QStringLiteral("Limpar o prefixo \"%1\" do nome");
        parts.append(
            {title.arg(edtPrefixo->text()), rdm.previewOf([this] { return prefixCall(); })});
        CheckResultServ(parts.back().reply, true, 0);
    }
    // The picked list stays the window's: only the real change uses it up.
    const SelectionValues v = valoresDaSelecao();
    data::ClientDataSet chosen;
    data::Value products = produtosEscolhidos();
    if (grbProd->mode() == Mode::Lista) {
        selection::listToDataSet(stListaProd, chosen);
        products = chosen.toPacket();
    }
    parts.append({rdgPromocaoItens->checkedButton()->text(),
                  rdm.previewOf([&] { return flagCall(v, products); })});
    if (widgets::previaConfirmada(this, parts))
        apply();
}

} // namespace vnd::promotion
