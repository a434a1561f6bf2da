#include "host/widgets/tedit.h"

#include "host/services/ui.h"

#include <QApplication>
#include <QFocusEvent>

namespace vnd::widgets
{

TEdit::TEdit(QWidget *parent) : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (onChange)
            guarded(onChange);
    });
}

void TEdit::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    if (onEnter && event->reason() != Qt::ActiveWindowFocusReason &&
        event->reason() != Qt::PopupFocusReason)
        guarded(onEnter);
}

void TEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    // A modal window's own controls still run their exit; a dialog over them does not.
    QWidget *modal = QApplication::activeModalWidget();
    if (onExit && event->reason() != Qt::ActiveWindowFocusReason &&
        event->reason() != Qt::PopupFocusReason && (!modal || modal == window()))
        guarded(onExit);
}

} // namespace vnd::widgets
