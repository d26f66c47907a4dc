// SPDX-License-Identifier: Apache-2.0
#pragma once

// Helpers for the control tests: show a widget as the active window and read what it drew.

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QRect>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>

namespace controls_test {

// Shows `pWidget` as the active window, so that it and its children can take the focus.
inline bool ShowActive(QWidget* pWidget)
{
    pWidget->show();
    pWidget->activateWindow();
    QApplication::setActiveWindow(pWidget);
    return QTest::qWaitForWindowActive(pWidget);
}

// What `pWidget` draws now, at one image pixel per widget pixel.
inline QImage Grab(QWidget* pWidget)
{
    QImage image = pWidget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    image.setDevicePixelRatio(1.0);
    return image;
}

inline QColor Pixel(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y);
}

inline QColor Pixel(const QImage& image, const QPoint& point)
{
    return image.pixelColor(point);
}

// Whether any pixel of `area` differs clearly from `background` (text, lines).
inline bool HasInk(const QImage& image, const QRect& area, const QColor& background)
{
    const QRect clipped = area.intersected(image.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        for (int x = clipped.left(); x <= clipped.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - background.red()) + std::abs(c.green() - background.green())
                    + std::abs(c.blue() - background.blue())
                > 90)
                return true;
        }
    }
    return false;
}

// The smallest rectangle holding every pixel of `area` that differs clearly from `background`;
// null when there is none.
inline QRect InkBounds(const QImage& image, const QRect& area, const QColor& background)
{
    QRect bounds;
    const QRect clipped = area.intersected(image.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        for (int x = clipped.left(); x <= clipped.right(); ++x) {
            if (HasInk(image, QRect(x, y, 1, 1), background))
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

} // namespace controls_test

// gtest prints QColor as a name.
inline void PrintTo(const QColor& colour, std::ostream* pOut)
{
    *pOut << colour.name().toStdString();
}
