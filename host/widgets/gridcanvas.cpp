#include "host/widgets/gridcanvas.h"

#include <QFontMetrics>

#include <QPainter>
#include <algorithm>

namespace vnd::widgets
{

TCanvas::TCanvas(QPainter *painter, const QRect &cell) : m_painter(painter), m_cell(cell)
{
    Font.font = painter->font();
}

void TCanvas::FillRect(const QRect &rect)
{
    m_painter->fillRect(rect, Brush.Color);
}

void TCanvas::TextOut(int x, int y, const QString &text)
{
    m_painter->save();
    m_painter->setFont(Font.font);
    m_painter->setPen(Font.Color);
    const QFontMetrics fm(Font.font);
    QString shown = text;
    if (m_cell.isValid()) {
        const int edge = m_cell.left() + m_cell.width(); // just past the cell
        if (x + fm.horizontalAdvance(text) > edge) {
            x = std::max(x, m_cell.left() + 2);
            shown = fm.elidedText(text, Qt::ElideRight, std::max(0, edge - 2 - x));
        }
    }
    m_painter->drawText(QPoint(x, y + fm.ascent()), shown);
    m_painter->restore();
}

void TCanvas::TextRect(const QRect &rect, int x, int y, const QString &text)
{
    FillRect(rect);
    m_painter->save();
    m_painter->setClipRect(rect, Qt::IntersectClip);
    TextOut(x, y, text);
    m_painter->restore();
}

int TCanvas::TextWidth(const QString &text) const
{
    return QFontMetrics(Font.font).horizontalAdvance(text);
}

int TCanvas::TextHeight(const QString &) const
{
    return QFontMetrics(Font.font).height();
}

void TCanvas::DrawFocusRect(const QRect &rect)
{
    m_painter->save();
    QPen pen(Font.Color, 1, Qt::DotLine);
    m_painter->setPen(pen);
    m_painter->setBrush(Qt::NoBrush);
    m_painter->drawRect(rect.adjusted(0, 0, -1, -1));
    m_painter->restore();
}

QImage maskedImage(const QImage &image, const QColor &transparent)
{
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = transparent.rgb() & 0xffffff;
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((line[x] & 0xffffff) == key)
                line[x] = 0;
    }
    return out;
}

void TCanvas::BrushCopy(const QRect &dest, const QImage &image, const QRect &source,
                        const QColor &transparent)
{
    if (image.isNull())
        return;
    // A source reaching past the image contributes nothing there, as with a blit.
    const QRect src = source.intersected(image.rect());
    if (src.isEmpty() || source.isEmpty())
        return;
    const double sx = double(dest.width()) / source.width();
    const double sy = double(dest.height()) / source.height();
    const QRectF target(dest.left() + (src.left() - source.left()) * sx,
                        dest.top() + (src.top() - source.top()) * sy, src.width() * sx,
                        src.height() * sy);
    m_painter->drawImage(target, maskedImage(image.copy(src), transparent));
}

void TCanvas::Draw(int x, int y, const QImage &image)
{
    m_painter->drawImage(QPoint(x, y), image);
}

} // namespace vnd::widgets
