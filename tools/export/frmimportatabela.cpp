#include "tools/export/frmimportatabela.h"

#include "host/db/adoibquery.h"
#include "host/net/netconnection.h"
#include "host/services/codes.h"
#include "host/services/hostconfig.h"
#include "host/services/ui.h"
#include "host/widgets/btnpesquisa.h"
#include "host/widgets/busyanimation.h"
#include "host/widgets/lookupkey.h"
#include "host/widgets/tedit.h"
#include "pricetable/frmtabgeral.h"
#include "pricetable/tabgeralstate.h"
#include "tools/export/messages.h"
#include "tools/preview/frmprevia.h"
#include "tools/selection/productselection.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace vnd::exporttable
{

using data::FieldType;
using widgets::BusyAnimation;

TfrmImportaTabela::TfrmImportaTabela(QWidget *parent)
    : TfrmRotiGeral(parent), netImportaTabela(new net::TNetConnection(this)),
      cdsProduto(new data::ClientDataSet(this)), dtsProduto(new data::DataSource(cdsProduto, this)),
      qryTabela(new db::TADOIBQuery(this)), qryPesqTabela(new db::TADOIBQuery(this)),
      m_server(std::make_unique<contracts::RdmTabGeral>(*netImportaTabela))
{
    setObjectName(QStringLiteral("frmImportaTabela"));
    setWindowTitle(QStringLiteral("Exportar Tabela de Preço"));
    lblCodTela->setText(QStringLiteral("VND42703"));
    sbtPrevia->show();
    msgPadrao.setEntries(importaTabelaMessages());
    dtsTabela = new data::DataSource(&qryTabela->dataSet(), this);

    netImportaTabela->ServerName = QStringLiteral("VND42700.rdmTabGeral");
    netImportaTabela->ThrowException = false;
    netImportaTabela->BeforeConnect = [](net::TNetConnection &c) {
        c.Host = WebURL();
        c.Port = WebPort();
    };
    defineDataSets();
    buildControls();
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget *old, QWidget *now) { onFocusChanged(old, now); });
}

TfrmImportaTabela::~TfrmImportaTabela()
{
    disconnect(qApp, nullptr, this, nullptr);
}

void TfrmImportaTabela::defineDataSets()
{
    cdsProduto->addField(QStringLiteral("IDMARCADO"), FieldType::FixedString, 1);
    data::Field &tree = cdsProduto->addField(QStringLiteral("CDARVPROD"), FieldType::String, 10);
    tree.displayLabel = QStringLiteral("Código");
    tree.displayWidth = 20;
    cdsProduto->addField(QStringLiteral("NMPRODUTO"), FieldType::String, 50).displayLabel =
        QStringLiteral("Nome");
    cdsProduto->addField(QStringLiteral("CDPRODUTO"), FieldType::String, 10).visible = false;

    data::ClientDataSet &tables = qryTabela->dataSet();
    tables.addField(QStringLiteral("CDTABEPREC"), FieldType::String, 3).displayLabel =
        QStringLiteral("Código");
    data::Field &name = tables.addField(QStringLiteral("NMTABEPREC"), FieldType::String, 20);
    name.displayLabel = QStringLiteral("Nome");
    name.displayWidth = 30;
    qryTabela->SQL = {QStringLiteral("SELECT CDTABEPREC, NMTABEPREC"),
                      QStringLiteral("FROM"),
                      QStringLiteral("TABEPRECGER"),
                      QStringLiteral("WHERE"),
                      QStringLiteral("((CDTABEPREC = :P_CDTABEPREC) OR (:P_TCDTABEPREC = 'T'))"),
                      QStringLiteral("ORDER BY"),
                      QStringLiteral("CDTABEPREC")};

    qryPesqTabela->dataSet().addField(QStringLiteral("CDTABEPREC"), FieldType::String, 3);
    qryPesqTabela->SQL = {QStringLiteral("SELECT"), QStringLiteral("CDTABEPREC"),
                          QStringLiteral("FROM"),   QStringLiteral("TABEPRECGER"),
                          QStringLiteral("WHERE"),  QStringLiteral("(CDTABEPREC = :P_CDTABEPREC)")};
}

