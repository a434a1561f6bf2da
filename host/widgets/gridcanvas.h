#pragma once
// The drawing surface handed to a grid's draw-cell handler: brush and font colours plus the
// few operations the handlers use. Coordinates are the grid viewport's, as in the cell
// rectangle the handler receives.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>

class QPainter;

namespace vnd::widgets
{

class TCanvas
{
public:
    // cell: the cell being painted; text that would run past its right edge is cut with an
    // ellipsis.
    explicit TCanvas(QPainter *painter, const QRect &cell = {});

    struct {
        QColor Color = Qt::white;
    } Brush;
    struct TFont {
        QColor Color = Qt::black;
        QFont font;
    } Font;

    // Fills with the brush colour.
    void FillRect(const QRect &rect);
    // Text with its top-left corner at (x, y); in a cell, cut with an ellipsis to fit it (a
    // text reaching left of the cell starts at its left edge).
    void TextOut(int x, int y, const QString &text);
    // Text at (x, y) clipped to rect, after filling rect with the brush.
    void TextRect(const QRect &rect, int x, int y, const QString &text);
    int TextWidth(const QString &text) const;
    int TextHeight(const QString &text) const;
    void DrawFocusRect(const QRect &rect);
    // Copies the source part of image into dest (scaled to it), leaving out the pixels of
    // the transparent colour.
    void BrushCopy(const QRect &dest, const QImage &image, const QRect &source,
                   const QColor &transparent);
    void Draw(int x, int y, const QImage &image);

    QPainter *painter() const { return m_painter; }

private:
    QPainter *m_painter;
    QRect m_cell;
};

// The image with every pixel of the colour made transparent.
QImage maskedImage(const QImage &image, const QColor &transparent);

} // namespace vnd::widgets
