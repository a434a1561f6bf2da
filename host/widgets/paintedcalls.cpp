#include "host/widgets/paintedcalls.h"

#include "host/net/netconnection.h"
#include "host/widgets/busyanimation.h"
#include "host/widgets/waitcursor.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <optional>
#include <thread>

namespace vnd::widgets
{

namespace
{

// Long enough that a quick check does not flash the animation over the window.
constexpr int kGlanceMs = 150;

int g_callsUnderWay = 0;

class InputSwallower final : public QObject
{
public:
    InputSwallower() { qApp->installEventFilter(this); }
    ~InputSwallower() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Taken here, so that no shortcut fires; the key itself is swallowed next.
            event->accept();
            return true;
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
            return true;
        case QEvent::Close:
            // The window manager's close button: the window stays until the answer is in.
            if (event->spontaneous()) {
                event->ignore();
                return true;
            }
            return false;
        default:
            return false;
        }
    }
};

void waitPainted(const std::function<void()> &exchange)
{
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread()) {
        exchange();
        return;
    }
    struct UnderWay {
        UnderWay() { ++g_callsUnderWay; }
        ~UnderWay() { --g_callsUnderWay; }
    } underWay;
    InputSwallower swallower;
    HourglassCursor hourglass;
    raiseBusyAnimation();

    QEventLoop loop;
    std::optional<BusyAnimation> standard;
    QTimer glance;
    glance.setSingleShot(true);
    QObject::connect(&glance, &QTimer::timeout, &loop, [&standard] {
        if (!busyAnimationActive())
            standard.emplace(6);
    });
    glance.start(kGlanceMs);
    std::thread worker([&exchange, &loop] {
        exchange();
        QMetaObject::invokeMethod(
            &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
}

} // namespace

void keepWindowsPaintedDuringCalls()
{
    static const bool installed = [] {
        net::TNetConnection::setCallWaiter(waitPainted);
        return true;
    }();
    (void)installed;
}

bool serverCallInProgress()
{
    return g_callsUnderWay > 0;
}

} // namespace vnd::widgets
