#pragma once
// The busy animation shown over the main window while the user-interface thread waits on the
// server. Each kind has its caption; an optional text replaces it. ActiveShowAvi while one is shown
// replaces it; DeactiveShowAvi ends it. Prefer the BusyAnimation guard: it ends the animation on
// every path.

#include <QString>

class QWidget;

namespace vnd::widgets
{

// The kinds keep the numbers callers of ActiveShowAvi have always passed.
enum BusyKind : int { BusyLoading = 0, BusyProcessing = 1, BusyServer = 6 };

// window: the module's window asking (may be null). The animation is drawn over the window
// in front: the modal window shown (a tool window), else the main window when one is
// registered, else the asking window. Past two seconds it shows the time gone by.
void ActiveShowAvi(QWidget *window, int kind, const QString &text = {});
void DeactiveShowAvi();
// Moves the animation shown onto the window now in front (the asking window may have been
// closed meanwhile) and above its other children. Every server call does this first.
void raiseBusyAnimation();

bool busyAnimationActive();
int busyAnimationKind();        // -1 when none
QString busyAnimationText();    // the caption shown
QWidget *busyAnimationWidget(); // the overlay drawn, while it is shown

// Shows the animation for its lifetime; on destruction puts back what was shown before it
// (nothing, or an outer guard's animation), so guards nest.
class BusyAnimation
{
public:
    explicit BusyAnimation(int kind = BusyServer, const QString &text = {},
                           QWidget *window = nullptr);
    ~BusyAnimation();
    BusyAnimation(const BusyAnimation &) = delete;
    BusyAnimation &operator=(const BusyAnimation &) = delete;

private:
    bool m_wasActive;
    int m_previousKind;
    QString m_previousText;
    QWidget *m_window;
};

} // namespace vnd::widgets
