#include "tools/diffprice/frmcadautprecodeferenciado.h"

#include "host/db/adoibquery.h"
#include "host/widgets/btnpesquisa.h"
#include "host/widgets/dateeditplus.h"
#include "host/widgets/dbtext.h"
#include "host/widgets/lookupkey.h"
#include "host/widgets/maskedit.h"
#include "host/widgets/numberedit.h"
#include "host/widgets/radiogroup.h"
#include "pricetable/frmtabgeral.h"
#include "pricetable/tabgeralstate.h"
#include "pricing/diffpricemessages.h"
#include "tools/diffprice/cadautprecostate.h"
#include "tools/selection/chosenproducts.h"
#include "tools/selection/productselection.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vnd::diffprice
{

using data::FieldType;
using widgets::TDBText;

namespace
{

const QString kTimeMask = QStringLiteral("!99:99;1; ");

QLabel *labelFor(const QString &text, QWidget *buddy)
{
    auto *l = new QLabel(text, buddy->parentWidget());
    l->setBuddy(buddy);
    return l;
}

} // namespace

TfrmCadAutPrecoDeferenciado::TfrmCadAutPrecoDeferenciado(QWidget *parent)
    : TfrmRotiGeral(parent), cdsProdAux(new data::ClientDataSet(this)),
      qryProduto(new db::TADOIBQuery(this)), qryVdProduto(new db::TADOIBQuery(this)),
      qryTipoCons(new db::TADOIBQuery(this))
{
    setObjectName(QStringLiteral("frmCadAutPrecoDeferenciado"));
    setWindowTitle(QStringLiteral("Cadastro Automático de Preços Diferenciados"));
    lblCodTela->setText(QStringLiteral("VND42707"));
    sbtPrevia->show();
    msgPadrao.setEntries(cadAutPrecoDeferenciadoMessages());
    dtsProduto = new data::DataSource(&qryProduto->dataSet(), this);
    dtsTipoCons = new data::DataSource(&qryTipoCons->dataSet(), this);
    selection::defineChosenProducts(*cdsProdAux);
    defineQueries();
    buildControls();
}

TfrmCadAutPrecoDeferenciado::~TfrmCadAutPrecoDeferenciado() = default;

void TfrmCadAutPrecoDeferenciado::defineQueries()
{
    data::ClientDataSet &products = qryProduto->dataSet();
    products.addField(QStringLiteral("CDPRODUTO"), FieldType::String, 10).visible = false;
    products.addField(QStringLiteral("CDARVPROD"), FieldType::String, 20).displayLabel =
        QStringLiteral("Código");
    products.addField(QStringLiteral("NMPRODUTO"), FieldType::String, 40).displayLabel =
        QStringLiteral("Nome");
    qryProduto->SQL = {QStringLiteral("SELECT P.CDARVPROD, P.CDPRODUTO, P.NMPRODUTO"),
                       QStringLiteral("FROM PRODUTO P"),
                       QStringLiteral("WHERE CDNVPRODUTO = (SELECT MAX(CDNVPRODUTO) FROM "
                                      "PRODUTO)"),
                       QStringLiteral("ORDER BY CDARVPROD")};

    qryVdProduto->dataSet().addField(QStringLiteral("NMPRODUTO"), FieldType::String, 50);
    qryVdProduto->SQL = {QStringLiteral("SELECT NMPRODUTO"), QStringLiteral("FROM PRODUTO"),
                         QStringLiteral("WHERE CDARVPROD = :P_CDARVPROD")};

    data::ClientDataSet &types = qryTipoCons->dataSet();
    types.addField(QStringLiteral("CDTIPOCONS"), FieldType::String, 2).displayLabel =
        QStringLiteral("Código");
    types.addField(QStringLiteral("NMTIPOCONS"), FieldType::String, 20).displayLabel =
        QStringLiteral("Nome");
    qryTipoCons->SQL = {
        QStringLiteral("SELECT CDTIPOCONS, NMTIPOCONS"), QStringLiteral("FROM TIPOCONS"),
        QStringLiteral("WHERE"),
        QStringLiteral("((CDTIPOCONS = :P_CDTIPOCONS) OR  (:P_TCDTIPOCONS =  'T'))"),
        QStringLiteral("ORDER BY CDTIPOCONS")};
}

QWidget *TfrmCadAutPrecoDeferenciado::buildHeader()
{
    panTabela = new QWidget(grbDadosRel);
    panTabela->setObjectName(QStringLiteral("panTabela"));
    pricetable::TfrmTabGeral *tabGeral = pricetable::frmTabGeral.data();
    auto field = [this, tabGeral](const char *name, const char *fieldName, bool ofTables) {
        auto *t = new TDBText(panTabela);
        t->setObjectName(QString::fromLatin1(name));
        if (tabGeral) {
            t->setDataSource(ofTables ? tabGeral->dtsPadrao : tabGeral->dtsVigenciaTab);
            t->setDataField(QString::fromLatin1(fieldName));
        }
        QFont f = t->font();
        f.setBold(true);
        t->setFont(f);
        return t;
    };
    dbtCdTabe = field("dbtCdTabe", "CDTABEPREC", false);
    dbtNmTabe = field("dbtNmTabe", "NMTABEPREC", true);
    dbtIniVigencia = field("dbtIniVigencia", "DTINIVGPREC", false);
    dbtFinVigencia = field("dbtFinVigencia", "DTFINVGPREC", false);
    auto *grid = new QGridLayout(panTabela);
    grid->setContentsMargins(0, 0, 0, 0);
    auto row = [this, grid](int r, const QString &caption, QWidget *a, const QString &sep,
                            QWidget *b) {
        grid->addWidget(new QLabel(caption, panTabela), r, 0);
        grid->addWidget(a, r, 1);
        grid->addWidget(new QLabel(sep, panTabela), r, 2);
        grid->addWidget(b, r, 3);
    };
    row(0, QStringLiteral("Tabela   : "), dbtCdTabe, QStringLiteral("-"), dbtNmTabe);
    row(1, QStringLiteral("Vigência : "), dbtIniVigencia, QStringLiteral("a"), dbtFinVigencia);
    grid->setColumnStretch(4, 1);
    return panTabela;
}

QWidget *TfrmCadAutPrecoDeferenciado::buildConsumerType()
{
    auto *group = new QGroupBox(QStringLiteral("Tipo de Consumidor"), grbDadosRel);
    edtCdTipoConsumidor = new widgets::TEdit(group);
    edtCdTipoConsumidor->setObjectName(QStringLiteral("edtCdTipoConsumidor"));
    edtCdTipoConsumidor->setMaxLength(2);
    edtCdTipoConsumidor->setFixedWidth(
        edtCdTipoConsumidor->fontMetrics().horizontalAdvance(QStringLiteral("000")) + 16);
    btnListaTipoConsumidor = new widgets::TBtnPesquisa(group);
    btnListaTipoConsumidor->setObjectName(QStringLiteral("btnListaTipoConsumidor"));
    btnListaTipoConsumidor->caption =
        QStringLiteral("Tipo de Consumidor|Não há tipo de consumidores registrados!");
    edtNmTipoConsumidor = new QLineEdit(group);
    edtNmTipoConsumidor->setObjectName(QStringLiteral("edtNmTipoConsumidor"));
    edtNmTipoConsumidor->setEnabled(false);
    widgets::bindLookupKey(edtCdTipoConsumidor, btnListaTipoConsumidor);
    auto *layout = new QHBoxLayout(group);
    layout->addWidget(edtCdTipoConsumidor);
    layout->addWidget(btnListaTipoConsumidor);
    layout->addWidget(edtNmTipoConsumidor, 1);

    edtCdTipoConsumidor->onChange = [this] { edtNmTipoConsumidor->clear(); };
    edtCdTipoConsumidor->onExit = [this] { Vd_TipoCons(); };
    btnListaTipoConsumidor->onBeforePesq = [this](widgets::TBtnPesquisa &b) {
        qryTipoCons->Close();
        qryTipoCons->setParam(QStringLiteral("P_CDTIPOCONS"), QString());
        qryTipoCons->setParam(QStringLiteral("P_TCDTIPOCONS"), QStringLiteral("T"));
        qryTipoCons->Open();
        b.setDataSource(dtsTipoCons);
    };
    btnListaTipoConsumidor->onAfterPesq = [this](widgets::TBtnPesquisa &) {
        edtCdTipoConsumidor->setText(
            qryTipoCons->FieldByName(QStringLiteral("CDTIPOCONS")).asString());
        edtNmTipoConsumidor->setText(
            qryTipoCons->FieldByName(QStringLiteral("NMTIPOCONS")).asString());
    };
    return group;
}

QWidget *TfrmCadAutPrecoDeferenciado::buildDays()
{
    auto *group = new QGroupBox(QStringLiteral("Dia"), grbDadosRel);
    auto *grid = new QGridLayout(group);
    // The three of every week on the first row, the week's days in their order on the second:
    // the tab key reads them so.
    int n = 0;
    auto box = [group, grid, &n](const char *name, const QString &caption) {
        auto *b = new QCheckBox(caption, group);
        b->setObjectName(QString::fromLatin1(name));
        grid->addWidget(b, n < 3 ? 0 : 1, n < 3 ? n : n - 3);
        ++n;
        return b;
    };
    chbTodosDias = box("chbTodosDias", QStringLiteral("Todos os Dias"));
    chbFeriado = box("chbFeriado", QStringLiteral("Feriado"));
    chbVesperaFeriado = box("chbVesperaFeriado", QStringLiteral("Véspera de Feriado"));
    chbDomingo = box("chbDomingo", QStringLiteral("Domingo"));
    chbSegunda = box("chbSegunda", QStringLiteral("Segunda"));
    chbTerca = box("chbTerca", QStringLiteral("Terça"));
    chbQuarta = box("chbQuarta", QStringLiteral("Quarta"));
    chbQuinta = box("chbQuinta", QStringLiteral("Quinta"));
    chbSexta = box("chbSexta", QStringLiteral("Sexta"));
    chbSabado = box("chbSabado", QStringLiteral("Sábado"));
    connect(chbTodosDias, &QCheckBox::toggled, this, [this] { Vd_Dia(); });
    return group;
}

void TfrmCadAutPrecoDeferenciado::buildControls()
{
    selection::SelectionProfile profile;
    profile.pickerTitle = Msg(QStringLiteral("PROD")) + u'|' + Msg(QStringLiteral("PRODINV"));
    profile.offeredProducts = [this] { return produtos(); };
    profile.rangeProducts = [this] { return produtos(); };
    profile.productName = [this](const QString &code) -> std::optional<QString> {
        qryVdProduto->Close();
        qryVdProduto->setParam(QStringLiteral("P_CDARVPROD"), code);
        qryVdProduto->Open();
        if (qryVdProduto->IsEmpty())
            return std::nullopt;
        return qryVdProduto->FieldByName(QStringLiteral("NMPRODUTO")).asString();
    };
    profile.emptyListMessage = Msg(QStringLiteral("PRODINF"));
    profile.intervaloEmptiesList = true;
    profile.activationEmptiesList = true;
    profile.startMissingMessage = Msg(QStringLiteral("PRODNINF"));
    profile.endMissingMessage = Msg(QStringLiteral("PRODNFIM"));
    profile.notRegisteredMessage = Msg(QStringLiteral("PRODNCAD"));
    grbProd = new selection::ProductSelection(std::move(profile), stPesqProd, grbDadosRel);
    grbProd->setObjectName(QStringLiteral("grbProd"));

    rdgDesAcr = new widgets::TRadioGroup(
        QString(), {QStringLiteral("Desconto"), QStringLiteral("Acréscimo")}, grbDadosRel);
    rdgDesAcr->setObjectName(QStringLiteral("rdgDesAcr"));
    rdgDesAcr->setItemIndex(0);
    rdgValPer = new widgets::TRadioGroup(
        QString(), {QStringLiteral("Valor"), QStringLiteral("Percentual")}, grbDadosRel);
    rdgValPer->setObjectName(QStringLiteral("rdgValPer"));
    rdgValPer->setItemIndex(0);
    numValPer = new widgets::TNumberEdit(rdgValPer);
    numValPer->setObjectName(QStringLiteral("numValPer"));
    numValPer->setDecimals(2);
    // Under the two choices, above the group's closing stretch.
    static_cast<QBoxLayout *>(rdgValPer->layout())->insertWidget(2, numValPer);
    auto *horario = new QGroupBox(QStringLiteral("Horário"), grbDadosRel);
    medHorarioDe = new widgets::TMaskEdit(horario);
    medHorarioDe->setObjectName(QStringLiteral("medHorarioDe"));
    medHorarioAte = new widgets::TMaskEdit(horario);
    medHorarioAte->setObjectName(QStringLiteral("medHorarioAte"));
    auto *validade = new QGroupBox(QStringLiteral("Validade"), grbDadosRel);
    depValidadeDe = new widgets::TDateEditPlus(validade);
    depValidadeDe->setObjectName(QStringLiteral("depValidadeDe"));
    depValidadeAte = new widgets::TDateEditPlus(validade);
    depValidadeAte->setObjectName(QStringLiteral("depValidadeAte"));
    for (auto [group, from, to] :
         {std::tuple<QGroupBox *, QWidget *, QWidget *>{horario, medHorarioDe, medHorarioAte},
          {validade, depValidadeDe, depValidadeAte}}) {
        auto *g = new QGridLayout(group);
        g->addWidget(labelFor(QStringLiteral("De"), from), 0, 0);
        g->addWidget(from, 0, 1);
        g->addWidget(labelFor(QStringLiteral("Até"), to), 1, 0);
        g->addWidget(to, 1, 1);
    }
    for (widgets::TMaskEdit *t : {medHorarioDe, medHorarioAte}) {
        t->setEditMask(kTimeMask);
        t->setFixedWidth(t->fontMetrics().horizontalAdvance(QStringLiteral("00:000")) + 16);
    }
    rdgVisualiza = new widgets::TRadioGroup(
        QStringLiteral("Visualiza"), {QStringLiteral("Sim"), QStringLiteral("Não")}, grbDadosRel);
    rdgVisualiza->setObjectName(QStringLiteral("rdgVisualiza"));
    rdgVisualiza->setItemIndex(1);

    depValidadeDe->onExit = [this] { depValidadeDe->CheckValidDate(); };
    depValidadeAte->onExit = [this] { depValidadeAte->CheckValidDate(); };

    auto *rule = new QHBoxLayout;
    rule->addWidget(rdgDesAcr);
    rule->addWidget(rdgValPer);
    rule->addWidget(horario);
    rule->addWidget(validade);
    rule->addWidget(rdgVisualiza);
    auto *layout = new QVBoxLayout(grbDadosRel);
    layout->addWidget(buildHeader());
    layout->addWidget(grbProd);
    layout->addWidget(buildConsumerType());
    layout->addWidget(buildDays());
    layout->addLayout(rule);
    layout->addStretch(1);
    grbProd->rbtTodos->setFocus();
}

void TfrmCadAutPrecoDeferenciado::FormCreate()
{
    TfrmRotiGeral::FormCreate();
    if (pricetable::frmTabGeral)
        setWindowTitle(windowTitle() + QStringLiteral(" – ") +
                       pricetable::frmTabGeral->currentPeriodCaption());
}

void TfrmCadAutPrecoDeferenciado::FormActivate()
{
    TfrmRotiGeral::FormActivate();
    grbProd->activate();
    selection::applyProductPicture(qryProduto->dataSet().fieldByName(u"CDARVPROD"));
    medHorarioDe->setStoredText(QStringLiteral("00:01"));
    medHorarioAte->setStoredText(QStringLiteral("23:59"));
}

void TfrmCadAutPrecoDeferenciado::FormClose(widgets::CloseAction &action)
{
    TfrmRotiGeral::FormClose(action);
    boStCriado = false;
}

data::DataSource *TfrmCadAutPrecoDeferenciado::produtos()
{
    qryProduto->Close();
    qryProduto->Open();
    return dtsProduto;
}

} // namespace vnd::diffprice
