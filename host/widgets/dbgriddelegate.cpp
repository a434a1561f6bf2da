#include "host/widgets/dbgriddelegate.h"
#include "host/widgets/lookupkey.h"

#include "host/widgets/dbgrid.h"
#include "host/widgets/dbgridmodel.h"
#include "host/widgets/editmask.h"
#include "host/widgets/syscolors.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QTimer>

namespace vnd::widgets::Internal
{

using data::FieldType;

DBGridDelegate::DBGridDelegate(TDBGrid *grid) : QStyledItemDelegate(grid), m_grid(grid) {}

QRect DBGridDelegate::buttonRect(const QRect &cell)
{
    const int w = std::min(16, cell.width() / 2);
    return QRect(cell.right() - w, cell.top() + 1, w, cell.height() - 2);
}

void DBGridDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                           const QModelIndex &index) const
{
    m_grid->paintCell(painter, option, index);
}

QWidget *DBGridDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                      const QModelIndex &index) const
{
    const int ci = m_grid->m_model->columnIndexOf(index.column());
    if (ci < 0)
        return nullptr;
    const TColumn &c = m_grid->m_columns[ci];
    if (!c.pickList.isEmpty()) {
        auto *combo = new QComboBox(parent);
        combo->addItems(c.pickList);
        combo->setFrame(false);
        // Picking a value is the edit: store it at once, as the host grid does.
        connect(combo, &QComboBox::activated, this,
                [this, combo] { emit const_cast<DBGridDelegate *>(this)->commitData(combo); });
        return combo;
    }
    auto *edit = new QLineEdit(parent);
    edit->setFrame(false);
    // An editor opened without typing (F2, a double click) puts the record into edit with
    // the first change the user makes, not before.
    connect(edit, &QLineEdit::textEdited, m_grid, [g = m_grid] { g->ensureEditState(); });
    if (c.field) {
        const QString mask = c.field->editMask;
        if (!mask.isEmpty())
            edit->setInputMask(toQtInputMask(mask));
        else if ((c.field->dataType() == FieldType::String ||
                  c.field->dataType() == FieldType::FixedString) &&
                 c.field->size() > 0)
            edit->setMaxLength(c.field->size());
        if (c.field->dataType() == FieldType::Integer || c.field->dataType() == FieldType::Float)
            edit->setAlignment(Qt::AlignRight);
    }
    if (c.buttonStyle == ColumnButtonStyle::Ellipsis) {
        QAction *more = edit->addAction(QIcon(), QLineEdit::TrailingPosition);
        more->setText(QStringLiteral("…"));
        more->setToolTip(withLookupKey(QStringLiteral("Pesquisar")));
        connect(more, &QAction::triggered, m_grid, [g = m_grid] { g->fireEditButton(); });
    }
    return edit;
}

void DBGridDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    const QString text = index.data(Qt::EditRole).toString();
    if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        combo->setCurrentIndex(combo->findText(text));
        return;
    }
    auto *edit = qobject_cast<QLineEdit *>(editor);
    // The record going into edit repaints its row; what the user is typing stays.
    if (!edit || edit->isModified())
        return;
    const int ci = m_grid->m_model->columnIndexOf(index.column());
    const data::Field *field = ci >= 0 ? m_grid->m_columns[ci].field : nullptr;
    edit->setText(field && !field->editMask.isEmpty() ? formatMaskText(field->editMask, text)
                                                      : text);
    edit->selectAll();
}

void DBGridDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                  const QModelIndex &index) const
{
    QString text;
    if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        if (combo->currentIndex() < 0)
            return;
        text = combo->currentText();
    } else if (auto *edit = qobject_cast<QLineEdit *>(editor)) {
        const int ci = m_grid->m_model->columnIndexOf(index.column());
        const data::Field *field = ci >= 0 ? m_grid->m_columns[ci].field : nullptr;
        text = field && !field->editMask.isEmpty()
                   ? maskedToStored(field->editMask, edit->displayText())
                   : edit->text();
        if (!edit->isModified() && text == index.data(Qt::EditRole).toString())
            return;
    } else {
        return;
    }
    if (model->setData(index, text, Qt::EditRole))
        m_grid->m_touchedSinceInsert = true;
    else
        m_grid->m_commitFailed = true;
}

void DBGridDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                          const QModelIndex &) const
{
    editor->setGeometry(option.rect);
}

bool DBGridDelegate::eventFilter(QObject *object, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *editor = qobject_cast<QWidget *>(object);
        if (editor && m_grid->handleEditorKey(editor, static_cast<QKeyEvent *>(event)))
            return true;
    }
    if (event->type() == QEvent::FocusOut) {
        // A drop-down list or a dialog of the ellipsis takes the focus for a moment; the
        // editor stays open for it.
        if (QApplication::activePopupWidget() || QApplication::activeModalWidget())
            return false;
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

} // namespace vnd::widgets::Internal