void TfrmImportaTabela::buildControls()
{
    auto label = [](const QString &text, QWidget *buddy) {
        auto *l = new QLabel(text, buddy->parentWidget());
        l->setBuddy(buddy);
        return l;
    };

    grbOrigem = new QGroupBox(QStringLiteral("Origem"), grbDadosRel);
    edtTabelaOrig = new widgets::TEdit(grbOrigem);
    edtTabelaOrig->setObjectName(QStringLiteral("edtTabelaOrig"));
    edtTabelaOrig->setMaxLength(3);
    btnTabelaOrig = new widgets::TBtnPesquisa(grbOrigem);
    btnTabelaOrig->setObjectName(QStringLiteral("btnTabelaOrig"));
    btnTabelaOrig->caption = QStringLiteral("Tabela de Preço");
    btnTabelaOrig->setDataSource(dtsTabela);
    widgets::bindLookupKey(edtTabelaOrig, btnTabelaOrig);
    edtNmTabelaOrig = new QLineEdit(grbOrigem);
    edtNmTabelaOrig->setObjectName(QStringLiteral("edtNmTabelaOrig"));
    edtNmTabelaOrig->setEnabled(false);
    auto *origem = new QGridLayout(grbOrigem);
    origem->addWidget(label(QStringLiteral("Tabela Preço"), edtTabelaOrig), 0, 0);
    origem->addWidget(edtTabelaOrig, 1, 0);
    origem->addWidget(btnTabelaOrig, 1, 1);
    origem->addWidget(edtNmTabelaOrig, 1, 2);
    origem->setColumnStretch(2, 1);

    grbDestino = new QGroupBox(QStringLiteral(" Destino "), grbDadosRel);
    edtTabelaDest = new widgets::TEdit(grbDestino);
    edtTabelaDest->setObjectName(QStringLiteral("edtTabelaDest"));
    edtTabelaDest->setMaxLength(3);
    edtNmTabelaDest = new widgets::TEdit(grbDestino);
    edtNmTabelaDest->setObjectName(QStringLiteral("edtNmTabelaDest"));
    edtNmTabelaDest->setMaxLength(20);
    auto *destino = new QGridLayout(grbDestino);
    destino->addWidget(label(QStringLiteral("Tabela Preço"), edtTabelaDest), 0, 0);
    destino->addWidget(label(QStringLiteral("Nome"), edtNmTabelaDest), 0, 1);
    destino->addWidget(edtTabelaDest, 1, 0);
    destino->addWidget(edtNmTabelaDest, 1, 1);
    destino->setColumnStretch(1, 1);
    // The codes are three characters: their fields need not be wider than that.
    for (widgets::TEdit *e : {edtTabelaOrig, edtTabelaDest})
        e->setFixedWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 16);

    selection::SelectionProfile profile;
    profile.withRange = false;
    profile.pickerTitle = Msg(QStringLiteral("PROD"));
    profile.offeredProducts = [this] { return produtosDaOrigem(); };
    profile.emptyListMessage = Msg(QStringLiteral("Prod_N_Sel"));
    profile.focusListOnEmpty = true;
    grbProd = new selection::ProductSelection(std::move(profile), stListaProd, grbDadosRel);
    grbProd->setObjectName(QStringLiteral("grbProd"));
    rbtTodosProd = grbProd->rbtTodos;
    rbtTodosProd->setObjectName(QStringLiteral("rbtTodosProd"));
    rbtListaProd = grbProd->rbtLista;
    rbtListaProd->setObjectName(QStringLiteral("rbtListaProd"));
    btpProduto = grbProd->btnListaProd;
    btpProduto->setObjectName(QStringLiteral("btpProduto"));
    btpProduto->setToolTip(widgets::withLookupKey(Msg(QStringLiteral("PROD"))));

    auto *layout = new QVBoxLayout(grbDadosRel);
    layout->addWidget(grbOrigem);
    layout->addWidget(grbDestino);
    layout->addWidget(grbProd);
    layout->addStretch(1);
    edtTabelaOrig->setFocus();
    resize(440, 330);

    edtTabelaOrig->onChange = [this] { edtNmTabelaOrig->clear(); };
    edtTabelaDest->onChange = [this] { edtNmTabelaDest->clear(); };
    edtTabelaOrig->onExit = [this] { Vd_TabelaOrig(false); };
    edtTabelaDest->onExit = [this] { Vd_TabelaDestNova(false); };
    btnTabelaOrig->onBeforePesq = [this](widgets::TBtnPesquisa &) {
        qryTabela->Close();
        qryTabela->setParam(QStringLiteral("P_CDTABEPREC"), QVariant());
        qryTabela->setParam(QStringLiteral("P_TCDTABEPREC"), QStringLiteral("T"));
        qryTabela->Open();
    };
    btnTabelaOrig->onAfterPesq = [this](widgets::TBtnPesquisa &) {
        edtTabelaOrig->setText(qryTabela->FieldByName(QStringLiteral("CDTABEPREC")).asString());
        edtNmTabelaOrig->setText(qryTabela->FieldByName(QStringLiteral("NMTABEPREC")).asString());
    };
}

void TfrmImportaTabela::FormCreate()
{
    TfrmRotiGeral::FormCreate();
    netImportaTabela->open();
}

void TfrmImportaTabela::FormActivate()
{
    TfrmRotiGeral::FormActivate();
    selection::applyProductPicture(cdsProduto->fieldByName(u"CDARVPROD"));
}

void TfrmImportaTabela::FormDestroy()
{
    TfrmRotiGeral::FormDestroy();
    netImportaTabela->close();
}

void TfrmImportaTabela::onFocusChanged(QWidget *old, QWidget *now)
{
    // Entering the "Produto" group asks for the tables first.
    if (now && grbProd->isAncestorOf(now) && !(old && grbProd->isAncestorOf(old)))
        guarded([this] { Vd_Produto(); });
}

void TfrmImportaTabela::refuse(QWidget *field, const char *key)
{
    field->setFocus();
    MensErro(Msg(QString::fromLatin1(key)), true);
}

