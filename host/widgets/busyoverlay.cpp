#include "host/widgets/busyoverlay.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

namespace vnd::widgets::Internal
{

BusyOverlay::BusyOverlay(QWidget *parent) : QWidget(parent), m_timer(new QTimer(this))
{
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
    setFocusPolicy(Qt::NoFocus);
    m_timer->setInterval(90);
    connect(m_timer, &QTimer::timeout, this, &BusyOverlay::step);
    parent->installEventFilter(this);
    hide();
}

void BusyOverlay::start(int kind, const QString &text, const QElapsedTimer &since)
{
    m_kind = kind;
    m_text = text;
    m_since = since;
    setGeometry(parentWidget()->rect());
    raise();
    show();
    m_timer->start();
    // The caller may be about to keep the event loop busy: paint now, not when it is idle.
    repaint();
}

QString BusyOverlay::elapsedText() const
{
    const qint64 seconds = m_since.isValid() ? m_since.elapsed() / 1000 : 0;
    if (seconds < 2)
        return {};
    if (seconds < 60)
        return QStringLiteral("Tempo decorrido: %1 s").arg(seconds);
    return QStringLiteral("Tempo decorrido: %1 min %2 s")
        .arg(seconds / 60)
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

void BusyOverlay::stop()
{
    m_timer->stop();
    hide();
}

void BusyOverlay::step()
{
    m_frame = (m_frame + 1) % 12;
    update();
}

bool BusyOverlay::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void BusyOverlay::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), QColor(30, 40, 60, 90));

    const QSize box(330, 104);
    const QRect panel(QPoint((width() - box.width()) / 2, (height() - box.height()) / 2), box);
    QPainterPath path;
    path.addRoundedRect(panel, 8, 8);
    p.fillPath(path, palette().color(QPalette::Window));
    p.setPen(QPen(palette().color(QPalette::Mid), 1));
    p.drawPath(path);

    // Twelve spokes, the current one darkest; the kind picks the colour.
    const QColor base = m_kind == 1   ? QColor(0, 120, 60)
                        : m_kind == 6 ? QColor(20, 80, 160)
                                      : QColor(90, 90, 90);
    const QPointF centre(panel.left() + 44, panel.center().y());
    for (int i = 0; i < 12; ++i) {
        QColor c = base;
        c.setAlpha(255 - ((i - m_frame + 12) % 12) * 18);
        p.save();
        p.translate(centre);
        p.rotate(i * 30.0);
        p.setPen(QPen(c, 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(0, -11), QPointF(0, -20));
        p.restore();
    }
    p.setPen(palette().color(QPalette::WindowText));
    QFont f = font();
    f.setPointSizeF(f.pointSizeF() * 1.1);
    p.setFont(f);
    const QString elapsed = elapsedText();
    const QRect textRect = panel.adjusted(80, 8, -12, elapsed.isEmpty() ? -8 : -28);
    p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap, m_text);
    if (!elapsed.isEmpty()) {
        p.setFont(font());
        p.setPen(palette().color(QPalette::PlaceholderText));
        p.drawText(panel.adjusted(80, 0, -12, -10), Qt::AlignBottom | Qt::AlignLeft, elapsed);
    }
}

} // namespace vnd::widgets::Internal
