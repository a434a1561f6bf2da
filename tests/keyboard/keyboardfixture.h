#pragma once
// Every window of the module driven from the keyboard alone: the price table window over the
// current period of table 001, and any of the three tools over it, against a real server on a
// loopback port over a temporary demo database.

#include "formfixture.h"

#include <QPointer>
#include <QStringList>

namespace vnd::keyboard::test
{

class KeyboardFixture : public pricetable::test::OpenFormFixture
{
public:
    void SetUp() override;
    void TearDown() override;

    // A tool window made and shown as its entry point does, over the price table window.
    template <class Tool> Tool &openTool()
    {
        Tool *tool = widgets::CreateForm<Tool>();
        showTool(tool);
        return *tool;
    }

    // Activates a window, as the window manager does when another one closes, and waits until
    // the focus is inside it; false when it never comes.
    static bool activate(QWidget *window);
    // Presses a key on whatever has the focus.
    static void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Types text into whatever has the focus, one key at a time (accents included).
    static void typeText(const QString &text);
    // The controls the tab key visits from `first` on, round to it (at most `limit`).
    static QStringList tabChain(QWidget *first, int limit = 60);
    // A control as a test names it: its object name, else a button's caption.
    static QString nameOf(const QWidget *w);

private:
    void showTool(QWidget *tool);
    QList<QPointer<QWidget>> m_tools;
};

} // namespace vnd::keyboard::test
