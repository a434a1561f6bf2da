#pragma once
// Saves a window as it is drawn now, as PNG under the build folder, so a person can look at
// it; the caller's test only learns that something was drawn and saved.

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

inline void saveScreenshot(QWidget *w, const char *file)
{
    const QString dir = QStringLiteral(VND_SCREENSHOT_DIR);
    QDir().mkpath(dir);
    QApplication::processEvents();
    const QImage image = w->grab().toImage();
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(image.save(dir + QLatin1Char('/') + QLatin1String(file)));
}
