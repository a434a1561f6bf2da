#pragma once
// The one key that opens the lookup of the focused field, in every window: F4, named in the
// lookup's tooltip as the toolbar commands name theirs ("Pesquisar (F4)"). The lookup buttons
// themselves take no focus: the key reaches them from their field.

#include <QString>
#include <Qt>

class QAbstractButton;
class QAction;
class QWidget;

namespace vnd::widgets
{

inline constexpr Qt::Key kLookupKey = Qt::Key_F4;

// "Pesquisar" -> "Pesquisar (F4)".
QString withLookupKey(const QString &tip);

// F4 in the field clicks the button when it is enabled; the button's tooltip names the key.
void bindLookupKey(QWidget *field, QAbstractButton *button);
// The same for an action of the field (the date field's calendar).
void bindLookupKey(QWidget *field, QAction *action);

} // namespace vnd::widgets
