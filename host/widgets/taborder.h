#pragma once
// The tab key in reading order: top to bottom, then left to right, group by group, as the
// window's layouts place its controls (a box layout in its direction, a grid row by row, a
// splitter and a page control in their order). A control of a group is never reached
// between two controls of another group beside it. The host's windows answer the tab key
// from this order at each press, so controls enabled, shown or chosen since (a radio
// group's chosen item) are taken as they are then.

#include <QList>

class QWidget;

namespace vnd::widgets
{

// The controls the tab key may stop at under root, in reading order (shown or not).
QList<QWidget *> readingOrder(QWidget *root);

// The control the tab key (forward) or Shift+Tab goes to from `from`: the next one in reading
// order that is shown, enabled and takes the tab key now, round the ends; nullptr when none.
QWidget *nextInReadingOrder(QWidget *root, QWidget *from, bool forward);

// A window's answer to the tab key: the focus moves to the next (or previous) control in
// reading order; false when there is none to move to.
bool tabInReadingOrder(QWidget *root, bool forward);

} // namespace vnd::widgets
