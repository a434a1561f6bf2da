#include "host/widgets/hosticons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vnd::widgets
{

namespace
{

void drawGlyph(QPainter &p, Glyph g)
{
    const QColor green(40, 140, 60), red(200, 50, 40), blue(40, 90, 170), dark(70, 70, 80),
        amber(215, 150, 30);
    auto pen = [&p](const QColor &c, double w) {
        p.setPen(QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
    };
    switch (g) {
    case Glyph::Incluir:
        pen(green, 5);
        p.drawLine(QPointF(16, 6), QPointF(16, 26));
        p.drawLine(QPointF(6, 16), QPointF(26, 16));
        break;
    case Glyph::Alterar: {
        p.setPen(Qt::NoPen);
        p.setBrush(amber);
        QPainterPath pencil;
        pencil.moveTo(7, 25);
        pencil.lineTo(9, 19);
        pencil.lineTo(22, 6);
        pencil.lineTo(26, 10);
        pencil.lineTo(13, 23);
        pencil.closeSubpath();
        p.drawPath(pencil);
        pen(dark, 1.5);
        p.drawPath(pencil);
        break;
    }
    case Glyph::Excluir:
        pen(red, 5);
        p.drawLine(QPointF(8, 8), QPointF(24, 24));
        p.drawLine(QPointF(24, 8), QPointF(8, 24));
        break;
    case Glyph::Procurar:
        pen(blue, 3.5);
        p.drawEllipse(QPointF(13, 13), 7, 7);
        pen(dark, 4.5);
        p.drawLine(QPointF(18.5, 18.5), QPointF(26, 26));
        break;
    case Glyph::Verificar:
        pen(blue, 3.5);
        p.drawArc(QRectF(7, 7, 18, 18), 60 * 16, 280 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(blue);
        p.drawPolygon(QPolygonF({QPointF(18, 3), QPointF(26, 8), QPointF(18, 13)}));
        break;
    case Glyph::Imprimir:
        pen(dark, 2);
        p.setBrush(QColor(235, 235, 240));
        p.drawRect(QRectF(10, 5, 12, 8));
        p.setBrush(QColor(160, 165, 175));
        p.drawRoundedRect(QRectF(5, 12, 22, 10), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(10, 18, 12, 9));
        break;
    case Glyph::Confirmar:
        pen(green, 5);
        p.drawPolyline(QPolygonF({QPointF(6, 17), QPointF(13, 24), QPointF(26, 8)}));
        break;
    case Glyph::Cancelar:
        pen(red, 3);
        p.drawEllipse(QPointF(16, 16), 10, 10);
        p.drawLine(QPointF(9, 23), QPointF(23, 9));
        break;
    case Glyph::Exportar:
        pen(dark, 2);
        p.setBrush(QColor(245, 245, 250));
        p.drawRect(QRectF(5, 5, 14, 20));
        pen(green, 3.5);
        p.drawLine(QPointF(14, 16), QPointF(27, 16));
        p.drawPolyline(QPolygonF({QPointF(22, 11), QPointF(27, 16), QPointF(22, 21)}));
        break;
    case Glyph::Promocao: {
        p.setPen(QPen(dark, 1.5));
        p.setBrush(QColor(230, 80, 60));
        QPainterPath tag;
        tag.moveTo(5, 15);
        tag.lineTo(15, 5);
        tag.lineTo(27, 5);
        tag.lineTo(27, 17);
        tag.lineTo(17, 27);
        tag.closeSubpath();
        p.drawPath(tag);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(22, 10), 2.2, 2.2);
        break;
    }
    case Glyph::PrecoDiferenciado:
        pen(dark, 2);
        p.setBrush(QColor(250, 250, 252));
        p.drawEllipse(QPointF(16, 16), 11, 11);
        pen(blue, 2.5);
        p.drawLine(QPointF(16, 16), QPointF(16, 9));
        p.drawLine(QPointF(16, 16), QPointF(21, 19));
        break;
    case Glyph::Primeiro:
    case Glyph::Anterior:
    case Glyph::Proximo:
    case Glyph::Ultimo: {
        p.setPen(Qt::NoPen);
        p.setBrush(dark);
        const bool back = g == Glyph::Primeiro || g == Glyph::Anterior;
        const QPolygonF tri = back ? QPolygonF({QPointF(22, 7), QPointF(22, 25), QPointF(10, 16)})
                                   : QPolygonF({QPointF(10, 7), QPointF(10, 25), QPointF(22, 16)});
        p.drawPolygon(tri);
        if (g == Glyph::Primeiro)
            p.drawRect(QRectF(6, 7, 3, 18));
        if (g == Glyph::Ultimo)
            p.drawRect(QRectF(23, 7, 3, 18));
        break;
    }
    case Glyph::Modulo:
        p.setPen(QPen(dark, 1.5));
        p.setBrush(QColor(90, 130, 190));
        p.drawRoundedRect(QRectF(5, 5, 22, 22), 4, 4);
        p.setPen(QPen(Qt::white, 2.5));
        p.drawText(QRectF(5, 5, 22, 22), Qt::AlignCenter, QStringLiteral("$"));
        break;
    }
}

} // namespace

QIcon hostIcon(Glyph glyph)
{
    QIcon icon;
    for (int size : {16, 24, 32}) {
        QPixmap pm(32, 32);
        pm.fill(Qt::transparent);
        {
            QPainter p(&pm);
            p.setRenderHint(QPainter::Antialiasing);
            drawGlyph(p, glyph);
        }
        icon.addPixmap(pm.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    return icon;
}

} // namespace vnd::widgets