std::optional<QString> TfrmImportaTabela::tableCode(widgets::TEdit *field, const char *missingKey,
                                                    bool required)
{
    if (EmptyString(field->text())) {
        if (required)
            refuse(field, missingKey);
        return std::nullopt;
    }
    field->setText(Ajusta(field->text(), 3));
    return field->text();
}

void TfrmImportaTabela::Vd_TabelaOrig(bool required)
{
    // The focus goes back to the field on every failure, a failed query's included.
    try {
        const std::optional<QString> code = tableCode(edtTabelaOrig, "TAB_NULL", required);
        if (!code)
            return;
        qryTabela->Close();
        qryTabela->setParam(QStringLiteral("P_CDTABEPREC"), *code);
        qryTabela->setParam(QStringLiteral("P_TCDTABEPREC"), QVariant());
        qryTabela->Open();
        if (qryTabela->IsEmpty())
            refuse(edtTabelaOrig, "TAB_INV");
        edtNmTabelaOrig->setText(qryTabela->FieldByName(QStringLiteral("NMTABEPREC")).asString());
    } catch (...) {
        edtTabelaOrig->setFocus();
        throw;
    }
}

void TfrmImportaTabela::Vd_TabelaDestNova(bool required)
{
    try {
        const std::optional<QString> code = tableCode(edtTabelaDest, "TABDEST_NULL", required);
        if (!code)
            return;
        qryPesqTabela->Close();
        qryPesqTabela->setParam(QStringLiteral("P_CDTABEPREC"), *code);
        qryPesqTabela->Open();
        if (!qryPesqTabela->IsEmpty())
            refuse(edtTabelaDest, "COD_INV");
    } catch (...) {
        edtTabelaDest->setFocus();
        throw;
    }
}

void TfrmImportaTabela::Vd_NomeTabela()
{
    if (EmptyString(edtNmTabelaDest->text()))
        refuse(edtNmTabelaDest, "NOME_TAB_NULL");
}

void TfrmImportaTabela::Vd_Produto()
{
    if (EmptyString(edtTabelaOrig->text()))
        refuse(edtTabelaOrig, "TAB_NULL");
    if (EmptyString(edtTabelaDest->text()))
        refuse(edtTabelaDest, "TABDEST_NULL");
}

data::DataSource *TfrmImportaTabela::produtosDaOrigem()
{
    Vd_Produto();
    Vd_TabelaOrig(true);
    {
        BusyAnimation busy(widgets::BusyServer, {}, this);
        cdsProduto->loadPacket(
            CheckResultServ(m_server->getExpProduto(edtTabelaOrig->text()), true, 0));
    }
    if (cdsProduto->isEmpty())
        MensErro(Msg(QStringLiteral("Prod_N_Cad")), true);
    return dtsProduto;
}

void TfrmImportaTabela::checkInputs()
{
    Vd_TabelaOrig(true);
    Vd_Produto();
    grbProd->checkList();
    stSelecao = rbtTodosProd->isChecked() ? QStringLiteral("T") : QStringLiteral("L");
    Vd_TabelaDestNova(true);
    Vd_NomeTabela();
    if (edtTabelaOrig->text() == edtTabelaDest->text())
        refuse(edtTabelaDest, "TAB_IGUAL");
}

contracts::RdmTabGeral &TfrmImportaTabela::copyServer() const
{
    // Opened from the host's menu, the price table window may not be there: then the copy
    // goes through this window's own connection and there is nothing to refresh.
    return pricetable::frmTabGeral ? pricetable::frmTabGeral->server() : *m_server;
}

data::Reply TfrmImportaTabela::copyTable(contracts::RdmTabGeral &server)
{
    BusyAnimation busy(widgets::BusyServer, {}, this);
    QString list = stListaProd, mode = stSelecao;
    return server.setConfirmar(edtTabelaDest->text(), edtNmTabelaDest->text(),
                               edtTabelaOrig->text(), list, mode);
}

void TfrmImportaTabela::exportTable()
{
    QPointer<pricetable::TfrmTabGeral> tabGeral = pricetable::frmTabGeral;
    CheckResultServ(copyTable(copyServer()), true, 0);
    ShowInfo(Msg(QStringLiteral("ImpOk")));
    close();
    if (tabGeral)
        tabGeral->sbtVerificarClick();
}

void TfrmImportaTabela::sbtConfirmaClick()
{
    checkInputs();
    if (ShowMsg(Msg(QStringLiteral("CONFIR")), mtConfirmation, mbYesNo, 0) != mrYes)
        return;
    exportTable();
}

void TfrmImportaTabela::sbtPreviaClick()
{
    checkInputs();
    contracts::RdmTabGeral &server = copyServer();
    const data::Reply preview = server.previewOf([&] { return copyTable(server); });
    if (widgets::previaConfirmada(
            this, {{QStringLiteral("Tabela %1 - %2, cópia da tabela %3")
                        .arg(edtTabelaDest->text(), edtNmTabelaDest->text(), edtTabelaOrig->text()),
                    preview}}))
        exportTable();
}

} // namespace vnd::exporttable
