// Cell painting of the data-aware grid: the default look, then the window's draw-cell
// handler on a canvas, then the cell button of ellipsis and pick-list columns.
#include "host/widgets/dbgrid.h"
#include "host/widgets/dbgriddelegate.h"
#include "host/widgets/dbgridmodel.h"
#include "host/widgets/syscolors.h"

#include <QPainter>

namespace vnd::widgets
{

using data::ClientDataSet;

void TDBGrid::paintCell(QPainter *painter, const QStyleOptionViewItem &option,
                        const QModelIndex &index)
{
    ClientDataSet *ds = dataSet();
    const int ci = m_model->columnIndexOf(index.column());
    if (!ds || ci < 0 || !ds->isActive() || index.row() >= ds->recordCount())
        return;
    TColumn &column = m_columns[ci];
    const QModelIndex cur = currentIndex();
    GridDrawState st;
    st.selected = cur.isValid() && cur.row() == index.row() &&
                  (cur.column() == index.column() || hasOption(dgRowSelect));
    st.focused = st.selected && hasFocus();
    const bool showSelection =
        st.selected && (hasFocus() || hasOption(dgAlwaysShowSelection) || state() == EditingState);
    const QRect r = option.rect;

    painter->save();
    painter->setClipRect(r);
    if (defaultDrawing || !onDrawColumnCell) {
        painter->fillRect(r, showSelection ? sysColor(clHighlight, palette()) : m_background);
        painter->setPen(showSelection ? sysColor(clHighlightText, palette())
                                      : sysColor(clWindowText, palette()));
        const auto align = Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt());
        const QRect text = r.adjusted(3, 0, -3, 0);
        painter->drawText(text, int(align),
                          painter->fontMetrics().elidedText(index.data(Qt::DisplayRole).toString(),
                                                            Qt::ElideRight, text.width()));
        if (st.focused) {
            painter->setPen(QPen(sysColor(clHighlightText, palette()), 1, Qt::DotLine));
            painter->drawRect(r.adjusted(0, 0, -1, -1));
        }
    }
    if (onDrawColumnCell) {
        TCanvas canvas(painter, r);
        canvas.Brush.Color = showSelection ? sysColor(clHighlight, palette()) : m_background;
        canvas.Font.Color = showSelection ? sysColor(clHighlightText, palette())
                                          : sysColor(clWindowText, palette());
        canvas.Font.font = font();
        m_canvas = &canvas;
        // Painting must not raise dialogs: a failing handler is reported once per paint.
        try {
            ClientDataSet::RowScope scope(*ds, index.row());
            onDrawColumnCell(r, ci, column, st);
        } catch (const std::exception &e) {
            qWarning("draw-cell handler failed: %s", e.what());
        } catch (...) {
            qWarning("draw-cell handler failed");
        }
        m_canvas = nullptr;
    }
    if (st.selected && (column.buttonStyle == ColumnButtonStyle::Ellipsis ||
                        (!column.pickList.isEmpty() && m_model->isEditable(index)))) {
        const QRect b = Internal::DBGridDelegate::buttonRect(r);
        painter->fillRect(b, sysColor(clBtnFace, palette()));
        painter->setPen(sysColor(clBtnShadow, palette()));
        painter->drawRect(b.adjusted(0, 0, -1, -1));
        painter->setPen(sysColor(clBtnText, palette()));
        painter->drawText(b, Qt::AlignCenter,
                          column.buttonStyle == ColumnButtonStyle::Ellipsis ? QStringLiteral("…")
                                                                            : QStringLiteral("▾"));
    }
    painter->restore();
}

} // namespace vnd::widgets
