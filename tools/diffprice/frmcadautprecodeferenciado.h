#pragma once
// TfrmCadAutPrecoDeferenciado: "Cadastro Automático de Preços Diferenciados". Registers one
// differentiated price rule for every product of a selection, in the table and period current
// in the price table window. The window checks the inputs; the server expands the rule into
// one day/hour price per product and day.

#include "contracts/rdmtabgeral.h"
#include "host/data/clientdataset.h"
#include "host/widgets/frmrotigeral.h"
#include "pricing/diffpricerules.h"

#include <utility>

class QCheckBox;
class QLineEdit;

namespace vnd::db
{
class TADOIBQuery;
}
namespace vnd::widgets
{
class TBtnPesquisa;
class TDBText;
class TDateEditPlus;
class TEdit;
class TMaskEdit;
class TNumberEdit;
class TRadioGroup;
} // namespace vnd::widgets
namespace vnd::selection
{
class ProductSelection;
}

namespace vnd::diffprice
{

class TfrmCadAutPrecoDeferenciado : public widgets::TfrmRotiGeral
{
    Q_OBJECT
public:
    explicit TfrmCadAutPrecoDeferenciado(QWidget *parent = nullptr);
    ~TfrmCadAutPrecoDeferenciado() override;

    // --- Components ---
    data::ClientDataSet *cdsProdAux;
    db::TADOIBQuery *qryProduto, *qryVdProduto, *qryTipoCons;
    data::DataSource *dtsProduto, *dtsTipoCons;

    QWidget *panTabela;
    widgets::TDBText *dbtCdTabe, *dbtNmTabe, *dbtIniVigencia, *dbtFinVigencia;
    selection::ProductSelection *grbProd;
    widgets::TEdit *edtCdTipoConsumidor;
    widgets::TBtnPesquisa *btnListaTipoConsumidor;
    QLineEdit *edtNmTipoConsumidor;
    QCheckBox *chbTodosDias, *chbFeriado, *chbVesperaFeriado, *chbDomingo, *chbSegunda, *chbTerca,
        *chbQuarta, *chbQuinta, *chbSexta, *chbSabado;
    widgets::TRadioGroup *rdgDesAcr, *rdgValPer, *rdgVisualiza;
    widgets::TNumberEdit *numValPer;
    widgets::TMaskEdit *medHorarioDe, *medHorarioAte;
    widgets::TDateEditPlus *depValidadeDe, *depValidadeAte;

    // --- Handlers ---
    void FormCreate() override;
    void FormActivate() override;
    void FormClose(widgets::CloseAction &action) override;
    void sbtConfirmaClick() override;
    void sbtPreviaClick() override;

    // --- Checks: each reports its message, with the focus on the field at fault ---
    void Vd_Dia();
    void Vd_DiaChecked();
    void vd_ValorouPercentual();
    void vd_HoraDe();
    void vd_HoraAte();
    void vd_Horario();
    void Vd_Validade();
    void vd_Valor();
    void Vd_TipoCons();

    // The products of the deepest level into the dataset, through the server; answers the
    // SELECT that lists them on the host's database.
    QString SQL_Pesquisa_Produto_CDS_TELA(data::ClientDataSet &ds);

    QString Msg(const QString &key) const { return msgPadrao.msg(key); }

private:
    void defineQueries();
    void buildControls();
    QWidget *buildHeader();
    QWidget *buildConsumerType();
    QWidget *buildDays();
    DayBoxes dayBoxes() const;
    bool percentage() const;
    pricing::Decimal amount() const;
    data::DataSource *produtos();
    void checkTime(widgets::TMaskEdit *field, const char *missingKey);
    [[noreturn]] void refuse(QWidget *field, const QString &text);
    // The confirmation's checks, in its order, before its question; the times as captured
    // before them.
    std::pair<QString, QString> checkInputs();
    // Steps 13 on: the rules registered, the window closed, the price table window reloaded.
    void registerRules(const QString &timeFrom, const QString &timeTo);
    contracts::PrecDifArgs precDifArgs(const QString &timeFrom, const QString &timeTo) const;
};

} // namespace vnd::diffprice
