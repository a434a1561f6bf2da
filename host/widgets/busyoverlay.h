#pragma once
// The widget drawn over the window in front by the busy animation: a veil, a turning wheel,
// the caption and, past two seconds, the time gone by.

#include <QElapsedTimer>
#include <QWidget>

class QTimer;

namespace vnd::widgets::Internal
{

class BusyOverlay final : public QWidget
{
    Q_OBJECT
public:
    explicit BusyOverlay(QWidget *parent);
    // since: when the animation came on (the time shown counts from there).
    void start(int kind, const QString &text, const QElapsedTimer &since);
    void stop();
    QString text() const { return m_text; }
    // "Tempo decorrido: 5 s" past two seconds, else empty.
    QString elapsedText() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void step();

    QTimer *m_timer;
    int m_kind = 0;
    int m_frame = 0;
    QString m_text;
    QElapsedTimer m_since;
};

} // namespace vnd::widgets::Internal
