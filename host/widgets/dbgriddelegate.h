#pragma once
// Paints the cells of a data-aware grid (default look or the window's draw-cell handler) and
// makes its cell editors: masked line edit, drop-down list, line edit with an ellipsis.

#include <QStyledItemDelegate>

namespace vnd::widgets
{
class TDBGrid;
}

namespace vnd::widgets::Internal
{

class DBGridDelegate final : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit DBGridDelegate(TDBGrid *grid);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

    // The small button drawn in the current cell of an ellipsis or pick-list column.
    static QRect buttonRect(const QRect &cell);

protected:
    bool eventFilter(QObject *object, QEvent *event) override;

private:
    TDBGrid *m_grid;
};

} // namespace vnd::widgets::Internal
