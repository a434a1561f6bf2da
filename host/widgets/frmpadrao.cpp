#include "host/widgets/frmpadrao.h"

#include "host/widgets/dbgrid.h"
#include "host/widgets/dbtext.h"
#include "host/widgets/hosticons.h"
#include "host/widgets/hostwindows.h"
#include "host/widgets/paintedcalls.h"
#include "host/widgets/procura.h"
#include "host/widgets/taborder.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QShortcut>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace vnd::widgets
{

using data::DataSetState;

TfrmPadrao::TfrmPadrao(QWidget *parent)
    : QWidget(parent), lblCodTela(new QLabel(this)), menuBar(new QMenuBar(this)),
      panMenu(new QToolBar(this)), pgcPadrao(new QTabWidget(this)), tshFolhaDados(new QWidget),
      tshFormulario(new QWidget), panDbgPadrao(new QWidget), dbgPadrao(new TDBGrid),
      panNavegador(new QWidget(this)), dbtNome(new TDBText),
      dtsPadrao(new data::DataSource(nullptr, this)),
      msgMensagensPadroes({QStringLiteral("Excl|Confirma a exclusão do registro?"),
                           QStringLiteral("Canc|Confirma o cancelamento das alterações?")})
{
    setAttribute(Qt::WA_DeleteOnClose, false); // released by FormClose's action instead
    keepWindowsPaintedDuringCalls();
    mnuRegistro = menuBar->addMenu(QStringLiteral("&Registro"));
    sbtIncluir = makeCommand(QStringLiteral("&Incluir"), int(Glyph::Incluir), QKeySequence(),
                             &TfrmPadrao::sbtIncluirClick);
    sbtAlterar = makeCommand(QStringLiteral("&Alterar"), int(Glyph::Alterar), QKeySequence(),
                             &TfrmPadrao::sbtAlterarClick);
    sbtExcluir = makeCommand(QStringLiteral("&Excluir"), int(Glyph::Excluir), QKeySequence(),
                             &TfrmPadrao::sbtExcluirClick);
    mnuRegistro->addSeparator();
    panMenu->addSeparator();
    sbtProcurar = makeCommand(QStringLiteral("&Procurar"), int(Glyph::Procurar),
                              QKeySequence(Qt::CTRL | Qt::Key_F), &TfrmPadrao::sbtProcurarClick);
    sbtVerificar = makeCommand(QStringLiteral("&Verificar"), int(Glyph::Verificar),
                               QKeySequence(Qt::Key_F5), &TfrmPadrao::sbtVerificarClick);
    sbtImprimir = makeCommand(QStringLiteral("Im&primir"), int(Glyph::Imprimir),
                              QKeySequence(Qt::CTRL | Qt::Key_P), &TfrmPadrao::sbtImprimirClick);
    mnuRegistro->addSeparator();
    panMenu->addSeparator();
    sbtConfirmar = makeCommand(QStringLiteral("&Confirmar"), int(Glyph::Confirmar),
                               QKeySequence(Qt::Key_F10), &TfrmPadrao::sbtConfirmarClick);
    sbtCancelar = makeCommand(QStringLiteral("Ca&ncelar"), int(Glyph::Cancelar), QKeySequence(),
                              &TfrmPadrao::sbtCancelarClick);
    mnuRegistro->addSeparator();
    QAction *fechar = mnuRegistro->addAction(QStringLiteral("&Fechar"));
    connect(fechar, &QAction::triggered, this, [this] { Close(); });
    panMenu->setObjectName(QStringLiteral("panMenu"));
    pgcPadrao->setObjectName(QStringLiteral("pgcPadrao"));
    dbgPadrao->setObjectName(QStringLiteral("dbgPadrao"));
    panMenu->setIconSize(QSize(24, 24));
    panMenu->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    panMenu->setMovable(false);
    sbtImprimir->setEnabled(false);

    lblCodTela->setObjectName(QStringLiteral("lblCodTela"));
    lblCodTela->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont codeFont = lblCodTela->font();
    codeFont.setBold(true);
    lblCodTela->setFont(codeFont);
    lblCodTela->setContentsMargins(8, 0, 8, 0);
    auto *top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(panMenu, 1);
    top->addWidget(lblCodTela);

    auto *panLayout = new QVBoxLayout(panDbgPadrao);
    panLayout->setContentsMargins(0, 0, 0, 0);
    panLayout->addWidget(dbgPadrao);
    auto *sheetLayout = new QHBoxLayout(tshFolhaDados);
    sheetLayout->setContentsMargins(4, 4, 4, 4);
    sheetLayout->addWidget(panDbgPadrao);
    pgcPadrao->addTab(tshFolhaDados, QStringLiteral("Folha de &Dados"));
    pgcPadrao->addTab(tshFormulario, QStringLiteral("F&ormulário"));
    const auto pageKey = [this](const QKeySequence &key, int delta) {
        auto *s = new QShortcut(key, this);
        s->setContext(Qt::WidgetWithChildrenShortcut);
        connect(s, &QShortcut::activated, this, [this, delta] { turnPage(delta); });
    };
    pageKey(QKeySequence(Qt::CTRL | Qt::Key_Tab), 1);
    pageKey(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1);
    pageKey(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1);
    pageKey(QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1);
    pageKey(QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1);
    dbgPadrao->setDataSource(dtsPadrao);
    dbgPadrao->onColEnter = [this] { dbgPadraoColEnter(); };
    dbgPadrao->onColExit = [this] { dbgPadraoColExit(); };
    dbgPadrao->onKeyDown = [this](int &key, Qt::KeyboardModifiers m) { dbgPadraoKeyDown(key, m); };
    dbtNome->setDataSource(dtsPadrao);
    buildNavigator();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar);
    layout->addLayout(top);
    layout->addWidget(pgcPadrao, 1);
    layout->addWidget(panNavegador);

    connect(pgcPadrao, &QTabWidget::currentChanged, this, [this] {
        if (m_created)
            guarded([this] { pgcPadraoChange(); });
    });
    connect(dtsPadrao, &data::DataSource::stateChanged, this,
            [this] { guarded([this] { dtsPadraoStateChange(); }); });
    resize(820, 560);
}

