#include "host/widgets/enterpress.h"

#include <QAbstractButton>
#include <QEvent>
#include <QKeyEvent>

namespace vnd::widgets
{

namespace
{

class EnterPress final : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
            (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        auto *button = qobject_cast<QAbstractButton *>(watched);
        if (!button || !button->isEnabled())
            return false;
        button->click();
        return true;
    }
};

} // namespace

void pressOnEnter(QAbstractButton *button)
{
    button->installEventFilter(new EnterPress(button));
}

} // namespace vnd::widgets
