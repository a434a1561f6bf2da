#pragma once
// The widget drawn over the main window by the busy animation.

#include <QWidget>

class QTimer;

namespace vnd::widgets::Internal
{

class BusyOverlay final : public QWidget
{
    Q_OBJECT
public:
    explicit BusyOverlay(QWidget *parent);
    void start(int kind, const QString &text);
    void stop();
    QString text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void step();

    QTimer *m_timer;
    int m_kind = 0;
    int m_frame = 0;
    QString m_text;
};

} // namespace vnd::widgets::Internal
