#pragma once
// TfrmPadrao: the host's standard maintenance window, a document (MDI child) window.
//
// Layout, top to bottom: the window menu (mnuRegistro holds the eight commands), the toolbar
// panMenu (the same eight QActions, so menu and button can never disagree; windows add their
// own buttons after them) with the screen code lblCodTela at its right, the page control
// pgcPadrao with tshFolhaDados (panDbgPadrao holding the grid dbgPadrao) and tshFormulario,
// and the navigator panel panNavegador with dbtNome (bound to dtsPadrao).
//
// Keys: Ctrl+Tab / Ctrl+Shift+Tab and Ctrl+PgDn / Ctrl+PgUp turn to the next or previous
// enabled page; each page tab has its Alt letter; the tab key goes through the controls in
// reading order (host/widgets/taborder.h).
//
// Handlers are virtual and run inside the handler guard. The base ones act on dtsPadrao's
// dataset (insert, edit, delete after "Excl", find, post, cancel after "Canc") and enable
// the commands from its state; a window overrides what it needs. FormCreate, FormClose and
// FormDestroy of a derived window call the base's first.

#include "host/data/clientdataset.h"
#include "host/widgets/formlifecycle.h"
#include "pricing/messagetable.h"

#include <QWidget>

class QAction;
class QLabel;
class QMdiSubWindow;
class QMenu;
class QMenuBar;
class QTabWidget;
class QToolBar;

namespace vnd::widgets
{

class TDBGrid;
class TDBText;

class TfrmPadrao : public QWidget
{
    Q_OBJECT
public:
    explicit TfrmPadrao(QWidget *parent = nullptr);
    ~TfrmPadrao() override;

    // Shows the window in the host's MDI area (top-level when there is none), in normal
    // window state, and brings it forward. Made anew, it covers the MDI area.
    void Show();
    // Closes the window (its MDI frame included) through FormClose.
    bool Close();
    QMdiSubWindow *subWindow() const;

    // Enables a page and its tab together.
    void setPageEnabled(QWidget *page, bool enabled);
    // The next (or previous) enabled page, round the ends; the focus goes into it.
    void turnPage(int delta);

    // --- Controls ---
    QLabel *lblCodTela;
    QMenuBar *menuBar;
    QMenu *mnuRegistro;
    QToolBar *panMenu;
    QAction *sbtIncluir, *sbtAlterar, *sbtExcluir, *sbtProcurar, *sbtVerificar, *sbtImprimir,
        *sbtConfirmar, *sbtCancelar;
    QTabWidget *pgcPadrao;
    QWidget *tshFolhaDados;
    QWidget *tshFormulario;
    QWidget *panDbgPadrao;
    TDBGrid *dbgPadrao;
    QWidget *panNavegador;
    TDBText *dbtNome;
    data::DataSource *dtsPadrao;
    MessageTable msgPadrao;
    MessageTable msgMensagensPadroes; // "Excl", "Canc"

    // --- Handlers ---
    virtual void FormCreate();
    virtual void FormClose(CloseAction &action);
    virtual void FormDestroy();
    virtual void sbtIncluirClick();
    virtual void sbtAlterarClick();
    virtual void sbtExcluirClick();
    virtual void sbtProcurarClick();
    virtual void sbtVerificarClick();
    virtual void sbtImprimirClick();
    virtual void sbtConfirmarClick();
    virtual void sbtCancelarClick();
    virtual void dtsPadraoStateChange();
    virtual void pgcPadraoChange();
    virtual void dbgPadraoColEnter();
    virtual void dbgPadraoColExit();
    // Ctrl+Del runs Excluir and Insert runs Incluir (when enabled), so the grid never
    // deletes or inserts behind the window's rules. Bind it to other grids as needed.
    virtual void dbgPadraoKeyDown(int &key, Qt::KeyboardModifiers modifiers);

    void runCreate() { FormCreate(); }
    bool created() const { return m_created; }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // Asks before a close throws away an edit or insert not posted; true when the close may
    // go on (nothing pending, or the user chose to discard it).
    bool discardPendingEdits();
    QAction *makeCommand(const QString &caption, int glyph, const QKeySequence &key,
                         void (TfrmPadrao::*handler)());
    void buildNavigator();

    bool m_created = false;
    bool m_destroyed = false;
};

} // namespace vnd::widgets
