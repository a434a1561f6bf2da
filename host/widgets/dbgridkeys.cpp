// Keys and clicks of the data-aware grid: moving between columns and rows as the legacy grid
// did, the cell editors' own keys, the cell lookup, the cell button and the title clicks.
#include "host/widgets/dbgrid.h"
#include "host/widgets/lookupkey.h"

#include "host/services/ui.h"
#include "host/widgets/dbgriddelegate.h"
#include "host/widgets/dbgridmodel.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolTip>

namespace vnd::widgets
{

using data::ClientDataSet;
using data::DataSetState;

void TDBGrid::moveColumn(int delta)
{
    const QModelIndex cur = currentIndex();
    if (!cur.isValid())
        return;
    int col = cur.column() + delta;
    int row = cur.row();
    if (col >= m_model->columnCount()) {
        col = 0;
        ++row;
    } else if (col < 0) {
        col = m_model->columnCount() - 1;
        --row;
    }
    if (row < 0 || row >= m_model->rowCount())
        return;
    setCurrentIndex(m_model->index(row, col));
}

void TDBGrid::tabColumn(int delta)
{
    // Within the row only: past its last (or before its first) column the key leaves the
    // grid, as Ctrl+Tab leaves Qt's views; it never wraps into another record.
    const QModelIndex cur = currentIndex();
    const int col = cur.isValid() ? cur.column() + delta : -1;
    if (!hasOption(dgTabs) || col < 0 || col >= m_model->columnCount()) {
        // The widget's own: the view's would hand the key back to the grid.
        QWidget::focusNextPrevChild(delta > 0);
        return;
    }
    moveColumn(delta);
}

void TDBGrid::openCellLookup(QKeyEvent *event)
{
    const int ci = SelectedIndex();
    if (ci < 0)
        return;
    if (m_columns[ci].buttonStyle == ColumnButtonStyle::Ellipsis)
        fireEditButton();
    else if (!m_columns[ci].pickList.isEmpty())
        edit(currentIndex(), AllEditTriggers, event);
}

void TDBGrid::fireEditButton()
{
    if (onEditButtonClick)
        guarded(onEditButtonClick);
}

bool TDBGrid::viewportEvent(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QTableView::viewportEvent(event);
    const QPoint at = static_cast<QHelpEvent *>(event)->pos();
    const QModelIndex index = indexAt(at);
    const QString text = index.isValid() ? index.data(Qt::DisplayRole).toString() : QString();
    const QRect cell = visualRect(index);
    // The margins the cell painting leaves on each side.
    if (!text.isEmpty() && viewport()->fontMetrics().horizontalAdvance(text) > cell.width() - 6)
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), text, viewport(), cell);
    else
        QToolTip::hideText();
    return true;
}

void TDBGrid::keyPressEvent(QKeyEvent *event)
{
    int key = event->key();
    if (onKeyDown && !guarded([&] { onKeyDown(key, event->modifiers()); }))
        return;
    if (key == 0)
        return;
    ClientDataSet *ds = dataSet();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const bool editing =
        ds && (ds->state() == DataSetState::Edit || ds->state() == DataSetState::Insert);

    if (key == Qt::Key_Delete && ctrl) {
        if (!ds || !ds->isActive() || ds->isEmpty() || m_readOnly)
            return;
        guarded([&] {
            if (hasOption(dgConfirmDelete) &&
                ShowMsg(QStringLiteral("Excluir o registro?"), mtConfirmation, mbYesNo) != mrYes)
                return;
            ds->remove();
        });
        return;
    }
    if (key == Qt::Key_Escape) {
        if (editing)
            guarded([ds] { ds->cancel(); });
        return;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && ctrl) {
        const int ci = SelectedIndex();
        if (ci >= 0 && m_columns[ci].buttonStyle == ColumnButtonStyle::Ellipsis)
            fireEditButton();
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        // In browse Enter only moves on: it never starts an edit.
        if (editing && currentIndex().column() == m_model->columnCount() - 1)
            guarded([ds] { ds->post(); });
        else
            moveColumn(1);
        return;
    }
    if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) && !ctrl) {
        tabColumn(key == Qt::Key_Backtab || (event->modifiers() & Qt::ShiftModifier) ? -1 : 1);
        return;
    }
    if (key == kLookupKey && event->modifiers() == Qt::NoModifier) {
        openCellLookup(event);
        return;
    }
    if (key == Qt::Key_Down && ds && ds->isActive() &&
        (ds->isEmpty() || currentIndex().row() == m_model->rowCount() - 1)) {
        if (allowAppend && hasOption(dgEditing) && !m_readOnly &&
            ds->state() != DataSetState::Insert)
            guarded([ds] { ds->append(); });
        return;
    }
    if (key == Qt::Key_F2) {
        edit(currentIndex(), EditKeyPressed, event);
        return;
    }
    const QString text = event->text();
    if (!text.isEmpty() && text[0].isPrint() && !ctrl) {
        QChar ch = text[0];
        if (onKeyPress && !guarded([&] { onKeyPress(ch); }))
            return;
        if (ch.isNull())
            return;
        // The key reaches the new editor already filtered: its handlers must not see it twice.
        QKeyEvent typed(QEvent::KeyPress, key, event->modifiers(), QString(ch));
        m_rewritingKey = true;
        edit(currentIndex(), AnyKeyPressed, &typed);
        m_rewritingKey = false;
        return;
    }
    if (key != event->key()) {
        QKeyEvent changed(QEvent::KeyPress, key, event->modifiers(), event->text());
        QTableView::keyPressEvent(&changed);
        return;
    }
    QTableView::keyPressEvent(event);
}

