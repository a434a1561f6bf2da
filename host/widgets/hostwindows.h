#pragma once
// Where the host's windows live: the application's main window (busy overlay, dialog parent)
// and its MDI area (document windows). The shell registers both; tests may leave them unset,
// and document windows then show as top-level windows.

#include <QWidget>

class QMdiArea;

namespace vnd::widgets
{

void setMainWindow(QWidget *window);
QWidget *mainWindow(); // nullptr when none

void setMdiArea(QMdiArea *area);
QMdiArea *mdiArea();

// The window dialogs should be parented to: the active window, else the main window.
QWidget *dialogParent();

} // namespace vnd::widgets
