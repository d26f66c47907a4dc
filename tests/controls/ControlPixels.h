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

// The smallest rectangle holding every pixel of `area` for which `test(colour)` holds; null when none.
template<class Test> QRect Bounds(const QImage& image, const QRect& area, Test test)
{
    QRect bounds;
    const QRect clipped = area.intersected(image.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        for (int x = clipped.left(); x <= clipped.right(); ++x) {
            if (test(image.pixelColor(x, y)))
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

// The pixels of `area` that differ clearly from `background` (text, lines).
inline QRect InkBounds(const QImage& image, const QRect& area, const QColor& background)
{
    return Bounds(image, area, [&background](const QColor& c) {
        return std::abs(c.red() - background.red()) + std::abs(c.green() - background.green())
            + std::abs(c.blue() - background.blue())
            > 90;
    });
}

} // namespace controls_test

// gtest prints QColor as a name.
inline void PrintTo(const QColor& colour, std::ostream* pOut)
{
    *pOut << colour.name().toStdString();
}