bool TDBGrid::handleEditorKey(QWidget *editor, QKeyEvent *event)
{
    if (m_rewritingKey)
        return false;
    int key = event->key();
    if (onKeyDown && !guarded([&] { onKeyDown(key, event->modifiers()); }))
        return true;
    if (key == 0)
        return true;
    ClientDataSet *ds = dataSet();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (key) {
    case Qt::Key_Escape:
        closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
        if (ds && (ds->state() == DataSetState::Edit || ds->state() == DataSetState::Insert))
            guarded([ds] { ds->cancel(); });
        setFocus();
        return true;
    case kLookupKey:
        if (event->modifiers() != Qt::NoModifier)
            break;
        fireEditButton();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (ctrl) {
            fireEditButton();
            return true;
        }
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
        setFocus();
        if (ds && (ds->state() == DataSetState::Edit || ds->state() == DataSetState::Insert) &&
            currentIndex().column() == m_model->columnCount() - 1)
            guarded([ds] { ds->post(); });
        else
            moveColumn(1);
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Up:
    case Qt::Key_Down: {
        if (key == Qt::Key_Down && (event->modifiers() & Qt::AltModifier))
            return false; // opens a drop-down list
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
        setFocus();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            tabColumn(key == Qt::Key_Backtab ? -1 : 1);
        } else {
            QKeyEvent again(QEvent::KeyPress, key, Qt::NoModifier);
            keyPressEvent(&again);
        }
        return true;
    }
    default:
        break;
    }
    if (key != event->key()) {
        m_rewritingKey = true;
        QKeyEvent changed(QEvent::KeyPress, key, event->modifiers(), event->text());
        QCoreApplication::sendEvent(editor, &changed);
        m_rewritingKey = false;
        return true;
    }
    const QString text = event->text();
    if (!text.isEmpty() && text[0].isPrint() && !ctrl && onKeyPress) {
        QChar ch = text[0];
        if (!guarded([&] { onKeyPress(ch); }) || ch.isNull())
            return true;
        if (ch != text[0]) {
            m_rewritingKey = true;
            QKeyEvent changed(QEvent::KeyPress, key, event->modifiers(), QString(ch));
            QCoreApplication::sendEvent(editor, &changed);
            m_rewritingKey = false;
            return true;
        }
    }
    return false;
}

void TDBGrid::mousePressEvent(QMouseEvent *event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && index == currentIndex() && event->button() == Qt::LeftButton) {
        const int ci = m_model->columnIndexOf(index.column());
        const QRect button = Internal::DBGridDelegate::buttonRect(visualRect(index));
        if (ci >= 0 && button.contains(event->position().toPoint())) {
            if (m_columns[ci].buttonStyle == ColumnButtonStyle::Ellipsis) {
                m_buttonPressed = true; // the release is no cell click
                fireEditButton();
                return;
            }
            if (!m_columns[ci].pickList.isEmpty()) {
                edit(index, AllEditTriggers, event);
                return;
            }
        }
    }
    QTableView::mousePressEvent(event);
}

void TDBGrid::mouseReleaseEvent(QMouseEvent *event)
{
    QTableView::mouseReleaseEvent(event);
    if (std::exchange(m_buttonPressed, false))
        return;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && index == currentIndex() && onCellClick &&
        event->button() == Qt::LeftButton) {
        const int ci = m_model->columnIndexOf(index.column());
        if (ci >= 0)
            guarded([&] { onCellClick(m_columns[ci]); });
    }
}

void TDBGrid::titleClicked(int columnIndex)
{
    if (onTitleClick)
        guarded([&] { onTitleClick(m_columns[columnIndex]); });
}

bool TDBGrid::inside(const QWidget *w) const
{
    return w && (w == this || isAncestorOf(w));
}

void TDBGrid::onFocusChanged(QWidget *old, QWidget *now)
{
    // Focus going to or coming from another window (a dialog) is no enter or exit.
    const bool nowIn = inside(now), oldIn = inside(old);
    if (nowIn && !oldIn && (!old || old->window() == window())) {
        if (onEnter)
            guarded(onEnter);
    } else if (oldIn && !nowIn && now && now->window() == window()) {
        ClientDataSet *ds = dataSet();
        if (hasOption(dgCancelOnExit) && ds && ds->state() == DataSetState::Insert &&
            !m_touchedSinceInsert)
            guarded([ds] { ds->cancel(); });
        if (onExit)
            guarded(onExit);
    }
}

} // namespace vnd::widgets
