#include "host/widgets/busyanimation.h"

#include "host/widgets/busyoverlay.h"
#include "host/widgets/hostwindows.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>

namespace vnd::widgets
{

namespace
{

struct BusyState {
    bool active = false;
    int kind = -1;
    QString text;
    QPointer<QWidget> asking;
    QElapsedTimer since; // from the moment the animation came on
    QPointer<Internal::BusyOverlay> overlay;
};

BusyState &state()
{
    static BusyState s;
    return s;
}

QString captionOf(int kind)
{
    switch (kind) {
    case BusyLoading:
        return QStringLiteral("Carregando, aguarde...");
    case BusyProcessing:
        return QStringLiteral("Processando, aguarde...");
    case BusyServer:
        return QStringLiteral("Comunicando com o servidor, aguarde...");
    default:
        return QStringLiteral("Aguarde...");
    }
}

// Where the animation is seen: over the modal window in front (a tool window), else over the
// main window, which holds the document windows. Without a main window (a window shown on
// its own): the asking window while it is shown, else the active one.
QWidget *overlayHost(QWidget *asking)
{
    if (QWidget *modal = QApplication::activeModalWidget(); modal && modal->isVisible())
        return modal;
    if (mainWindow())
        return mainWindow();
    QWidget *own = asking ? asking->window() : nullptr;
    if (own && own->isVisible())
        return own;
    if (QWidget *active = QApplication::activeWindow())
        return active;
    return own;
}

void showOverlay()
{
    BusyState &s = state();
    QWidget *host = overlayHost(s.asking);
    if (!host)
        return;
    if (s.overlay && s.overlay->parentWidget() != host)
        delete s.overlay.data();
    if (!s.overlay)
        s.overlay = new Internal::BusyOverlay(host);
    s.overlay->start(s.kind, s.text, s.since);
}

} // namespace

void ActiveShowAvi(QWidget *window, int kind, const QString &text)
{
    BusyState &s = state();
    if (!s.active)
        s.since.start();
    s.active = true;
    s.kind = kind;
    s.text = text.isEmpty() ? captionOf(kind) : text;
    s.asking = window;
    showOverlay();
}

void DeactiveShowAvi()
{
    BusyState &s = state();
    s.active = false;
    s.kind = -1;
    s.text.clear();
    s.asking = nullptr;
    if (s.overlay)
        s.overlay->stop();
}

void raiseBusyAnimation()
{
    BusyState &s = state();
    if (!s.active)
        return;
    if (!s.overlay || s.overlay->parentWidget() != overlayHost(s.asking) || !s.overlay->isVisible())
        showOverlay();
    else
        s.overlay->raise();
}

bool busyAnimationActive()
{
    return state().active;
}

int busyAnimationKind()
{
    return state().kind;
}

QString busyAnimationText()
{
    return state().text;
}

QWidget *busyAnimationWidget()
{
    const BusyState &s = state();
    return s.active && s.overlay && s.overlay->isVisible() ? s.overlay.data() : nullptr;
}

BusyAnimation::BusyAnimation(int kind, const QString &text, QWidget *window)
    : m_wasActive(state().active), m_previousKind(state().kind), m_previousText(state().text),
      m_window(window)
{
    ActiveShowAvi(window, kind, text);
}

BusyAnimation::~BusyAnimation()
{
    if (m_wasActive)
        ActiveShowAvi(m_window, m_previousKind, m_previousText);
    else
        DeactiveShowAvi();
}

} // namespace vnd::widgets
