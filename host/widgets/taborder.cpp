#include "host/widgets/taborder.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QBoxLayout>
#include <QGridLayout>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QWidget>

#include <algorithm>

namespace vnd::widgets
{

namespace
{

bool isStop(const QWidget *w)
{
    if (w->focusProxy())
        return false;
    // A radio button of a group takes the tab key only while it is the chosen one: its place
    // in the chain is kept all the same.
    if (qobject_cast<const QAbstractButton *>(w) && (w->focusPolicy() & Qt::ClickFocus))
        return true;
    return w->focusPolicy() & Qt::TabFocus;
}

void collect(QWidget *w, QList<QWidget *> &out);

// The widgets a layout holds, in its reading order, nested layouts included.
void layoutOrder(QLayout *layout, QList<QWidget *> &widgets)
{
    QList<QLayoutItem *> items;
    if (auto *grid = qobject_cast<QGridLayout *>(layout)) {
        struct Placed {
            int row, column;
            QLayoutItem *item;
        };
        QList<Placed> placed;
        for (int i = 0; i < grid->count(); ++i) {
            int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
            grid->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
            placed.append({row, column, grid->itemAt(i)});
        }
        std::stable_sort(placed.begin(), placed.end(), [](const Placed &a, const Placed &b) {
            return a.row != b.row ? a.row < b.row : a.column < b.column;
        });
        for (const Placed &p : placed)
            items.append(p.item);
    } else {
        for (int i = 0; i < layout->count(); ++i)
            items.append(layout->itemAt(i));
        if (auto *box = qobject_cast<QBoxLayout *>(layout);
            box && (box->direction() == QBoxLayout::RightToLeft ||
                    box->direction() == QBoxLayout::BottomToTop))
            std::reverse(items.begin(), items.end());
    }
    for (QLayoutItem *item : items) {
        if (QWidget *w = item->widget())
            widgets.append(w);
        else if (QLayout *inner = item->layout())
            layoutOrder(inner, widgets);
    }
}

// The direct children of w in reading order: as its layout (or its kind of container) puts
// them, then any left out by position.
QList<QWidget *> childrenInOrder(QWidget *w)
{
    QList<QWidget *> ordered;
    if (auto *tabs = qobject_cast<QTabWidget *>(w)) {
        ordered.append(tabs->tabBar());
        for (int i = 0; i < tabs->count(); ++i)
            ordered.append(tabs->widget(i));
        return ordered;
    }
    if (auto *split = qobject_cast<QSplitter *>(w)) {
        for (int i = 0; i < split->count(); ++i)
            ordered.append(split->widget(i));
        return ordered;
    }
    if (auto *stack = qobject_cast<QStackedWidget *>(w)) {
        for (int i = 0; i < stack->count(); ++i)
            ordered.append(stack->widget(i));
        return ordered;
    }
    if (QLayout *layout = w->layout()) {
        layoutOrder(layout, ordered);
        if (QWidget *menu = layout->menuBar())
            ordered.prepend(menu);
    }
    QList<QWidget *> rest;
    for (QObject *o : w->children())
        if (auto *c = qobject_cast<QWidget *>(o); c && !c->isWindow() && !ordered.contains(c))
            rest.append(c);
    std::stable_sort(rest.begin(), rest.end(), [](const QWidget *a, const QWidget *b) {
        return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x();
    });
    // Only the children of w itself: a layout may hold a grandchild placed for another.
    ordered.removeIf([w](const QWidget *c) { return c->parentWidget() != w; });
    return ordered + rest;
}

void collect(QWidget *w, QList<QWidget *> &out)
{
    for (QWidget *c : childrenInOrder(w)) {
        if (isStop(c))
            out.append(c);
        // A scrolling view is one stop; its viewport and bars are its own affair.
        if (!qobject_cast<QAbstractScrollArea *>(c) && !isStop(c))
            collect(c, out);
    }
}

} // namespace

QList<QWidget *> readingOrder(QWidget *root)
{
    QList<QWidget *> out;
    collect(root, out);
    return out;
}

QWidget *nextInReadingOrder(QWidget *root, QWidget *from, bool forward)
{
    const QList<QWidget *> order = readingOrder(root);
    const qsizetype n = order.size();
    // Where the focus is: the control itself, or the control holding it (a cell editor).
    qsizetype at = -1;
    for (QWidget *w = from; w && at < 0 && w != root; w = w->parentWidget())
        at = order.indexOf(w);
    for (qsizetype step = 1; step <= n; ++step) {
        const qsizetype i = at < 0 ? (forward ? step - 1 : n - step)
                                   : ((at + (forward ? step : -step)) % n + n) % n;
        QWidget *w = order.at(i);
        if (w->isVisibleTo(root) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus))
            return w;
    }
    return nullptr;
}

bool tabInReadingOrder(QWidget *root, bool forward)
{
    QWidget *to = nextInReadingOrder(root, QApplication::focusWidget(), forward);
    if (!to)
        return false;
    to->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

} // namespace vnd::widgets
