#pragma once
// TfrmImportaTabela: "Exportar Tabela de Preço". Copies the prices of an existing table (the
// origin) into a new table, for all products or a picked list. This window only collects and
// checks the inputs; the server copies.

#include "contracts/rdmtabgeral.h"
#include "host/data/clientdataset.h"
#include "host/widgets/frmrotigeral.h"

#include <memory>
#include <optional>

class QGroupBox;
class QLineEdit;
class QRadioButton;
class QToolButton;

namespace vnd::net
{
class TNetConnection;
}
namespace vnd::db
{
class TADOIBQuery;
}
namespace vnd::widgets
{
class TBtnPesquisa;
class TEdit;
} // namespace vnd::widgets
namespace vnd::selection
{
class ProductSelection;
}

namespace vnd::exporttable
{

class TfrmImportaTabela : public widgets::TfrmRotiGeral
{
    Q_OBJECT
public:
    explicit TfrmImportaTabela(QWidget *parent = nullptr);
    ~TfrmImportaTabela() override;

    // --- Components ---
    net::TNetConnection *netImportaTabela;
    data::ClientDataSet *cdsProduto;
    data::DataSource *dtsProduto, *dtsTabela;
    db::TADOIBQuery *qryTabela, *qryPesqTabela;

    QGroupBox *grbOrigem, *grbDestino;
    widgets::TEdit *edtTabelaOrig, *edtTabelaDest, *edtNmTabelaDest;
    widgets::TBtnPesquisa *btnTabelaOrig;
    QLineEdit *edtNmTabelaOrig;
    selection::ProductSelection *grbProd;
    QRadioButton *rbtTodosProd, *rbtListaProd;
    QToolButton *btpProduto;

    // The picked products (list text) and the selection mode sent at confirmation.
    QString stListaProd;
    QString stSelecao;

    // --- Handlers ---
    void FormCreate() override;
    void FormActivate() override;
    void FormDestroy() override;
    void sbtConfirmaClick() override;
    void sbtPreviaClick() override;

    // --- Checks: each reports its message with the focus on the field at fault ---
    void Vd_TabelaOrig(bool required);
    void Vd_TabelaDestNova(bool required);
    void Vd_NomeTabela();
    void Vd_Produto();

    QString Msg(const QString &key) const { return msgPadrao.msg(key); }

private:
    void buildControls();
    void defineDataSets();
    // The list button's rows: the checks, then the origin's products, fresh at every click.
    data::DataSource *produtosDaOrigem();
    void onFocusChanged(QWidget *old, QWidget *now);
    [[noreturn]] void refuse(QWidget *field, const char *key);
    // The confirmation's checks, in its order, before its question.
    void checkInputs();
    // The price table window's connection, or this window's own when it is not open.
    contracts::RdmTabGeral &copyServer() const;
    data::Reply copyTable(contracts::RdmTabGeral &server);
    // The copy, its message, and the price table window refreshed.
    void exportTable();
    // A table code field's text normalised and written back; nothing when it is empty (then
    // the message of missingKey when required).
    std::optional<QString> tableCode(widgets::TEdit *field, const char *missingKey, bool required);

    std::unique_ptr<contracts::RdmTabGeral> m_server; // on netImportaTabela
};

} // namespace vnd::exporttable
