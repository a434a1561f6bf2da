#include "host/shell/mainwindow.h"

#include "host/net/clientsession.h"
#include "host/shell/moduleloader.h"
#include "host/widgets/hosticons.h"
#include "host/widgets/hostwindows.h"
#include "host/widgets/signindialog.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

namespace vnd::shell
{

namespace
{
const QSize kPreferred(1180, 760);
}

using widgets::Glyph;
using widgets::hostIcon;

MainWindow::MainWindow(const ModuleLoader &module, QWidget *parent)
    : QMainWindow(parent), m_module(module), m_mdi(new QMdiArea(this)), m_server(new QLabel(this)),
      m_database(new QLabel(this)), m_user(new QLabel(this))
{
    setWindowTitle(QGuiApplication::applicationDisplayName());
    setWindowIcon(hostIcon(Glyph::Modulo));
    m_mdi->setBackground(QColor(74, 98, 128));
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    m_user->setObjectName(QStringLiteral("lblUsuario"));
    statusBar()->addPermanentWidget(m_user);
    statusBar()->addPermanentWidget(m_server);
    statusBar()->addPermanentWidget(m_database);
    buildMenus();
    connect(&net::ClientSession::instance(), &net::ClientSession::changed, this,
            &MainWindow::showSession);
    showSession();
    widgets::setMainWindow(this);
    widgets::setMdiArea(m_mdi);
    resize(kPreferred);
}

void MainWindow::showFitted()
{
    // The frame is the window manager's and unknown before showing: allow for a title bar and
    // borders.
    const QSize frame(16, 40);
    const QRect screen = this->screen()->availableGeometry();
    if (kPreferred.width() + frame.width() > screen.width() ||
        kPreferred.height() + frame.height() > screen.height()) {
        showMaximized();
        return;
    }
    resize(kPreferred);
    move(screen.center() - QPoint((kPreferred.width() + frame.width()) / 2,
                                  (kPreferred.height() + frame.height()) / 2));
    show();
}

MainWindow::~MainWindow()
{
    widgets::setMdiArea(nullptr);
    widgets::setMainWindow(nullptr);
}

void MainWindow::buildMenus()
{
    QMenu *arquivo = menuBar()->addMenu(QStringLiteral("&Arquivo"));
    QAction *trocar = arquivo->addAction(QStringLiteral("&Trocar usuário"));
    trocar->setObjectName(QStringLiteral("actTrocarUsuario"));
    connect(trocar, &QAction::triggered, this, &MainWindow::switchUser);
    arquivo->addSeparator();
    QAction *sair = arquivo->addAction(QStringLiteral("&Sair"));
    sair->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    connect(sair, &QAction::triggered, this, &QWidget::close);

    QMenu *precos = menuBar()->addMenu(QStringLiteral("&Preços"));
    QToolBar *bar = addToolBar(QStringLiteral("Módulos"));
    bar->setObjectName(QStringLiteral("tbrModulos"));
    bar->setMovable(false);
    bar->setIconSize(QSize(24, 24));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    const Glyph glyphs[] = {Glyph::Modulo, Glyph::Exportar, Glyph::Promocao,
                            Glyph::PrecoDiferenciado};
    int i = 0;
    for (const ModuleFunction &f : moduleFunctions()) {
        if (f.caption.isEmpty())
            continue;
        QAction *a = precos->addAction(hostIcon(glyphs[i++ % 4]), f.caption);
        a->setObjectName(QString::fromLatin1(f.symbol));
        m_moduleActions << a;
        const QString symbol = QString::fromLatin1(f.symbol);
        connect(a, &QAction::triggered, this, [this, symbol] { m_module.run(symbol); });
        if (m_module.isLoaded() && !m_module.resolve(symbol))
            a->setToolTip(QStringLiteral("Função %1 ausente no módulo").arg(symbol));
        if (i == 1) {
            bar->addAction(a);
            precos->addSeparator();
        }
    }

    QMenu *janela = menuBar()->addMenu(QStringLiteral("&Janela"));
    connect(janela->addAction(QStringLiteral("&Cascata")), &QAction::triggered, m_mdi,
            &QMdiArea::cascadeSubWindows);
    connect(janela->addAction(QStringLiteral("&Lado a lado")), &QAction::triggered, m_mdi,
            &QMdiArea::tileSubWindows);
    connect(janela->addAction(QStringLiteral("&Fechar todas")), &QAction::triggered, m_mdi,
            &QMdiArea::closeAllSubWindows);

    QMenu *ajuda = menuBar()->addMenu(QStringLiteral("Aj&uda"));
    connect(ajuda->addAction(QStringLiteral("&Sobre")), &QAction::triggered, this, [this] {
        QMessageBox::about(
            this, QStringLiteral("Sobre"),
            QStringLiteral("<b>Retaguarda – Vendas</b><br>Módulo de tabelas de "
                           "preços gerais (VND42700).<br>Módulo: %1")
                .arg(m_module.isLoaded() ? m_module.path() : QStringLiteral("não carregado")));
    });
}

namespace
{
void paintStatus(QLabel *label, const QString &text, bool ok)
{
    label->setText(text);
    label->setStyleSheet(ok ? QStringLiteral("QLabel { color: #1d5e2c; padding: 0 8px; }")
                            : QStringLiteral("QLabel { color: #b02a1e; padding: 0 8px; }"));
}
} // namespace

void MainWindow::showSession()
{
    const net::ClientSession &session = net::ClientSession::instance();
    const std::optional<data::Role> role = session.role();
    if (role)
        paintStatus(
            m_user,
            QStringLiteral("Usuário: %1 (%2)").arg(session.name(), data::roleCaption(*role)), true);
    else
        paintStatus(m_user, QStringLiteral("Usuário: nenhum"), false);
    for (QAction *a : std::as_const(m_moduleActions))
        a->setEnabled(offeredToUser(a->objectName()));
}

void MainWindow::switchUser()
{
    for (QMdiSubWindow *sub : m_mdi->subWindowList())
        if (!sub->close())
            return;
    widgets::askSignIn(this, net::ClientSession::instance().login());
}

void MainWindow::setServerStatus(const QString &text, bool ok)
{
    paintStatus(m_server, text, ok);
}

void MainWindow::setDatabaseStatus(const QString &text, bool ok)
{
    paintStatus(m_database, text, ok);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Document windows close through their own FormClose, and may refuse. Their frames are
    // released later (deleteLater), so a refusal is told by close()'s answer, not by the
    // list of windows still present.
    for (QMdiSubWindow *sub : m_mdi->subWindowList()) {
        if (!sub->close()) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

} // namespace vnd::shell
