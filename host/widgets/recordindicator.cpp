#include "host/widgets/recordindicator.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace vnd::widgets
{

IndicatorMark indicatorMark(data::DataSetState state, int row, int currentRow)
{
    if (row != currentRow || row < 0)
        return IndicatorMark::None;
    switch (state) {
    case data::DataSetState::Browse:
        return IndicatorMark::Browse;
    case data::DataSetState::Edit:
        return IndicatorMark::Edit;
    case data::DataSetState::Insert:
        return IndicatorMark::Insert;
    case data::DataSetState::Inactive:
        break;
    }
    return IndicatorMark::None;
}

RecordIndicatorHeader::RecordIndicatorHeader(QWidget *parent) : QHeaderView(Qt::Vertical, parent)
{
    setSectionsClickable(false);
    setHighlightSections(false);
}

void RecordIndicatorHeader::paintSection(QPainter *painter, const QRect &rect,
                                         int logicalIndex) const
{
    QHeaderView::paintSection(painter, rect, logicalIndex);
    if (!model())
        return;
    const auto mark =
        IndicatorMark(model()->headerData(logicalIndex, Qt::Vertical, IndicatorRole).toInt());
    if (mark == IndicatorMark::None)
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    // The style leaves the clip at the (empty) label area of a section this narrow.
    painter->setClipRect(rect);
    const QPointF c = QRectF(rect).center();
    const qreal h = std::min(rect.height(), rect.width()) * 0.32;
    const QColor ink = palette().color(QPalette::WindowText);
    switch (mark) {
    case IndicatorMark::Browse: {
        QPainterPath p;
        p.moveTo(c.x() - h * 0.6, c.y() - h);
        p.lineTo(c.x() + h * 0.7, c.y());
        p.lineTo(c.x() - h * 0.6, c.y() + h);
        p.closeSubpath();
        painter->fillPath(p, ink);
        break;
    }
    case IndicatorMark::Edit:
        painter->setPen(QPen(ink, 1.4));
        painter->drawLine(QPointF(c.x(), c.y() - h * 1.2), QPointF(c.x(), c.y() + h * 1.2));
        painter->drawLine(QPointF(c.x() - h * 0.5, c.y() - h * 1.2),
                          QPointF(c.x() + h * 0.5, c.y() - h * 1.2));
        painter->drawLine(QPointF(c.x() - h * 0.5, c.y() + h * 1.2),
                          QPointF(c.x() + h * 0.5, c.y() + h * 1.2));
        break;
    case IndicatorMark::Insert:
        painter->setPen(QPen(ink, 1.6));
        for (int i = 0; i < 3; ++i) {
            const qreal a = M_PI / 3 * i + M_PI / 2;
            const QPointF d(std::cos(a) * h, std::sin(a) * h);
            painter->drawLine(c - d, c + d);
        }
        break;
    case IndicatorMark::None:
        break;
    }
    painter->restore();
}

} // namespace vnd::widgets
