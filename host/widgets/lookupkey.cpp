#include "host/widgets/lookupkey.h"

#include <QAbstractButton>
#include <QAction>
#include <QKeyEvent>
#include <QKeySequence>
#include <QPointer>
#include <QWidget>

#include <functional>

namespace vnd::widgets
{

namespace
{

class LookupKeyFilter final : public QObject
{
public:
    LookupKeyFilter(QWidget *field, std::function<bool()> open)
        : QObject(field), m_open(std::move(open))
    {
        field->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != kLookupKey || key->modifiers() != Qt::NoModifier)
            return false;
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept(); // the field's, not a shortcut's
            return true;
        }
        m_open();
        return true;
    }

private:
    std::function<bool()> m_open;
};

QString keyName()
{
    return QKeySequence(kLookupKey).toString(QKeySequence::NativeText);
}

} // namespace

QString withLookupKey(const QString &tip)
{
    const QString suffix = QStringLiteral(" (%1)").arg(keyName());
    return tip.endsWith(suffix) ? tip : tip + suffix;
}

void bindLookupKey(QWidget *field, QAbstractButton *button)
{
    button->setToolTip(withLookupKey(button->toolTip()));
    new LookupKeyFilter(field, [b = QPointer<QAbstractButton>(button)] {
        if (!b || !b->isEnabled())
            return false;
        b->click();
        return true;
    });
}

void bindLookupKey(QWidget *field, QAction *action)
{
    action->setToolTip(withLookupKey(action->toolTip()));
    new LookupKeyFilter(field, [a = QPointer<QAction>(action)] {
        if (!a || !a->isEnabled())
            return false;
        a->trigger();
        return true;
    });
}

} // namespace vnd::widgets