TfrmPadrao::~TfrmPadrao() = default;

QAction *TfrmPadrao::makeCommand(const QString &caption, int glyph, const QKeySequence &key,
                                 void (TfrmPadrao::*handler)())
{
    auto *action = new QAction(hostIcon(Glyph(glyph)), caption, this);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    QString tip = caption;
    tip.remove(u'&');
    action->setToolTip(
        key.isEmpty() ? tip
                      : QStringLiteral("%1 (%2)").arg(tip, key.toString(QKeySequence::NativeText)));
    connect(action, &QAction::triggered, this,
            [this, handler] { guarded([&] { (this->*handler)(); }); });
    mnuRegistro->addAction(action);
    panMenu->addAction(action);
    addAction(action);
    return action;
}

void TfrmPadrao::buildNavigator()
{
    auto *layout = new QHBoxLayout(panNavegador);
    layout->setContentsMargins(6, 2, 6, 4);
    auto nav = [this, layout](Glyph glyph, const QString &tip, auto move) {
        auto *b = new QToolButton(panNavegador);
        b->setIcon(hostIcon(glyph));
        b->setToolTip(tip);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QToolButton::clicked, this, [this, move] {
            guarded([&] {
                if (data::ClientDataSet *ds = dtsPadrao->dataSet(); ds && ds->isActive())
                    move(*ds);
            });
        });
        layout->addWidget(b);
    };
    nav(Glyph::Primeiro, QStringLiteral("Primeiro"), [](data::ClientDataSet &d) { d.first(); });
    nav(Glyph::Anterior, QStringLiteral("Anterior"), [](data::ClientDataSet &d) { d.prior(); });
    nav(Glyph::Proximo, QStringLiteral("Próximo"), [](data::ClientDataSet &d) { d.next(); });
    nav(Glyph::Ultimo, QStringLiteral("Último"), [](data::ClientDataSet &d) { d.last(); });
    layout->addSpacing(12);
    dbtNome->setParent(panNavegador);
    QFont f = dbtNome->font();
    f.setBold(true);
    dbtNome->setFont(f);
    layout->addWidget(dbtNome, 1);
}

QMdiSubWindow *TfrmPadrao::subWindow() const
{
    return qobject_cast<QMdiSubWindow *>(parentWidget());
}

void TfrmPadrao::Show()
{
    QMdiArea *area = mdiArea();
    if (area && !subWindow()) {
        QMdiSubWindow *sub = area->addSubWindow(this);
        sub->setWindowIcon(hostIcon(Glyph::Modulo));
        sub->setAttribute(Qt::WA_DeleteOnClose, false);
        // In normal state, but over the whole work area: its grids take the room there is.
        const QSize room = area->viewport()->size();
        sub->setGeometry(QRect(QPoint(0, 0), room.isEmpty() ? size() : room));
    }
    if (QMdiSubWindow *sub = subWindow()) {
        sub->showNormal();
        sub->raise();
        if (QMdiArea *a = sub->mdiArea())
            a->setActiveSubWindow(sub);
    } else {
        showNormal();
        raise();
        activateWindow();
    }
}

bool TfrmPadrao::Close()
{
    if (QMdiSubWindow *sub = subWindow())
        return sub->close();
    return close();
}

void TfrmPadrao::setPageEnabled(QWidget *page, bool enabled)
{
    const int i = pgcPadrao->indexOf(page);
    if (i >= 0)
        pgcPadrao->setTabEnabled(i, enabled);
    page->setEnabled(enabled);
}

