#include "host/widgets/waitcursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace vnd::widgets
{

namespace
{
int g_unguarded = 0;
}

HourglassCursor::HourglassCursor()
{
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

HourglassCursor::~HourglassCursor()
{
    QGuiApplication::restoreOverrideCursor();
}

void SetHourglassCursor()
{
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    ++g_unguarded;
}

void RestoreCursor()
{
    for (; g_unguarded > 0; --g_unguarded)
        QGuiApplication::restoreOverrideCursor();
}

bool hourglassActive()
{
    const QCursor *c = QGuiApplication::overrideCursor();
    return c && c->shape() == Qt::WaitCursor;
}

} // namespace vnd::widgets
