// SPDX-License-Identifier: Apache-2.0
#include "controls/CXCheckbox.h"

#include <QPainter>

namespace {

const QColor kFrameColour(51, 102, 153);
const QColor kTickColour(51, 153, 51);

} // namespace

CXCheckbox::CXCheckbox(QWidget* pParent, int nCheck)
    : CXControl(pParent)
    , m_nCheck(nCheck)
{ }

QRect CXCheckbox::BoxRect(const QRect& rect)
{
    return QRect(rect.left(), rect.top() + (rect.height() - kBoxSize) / 2, kBoxSize, kBoxSize);
}

int CXCheckbox::ThemeState() const
{
    const int nBase = m_nCheck == CHECKED ? CXThemeHelper::CBS_CHECKEDNORMAL
        : m_nCheck == PARTIAL             ? CXThemeHelper::CBS_MIXEDNORMAL
                                          : CXThemeHelper::CBS_UNCHECKEDNORMAL;
    // The first matching look wins: disabled, then pressed, then hot.
    if (!m_bEnabled)
        return nBase + 3;
    if (m_bPressed)
        return nBase + 2;
    if (m_bHot)
        return nBase + 1;
    return nBase;
}

int CXCheckbox::Draw(QPainter* pDC, const QRect& rect) const
{
    if (!m_pParent || !pDC || m_nCheck == NONE || rect.width() <= 0)
        return 0;

    const QRect box = BoxRect(rect);
    QStyle* hTheme = m_theme.OpenThemeData(m_pParent, "Button");
    if (!IsThemed(hTheme)
        || !m_theme.DrawThemeBackground(hTheme, pDC, m_pParent, CXThemeHelper::BP_CHECKBOX, ThemeState(), box, nullptr))
        DrawClassic(pDC, box);
    return kUsedWidth;
}

void CXCheckbox::DrawClassic(QPainter* pDC, const QRect& box) const
{
    pDC->fillRect(box, m_pParent->palette().color(QPalette::Active, QPalette::Base));

    // The frame and the tick are drawn as filled pixel runs so that no pen geometry or
    // antialiasing can move them by a pixel.
    pDC->fillRect(box.left(), box.top(), box.width(), 1, kFrameColour);
    pDC->fillRect(box.left(), box.bottom(), box.width(), 1, kFrameColour);
    pDC->fillRect(box.left(), box.top(), 1, box.height(), kFrameColour);
    pDC->fillRect(box.right(), box.top(), 1, box.height(), kFrameColour);

    if (m_nCheck == PARTIAL) {
        pDC->fillRect(box.adjusted(3, 3, -3, -3), kTickColour);
        return;
    }
    if (m_nCheck != CHECKED)
        return;
    // Seven vertical strokes of 3 pixels: from (9, 3) down-left to (5, 7), then up-left to (3, 5).
    static const int kTops[7] = {3, 4, 5, 6, 7, 6, 5};
    for (int i = 0; i < 7; ++i)
        pDC->fillRect(box.left() + 9 - i, box.top() + kTops[i], 1, 3, kTickColour);
}