void TfrmPadrao::turnPage(int delta)
{
    const int n = pgcPadrao->count();
    for (int step = 1; step < n; ++step) {
        const int i = ((pgcPadrao->currentIndex() + delta * step) % n + n) % n;
        if (!pgcPadrao->isTabEnabled(i))
            continue;
        pgcPadrao->setCurrentIndex(i);
        // The page's own handler may have put the focus somewhere in it already.
        QWidget *page = pgcPadrao->currentWidget();
        QWidget *focus = QApplication::focusWidget();
        if (!focus || !page->isAncestorOf(focus))
            for (QWidget *w : readingOrder(page))
                if (w->isVisible() && w->isEnabled()) {
                    w->setFocus(Qt::TabFocusReason);
                    break;
                }
        return;
    }
}

bool TfrmPadrao::focusNextPrevChild(bool next)
{
    return tabInReadingOrder(this, next) || QWidget::focusNextPrevChild(next);
}

bool TfrmPadrao::discardPendingEdits()
{
    QList<data::ClientDataSet *> pending;
    for (data::ClientDataSet *ds : findChildren<data::ClientDataSet *>())
        if (ds->state() == data::DataSetState::Edit || ds->state() == data::DataSetState::Insert)
            pending << ds;
    if (pending.isEmpty())
        return true;
    if (ShowMsg(QStringLiteral("Existem alterações não confirmadas. Deseja descartá-las?"),
                mtConfirmation, mbYesNo) != mrYes)
        return false;
    for (data::ClientDataSet *ds : pending)
        guarded([ds] { ds->cancel(); });
    return true;
}

void TfrmPadrao::closeEvent(QCloseEvent *event)
{
    if (!discardPendingEdits()) {
        event->ignore();
        return;
    }
    CloseAction action = caFree;
    if (!guarded([&] { FormClose(action); }) || action == caNone) {
        event->ignore();
        return;
    }
    event->accept();
    if (action == caHide)
        return;
    if (!m_destroyed) {
        m_destroyed = true;
        guarded([this] { FormDestroy(); });
    }
    if (QMdiSubWindow *sub = subWindow())
        sub->deleteLater();
    else
        deleteLater();
}

void TfrmPadrao::FormCreate()
{
    m_created = true;
    dtsPadraoStateChange();
}

void TfrmPadrao::FormClose(CloseAction &action)
{
    action = caFree;
}

void TfrmPadrao::FormDestroy() {}

namespace
{
data::ClientDataSet &activeSet(data::DataSource *source)
{
    data::ClientDataSet *ds = source->dataSet();
    if (!ds || !ds->isActive())
        throw SilentAbort{};
    return *ds;
}
} // namespace

void TfrmPadrao::sbtIncluirClick()
{
    activeSet(dtsPadrao).insert();
}

void TfrmPadrao::sbtAlterarClick()
{
    activeSet(dtsPadrao).edit();
}

void TfrmPadrao::sbtExcluirClick()
{
    data::ClientDataSet &ds = activeSet(dtsPadrao);
    if (ShowMsg(msgMensagensPadroes.msg(QStringLiteral("Excl")), mtConfirmation, mbYesNo) == mrYes)
        ds.remove();
}

void TfrmPadrao::sbtProcurarClick()
{
    Procura(&activeSet(dtsPadrao), dbgPadrao);
}

void TfrmPadrao::sbtVerificarClick() {}

void TfrmPadrao::sbtImprimirClick() {}

void TfrmPadrao::sbtConfirmarClick()
{
    activeSet(dtsPadrao).post();
}

void TfrmPadrao::sbtCancelarClick()
{
    data::ClientDataSet &ds = activeSet(dtsPadrao);
    if (ShowMsg(msgMensagensPadroes.msg(QStringLiteral("Canc")), mtConfirmation, mbYesNo) == mrYes)
        ds.cancel();
}

void TfrmPadrao::dtsPadraoStateChange()
{
    const DataSetState s = dtsPadrao->state();
    data::ClientDataSet *ds = dtsPadrao->dataSet();
    const bool browse = s == DataSetState::Browse;
    const bool filled = browse && ds && !ds->isEmpty();
    const bool editing = s == DataSetState::Edit || s == DataSetState::Insert;
    sbtIncluir->setEnabled(browse);
    sbtAlterar->setEnabled(filled);
    sbtExcluir->setEnabled(filled);
    sbtProcurar->setEnabled(filled);
    sbtVerificar->setEnabled(browse);
    sbtConfirmar->setEnabled(editing);
    sbtCancelar->setEnabled(editing);
}

void TfrmPadrao::pgcPadraoChange() {}

void TfrmPadrao::dbgPadraoColEnter() {}

void TfrmPadrao::dbgPadraoColExit() {}

void TfrmPadrao::dbgPadraoKeyDown(int &key, Qt::KeyboardModifiers modifiers)
{
    if (key == Qt::Key_Delete && (modifiers & Qt::ControlModifier)) {
        key = 0;
        if (sbtExcluir->isEnabled())
            sbtExcluir->trigger();
    } else if (key == Qt::Key_Insert) {
        key = 0;
        if (sbtIncluir->isEnabled())
            sbtIncluir->trigger();
    }
}

} // namespace vnd::widgets
