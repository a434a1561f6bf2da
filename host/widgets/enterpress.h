#pragma once
// Enter on a focused button presses it, as Space does, without making the button the
// window's default: Enter in a list must not confirm a bulk change.

class QAbstractButton;

namespace vnd::widgets
{

void pressOnEnter(QAbstractButton *button);

} // namespace vnd::widgets
