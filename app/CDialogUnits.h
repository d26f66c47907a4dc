// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QFont>
#include <QRect>

// Dialog units of a dialog's font to pixels, the way the platform's dialog manager converts them: a
// horizontal unit is a quarter of the average character width, a vertical one an eighth of the
// character height. The dialogs give their layout in these units.
class CDialogUnits
{
public:
    explicit CDialogUnits(const QFont& font);

    QRect Rect(int x, int y, int cx, int cy) const { return {X(x), Y(y), X(cx), Y(cy)}; }
    int X(int n) const { return n * m_nBaseX / 4; }
    int Y(int n) const { return n * m_nBaseY / 8; }

private:
    int m_nBaseX = 6;
    int m_nBaseY = 13;
};
