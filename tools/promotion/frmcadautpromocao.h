#pragma once
// TfrmCadAutPromocao: "Alteração Automática". Puts a selection of products on promotion, or
// takes them off it, in the table and period current in the price table window, and can add
// a prefix to their names or remove it. The server applies both; this window collects and
// checks the inputs, then refreshes the price table window's item prices.

#include "host/data/clientdataset.h"
#include "host/widgets/frmrotigeral.h"
#include "pricetable/itemprice.h"
#include "tools/promotion/promotionrules.h"
#include "wire/value.h"

#include <optional>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QRadioButton;

namespace vnd::contracts
{
class RdmTabGeral;
}
namespace vnd::pricetable
{
class TfrmTabGeral;
}
namespace vnd::widgets
{
class TEdit;
}
namespace vnd::selection
{
class ProductSelection;
}

namespace vnd::promotion
{

class TfrmCadAutPromocao : public widgets::TfrmRotiGeral
{
    Q_OBJECT
public:
    explicit TfrmCadAutPromocao(QWidget *parent = nullptr);

    // --- Components ---
    data::ClientDataSet *cdsAutItemPreco, *cdsAux, *cdsProdValid, *cdsProduto;
    data::DataSource *dtsAutItemPreco, *dtsProduto;

    QGroupBox *rdgPromocao;
    QButtonGroup *rdgPromocaoItens; // ids 0 and 1: the radio group's item index
    selection::ProductSelection *grbProd;
    QCheckBox *chbPrefixo;
    QRadioButton *rbtAddPrefixo, *rbtDelPrefixo;
    QLabel *lblPrefixo;
    widgets::TEdit *edtPrefixo;

    // The picked products (list text).
    QString stListaProd;

    // --- Handlers ---
    void FormCreate() override;
    void FormActivate() override;
    void FormClose(widgets::CloseAction &action) override;
    void chbPrefixoClick();
    void sbtConfirmaClick() override;
    void sbtPreviaClick() override;

    QString Msg(const QString &key) const { return msgPadrao.msg(key); }

private:
    void defineDataSets();
    void buildControls();
    QGroupBox *buildPromocao();
    QWidget *buildPrefixo();

    // The price table window and its current period, read at every use; without them the
    // message that asks for them.
    pricetable::TfrmTabGeral &tabGeral() const;
    pricetable::CurrentPeriod periodo() const;
    contracts::RdmTabGeral &server() const;

    data::DataSource *produtosDaVigencia();
    data::DataSource *produtosDoIntervalo();
    std::optional<QString> nomeDoProduto(const QString &code);

    // The selection's values, the range's order tested.
    SelectionValues valoresDaSelecao();
    // The confirmation's checks, before its question.
    void checkInputs();
    // The prefix call and the flag call, as the window's inputs make them.
    data::Reply prefixCall();
    data::Reply flagCall(SelectionValues v, const data::Value &products);
    // The prefix (when asked for) and the flag written, then the price table window reloaded.
    void apply();
    // The chosen products for the flag call: the list's rows in "Lista" mode, none otherwise.
    data::Value produtosEscolhidos();
    [[noreturn]] void refuse(QWidget *field, const char *key);
};

} // namespace vnd::promotion
