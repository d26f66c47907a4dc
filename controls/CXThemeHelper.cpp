// SPDX-License-Identifier: Apache-2.0
#include "controls/CXThemeHelper.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionHeader>
#include <QWidget>

namespace {

bool s_bClassicLook = false;

// QApplication::style() asserts when only a QGuiApplication exists, so ask first.
QStyle* ApplicationStyle()
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return nullptr;
    return QApplication::style();
}

} // namespace

QStyle* CXThemeHelper::OpenThemeData(const QWidget* pWidget, const char* szClassList) const
{
    if (!szClassList || !IsAppThemed())
        return nullptr;
    return pWidget ? pWidget->style() : ApplicationStyle();
}

bool CXThemeHelper::CloseThemeData(QStyle* hTheme) const
{
    return hTheme != nullptr;
}

bool CXThemeHelper::DrawThemeBackground(QStyle* hTheme, QPainter* pDC, const QWidget* pWidget, int nPartId,
                                        int nStateId, const QRect& rect, const QRect* pClipRect) const
{
    if (!hTheme || !pDC)
        return false;

    pDC->save();
    if (pClipRect)
        pDC->setClipRect(*pClipRect, Qt::IntersectClip);
    const bool bDrawn = DrawPart(hTheme, pDC, pWidget, nPartId, nStateId, rect);
    pDC->restore();
    return bDrawn;
}

bool CXThemeHelper::DrawPart(QStyle* hTheme, QPainter* pDC, const QWidget* pWidget, int nPartId, int nStateId,
                             const QRect& rect)
{

    if (nPartId == HP_HEADERITEM && (nStateId == HIS_NORMAL || nStateId == HIS_HOT)) {
        QStyleOptionHeader opt;
        if (pWidget)
            opt.initFrom(pWidget);
        opt.rect = rect;
        opt.orientation = Qt::Horizontal;
        opt.position = QStyleOptionHeader::Middle;
        opt.state = QStyle::State_Enabled | QStyle::State_Raised | QStyle::State_Horizontal;
        if (nStateId == HIS_HOT)
            opt.state |= QStyle::State_MouseOver;
        hTheme->drawControl(QStyle::CE_HeaderSection, &opt, pDC, pWidget);
        return true;
    }
    if (nPartId == BP_CHECKBOX && nStateId >= CBS_UNCHECKEDNORMAL && nStateId <= CBS_MIXEDDISABLED) {
        QStyleOptionButton opt;
        if (pWidget)
            opt.initFrom(pWidget);
        opt.rect = rect;
        const int nLook = (nStateId - 1) % 4; // 0 normal, 1 hot, 2 pressed, 3 disabled
        opt.state = nStateId >= CBS_MIXEDNORMAL ? QStyle::State_NoChange
            : nStateId >= CBS_CHECKEDNORMAL     ? QStyle::State_On
                                                : QStyle::State_Off;
        if (nLook != 3)
            opt.state |= QStyle::State_Enabled;
        if (nLook == 1)
            opt.state |= QStyle::State_MouseOver;
        if (nLook == 2)
            opt.state |= QStyle::State_Sunken | QStyle::State_MouseOver;
        hTheme->drawPrimitive(QStyle::PE_IndicatorCheckBox, &opt, pDC, pWidget);
        return true;
    }
    return false;
}

bool CXThemeHelper::DrawThemeText(QStyle* hTheme, QPainter* pDC, const QWidget* pWidget, int /*nPartId*/, int nStateId,
                                  const QString& szText, int nTextFlags, const QRect& rect) const
{
    if (!hTheme || !pDC)
        return false;
    const QPalette palette = pWidget ? pWidget->palette() : hTheme->standardPalette();
    const bool bDisabled
        = nStateId == CBS_UNCHECKEDDISABLED || nStateId == CBS_CHECKEDDISABLED || nStateId == CBS_MIXEDDISABLED;
    hTheme->drawItemText(pDC, rect, nTextFlags, palette, !bDisabled, szText, QPalette::ButtonText);
    return true;
}

bool CXThemeHelper::IsAppThemed() const
{
    return !s_bClassicLook && ApplicationStyle() != nullptr;
}

void CXThemeHelper::SetClassicLook(bool bClassic)
{
    s_bClassicLook = bClassic;
}

bool CXThemeHelper::IsClassicLook()
{
    return s_bClassicLook;
}
