#include "keyboardfixture.h"

#include "pricetable/tabgeralstate.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTabBar>
#include <QTest>

namespace vnd::keyboard::test
{

void KeyboardFixture::SetUp()
{
    OpenFormFixture::SetUp();
    if (HasFatalFailure())
        return;
    pricetable::frmTabGeral = &win();
    clearCalls();
}

void KeyboardFixture::TearDown()
{
    for (const QPointer<QWidget> &tool : m_tools)
        if (tool) {
            tool->close();
            QApplication::processEvents();
            delete tool.data();
        }
    pricetable::frmTabGeral = nullptr;
    FormFixture::TearDown();
}

void KeyboardFixture::showTool(QWidget *tool)
{
    ASSERT_TRUE(tool);
    m_tools.append(tool);
    tool->show();
    tool->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(tool));
}

bool KeyboardFixture::activate(QWidget *window)
{
    window->activateWindow();
    for (int i = 0; i < 200; ++i) {
        QWidget *focus = QApplication::focusWidget();
        if (focus && (focus == window || window->isAncestorOf(focus)))
            return true;
        QTest::qWait(10);
    }
    return false;
}

void KeyboardFixture::key(int key, Qt::KeyboardModifiers modifiers)
{
    QWidget *w = QApplication::focusWidget();
    ASSERT_TRUE(w) << "nothing has the focus";
    QTest::keyClick(w, Qt::Key(key), modifiers);
    QApplication::processEvents();
}

void KeyboardFixture::typeText(const QString &text)
{
    for (QChar c : text) {
        QWidget *w = QApplication::focusWidget();
        ASSERT_TRUE(w) << "nothing has the focus";
        if (c.unicode() < 128)
            QTest::keyClicks(w, QString(c));
        else
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    QApplication::processEvents();
}

QString KeyboardFixture::nameOf(const QWidget *w)
{
    if (!w)
        return QStringLiteral("(nothing)");
    if (qobject_cast<const QTabBar *>(w) && w->parentWidget())
        return w->parentWidget()->objectName() + QStringLiteral(" (abas)");
    if (!w->objectName().isEmpty())
        return w->objectName();
    if (auto *b = qobject_cast<const QAbstractButton *>(w))
        return b->text().remove(u'&');
    return QString::fromLatin1(w->metaObject()->className());
}

QStringList KeyboardFixture::tabChain(QWidget *first, int limit)
{
    first->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    QStringList chain{nameOf(QApplication::focusWidget())};
    for (int i = 0; i < limit; ++i) {
        key(Qt::Key_Tab);
        QWidget *now = QApplication::focusWidget();
        if (now == first)
            break;
        // A grid takes the key column by column before letting it go: once for the test.
        if (nameOf(now) != chain.last())
            chain << nameOf(now);
    }
    return chain;
}

} // namespace vnd::keyboard::test
