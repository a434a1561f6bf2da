#pragma once
// TEdit: a line edit with the host's enter/exit/change hooks, each run inside the handler
// guard. Exit runs when the focus moves to another control of the same window (not when a
// dialog or another window takes it), as the host's controls do.

#include <QLineEdit>

#include <functional>

namespace vnd::widgets
{

class TEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TEdit(QWidget *parent = nullptr);

    std::function<void()> onEnter;
    std::function<void()> onExit;
    std::function<void()> onChange; // any change of the text, typed or set

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
};

} // namespace vnd::widgets
