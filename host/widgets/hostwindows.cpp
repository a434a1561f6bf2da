#include "host/widgets/hostwindows.h"

#include <QApplication>
#include <QMdiArea>
#include <QPointer>

namespace vnd::widgets
{

namespace
{
QPointer<QWidget> g_mainWindow;
QPointer<QMdiArea> g_mdiArea;
} // namespace

void setMainWindow(QWidget *window)
{
    g_mainWindow = window;
}

QWidget *mainWindow()
{
    return g_mainWindow.data();
}

void setMdiArea(QMdiArea *area)
{
    g_mdiArea = area;
}

QMdiArea *mdiArea()
{
    return g_mdiArea.data();
}

QWidget *dialogParent()
{
    if (QWidget *w = QApplication::activeWindow())
        return w;
    return g_mainWindow.data();
}

} // namespace vnd::widgets
