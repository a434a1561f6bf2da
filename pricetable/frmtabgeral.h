#pragma once
// TfrmTabGeral: the price table window. Price tables and their validity periods on the data
// sheet, item and day/hour prices on the form page, branches on their own page. The toolbar
// commands act on whichever dataset the active page and the focus flags point at; habilita
// is the one place that enables commands, pages and grids.

#include "contracts/rdmtabgeral.h"
#include "host/data/clientdataset.h"
#include "host/widgets/dbgridcolumn.h"
#include "host/widgets/frmpadrao.h"
#include "pricetable/dayhourvalidation.h"
#include "pricetable/habilita.h"

#include <QImage>

#include <memory>

class QLabel;
class QSplitter;

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
class TDBGrid;
class TDBSortGrid;
} // namespace vnd::widgets

namespace vnd::pricetable
{

class TfrmTabGeral : public widgets::TfrmPadrao
{
    Q_OBJECT
public:
    explicit TfrmTabGeral(QWidget *parent = nullptr);
    ~TfrmTabGeral() override;

    // --- Components ---
    net::TNetConnection *netTabGeral;
    data::ClientDataSet *cdsTabGeral, *cdsVigenciaTab, *cdsVd, *cdsMaxDtFinVg;
    data::ClientDataSet *cdsFilTab, *cdsVdFilTab;
    data::ClientDataSet *cdsItemPreco, *cdsItemPrecoComp, *cdsPrecoHora, *cdsVdMod;
    data::DataSource *dtsVigenciaTab, *dtsFilTab, *dtsItemPreco, *dtsItemPrecoComp, *dtsPrecoHora,
        *dtsFilial;
    db::TADOIBQuery *qryFilial, *adqTipoCons;

    QAction *sbtImport, *sbtProdPro, *btnCadPrecoDif;
    QImage imgCompoe, imgCheck, imgUncheck;

    QSplitter *splVigencia;
    QWidget *panVigencia;
    widgets::TDBGrid *dbgVigencia;
    QTabWidget *pgcItemPreco, *pgcPrecoCliCon;
    QLabel *lblVigencia; // on the form page: the table and period its rows belong to
    QSplitter *splItemPreco;
    QWidget *tshProduto, *tshComposicao, *tshPrecoHora, *panItemPreco;
    widgets::TDBSortGrid *dbsItemPreco;
    widgets::TDBGrid *dbgItPrecoComp, *dbgPrecoHora;
    QWidget *tshFilTab;
    widgets::TDBGrid *dbgFilTab;

    // "Tabela 001 - TABELA PADRAO, vigência de ... a ...": the current period; empty without.
    QString currentPeriodCaption() const;

    // The server's remote data module on netTabGeral.
    contracts::RdmTabGeral &server() { return *m_server; }

    // --- Shell ---
    void FormCreate() override;
    void FormClose(widgets::CloseAction &action) override;
    void dtsPadraoStateChange() override;
    void pgcPadraoChange() override;
    void dbgPadraoColExit() override;
    void sbtIncluirClick() override;
    void sbtAlterarClick() override;
    void sbtExcluirClick() override;
    void sbtProcurarClick() override;
    void sbtVerificarClick() override;
    void sbtConfirmarClick() override;
    void sbtCancelarClick() override;
    void habilita(data::DataSource *source);
    Page activePage() const;
    // The datasets the tool bar's commands act on: the focused one of the active page.
    QList<data::ClientDataSet *> commandTargets() const;

    // --- Price tables and periods ---
    void getTabGeral();
    void getVigenciaTab();
    void setTabGeral();
    void setVigenciaTab();
    void habilitaDtVigIni();

    // --- Branches ---
    void getFilTab();
    void setFilTab();
    void abreQryFilial(const QString &code, const QString &mark);

    // --- Form page ---
    void getItensTabGeral(const QString &product, const QString &mark);
    // From the server, or from a call already under way.
    void getPrecoHora(net::TNetConnection::Pending *pending = nullptr);
    void apagaProduto();
    // Sends the pending item change with the empty-field list; merges or undoes.
    void setItemPreco();
    void getItemPrecoComp();
    // Sends the pending day/hour change; merges and forgets the edit key, or undoes.
    void setPrecoHora();
    // Fields of the last item post that had no value, each followed by "|".
    QString stCamposVazios;

    // --- Spreadsheets (form page) ---
    QAction *sbtExportaPlanilha, *sbtImportaPlanilha;
    // The item prices and day/hour rules the grids show, to a workbook or CSV files.
    void exportaPlanilha();
    // Prices from a CSV file, through a preview, saved in one call.
    void importaPlanilha();

    // The message of the window's table.
    QString Msg(const QString &key) const { return msgPadrao.msg(key); }

private:
    void buildDataSheet();
    void buildFormPage();
    void buildBranchesPage();
    void buildToolButtons();
    void buildSheetCommands();
    void habilitaPlanilha();
    // --- History (form page) ---
    QAction *sbtHistorico = nullptr;
    void buildHistoryCommand();
    void habilitaHistorico();
    void mostraHistorico();
    void defineDataSets();
    void bindTableHooks();
    void bindPeriodHooks();
    void bindBranchHooks();
    void bindFocusTracking();
    void onFocusChanged(QWidget *old, QWidget *now);
    void applyDecision(const EnableDecision &d);
    // Sends the dataset's change log with the given server method; merges on success,
    // undoes every unsaved change on failure and lets the error go on.
    void saveChanges(data::ClientDataSet &ds,
                     data::Reply (contracts::RdmTabGeral::*method)(const data::ChangeSet &));
    // Fails the post: focus on the field, then the message through MensErro.
    [[noreturn]] void refuse(data::ClientDataSet &ds, const char *field, const QString &text);
    void vigenciaBeforePost();
    void tabGeralBeforePost();
    void filTabBeforePost();
    void filTabColExit();
    void filTabEditButtonClick();
    void drawVigenciaCell(const QRect &rect, int column, widgets::TColumn &col, bool selected,
                          bool focused);

    std::unique_ptr<contracts::RdmTabGeral> m_server;
    QString m_periodsOfTable; // the table whose periods cdsVigenciaTab holds
    bool m_built = false;     // every control exists: habilita may run

    // --- Form page ---
    void bindItemHooks();
    void itemPrecoAfterScroll();
    void enableCompositionPage(bool on);
    void periodsFollowCurrentTable();
    void buildItemGrid();
    void drawItemCell(const QRect &rect, widgets::TColumn &col, bool selected, bool focused);
    void dbsItemPrecoColEnter();
    void bindCompositionHooks();
    void bindPrecoHoraHooks();
    void buildPrecoHoraGrid();
    void drawPrecoHoraCell(const QRect &rect, widgets::TColumn &col, bool selected, bool focused);
    void lockKeyColumns();
    void dbgPrecoHoraColEnter();
    void dbgPrecoHoraEditButtonClick();
    // What the day/hour rules read outside the record, as it is now.
    PrecoHoraContext precoHoraContext() const;
    std::optional<QString> lookupTipoCons(const QString &code) const;
    bool existsModalidade(const ModalidadeKey &key) const;
};

} // namespace vnd::pricetable
