#include "host/widgets/busyanimation.h"

#include "host/widgets/busyoverlay.h"
#include "host/widgets/hostwindows.h"

#include <QPointer>

namespace vnd::widgets
{

namespace
{

struct BusyState {
    bool active = false;
    int kind = -1;
    QString text;
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
    case 0:
        return QStringLiteral("Carregando, aguarde...");
    case 1:
        return QStringLiteral("Processando, aguarde...");
    case 6:
        return QStringLiteral("Comunicando com o servidor, aguarde...");
    default:
        return QStringLiteral("Aguarde...");
    }
}

} // namespace

void ActiveShowAvi(QWidget *window, int kind, const QString &text)
{
    BusyState &s = state();
    s.active = true;
    s.kind = kind;
    s.text = text.isEmpty() ? captionOf(kind) : text;
    QWidget *host = mainWindow() ? mainWindow() : window ? window->window() : nullptr;
    if (!host)
        return;
    if (s.overlay && s.overlay->parentWidget() != host)
        delete s.overlay.data();
    if (!s.overlay)
        s.overlay = new Internal::BusyOverlay(host);
    s.overlay->start(kind, s.text);
}

void DeactiveShowAvi()
{
    BusyState &s = state();
    s.active = false;
    s.kind = -1;
    s.text.clear();
    if (s.overlay)
        s.overlay->stop();
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
