// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "controls/CXControl.h"

#include <QRect>

class QPainter;

// A 13 by 13 pixel check box drawn by its owner into a rectangle: through the Qt style when the
// application is themed, otherwise in the classic look (window-colour fill, RGB(51,102,153) frame,
// RGB(51,153,51) tick, or for the partial state a 7 by 7 square in the tick colour).
class CXCheckbox : public CXControl
{
public:
    // Check states, shared with header items: 0 no check box, 1 unchecked, 2 checked, 3 partial
    // (some but not all of what the box stands for is checked).
    enum {
        NONE = 0,
        UNCHECKED = 1,
        CHECKED = 2,
        PARTIAL = 3,
    };
    static constexpr int kBoxSize = 13;
    // Horizontal room a drawn box takes: the box and 4 pixels after it.
    static constexpr int kUsedWidth = kBoxSize + 4;

    explicit CXCheckbox(QWidget* pParent, int nCheck = UNCHECKED);

    void SetCheck(int nCheck) { m_nCheck = nCheck; }
    int GetCheck() const { return m_nCheck; }

    // Draws the box at the left edge of `rect`, vertically centred, and returns the room used:
    // kUsedWidth, or 0 with nothing drawn when the parent is gone, the state is NONE or `rect` has
    // no width. Changes nothing in the widget, so owners may call it while painting.
    int Draw(QPainter* pDC, const QRect& rect) const;

    // Where Draw puts the box for `rect`: owners hit-test presses against it.
    static QRect BoxRect(const QRect& rect);

    // The style's check-box state (1-12) for the current check, enabled, pressed and hot flags.
    int ThemeState() const;

private:
    void DrawClassic(QPainter* pDC, const QRect& box) const;

    int m_nCheck = UNCHECKED;
};
