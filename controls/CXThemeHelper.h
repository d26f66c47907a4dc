// SPDX-License-Identifier: Apache-2.0
#pragma once

class QPainter;
class QRect;
class QString;
class QStyle;
class QWidget;

// Draws header items and check boxes through the application's Qt style when the application is
// themed, and tells the controls when it is not, so that they draw their classic look themselves.
//
// A "theme" is the QStyle a widget is drawn with. Every operation answers false or nullptr instead
// of failing when there is no QApplication, no style, or the application runs the classic look;
// the caller then draws the classic look. The helper holds no state of its own: the classic-look
// switch is class-wide.
class CXThemeHelper
{
public:
    // Parts of the "Header" and "Button" classes that the controls draw.
    enum Part {
        HP_HEADERITEM = 1,
        BP_CHECKBOX = 3,
    };
    // States of the header item part.
    enum HeaderState {
        HIS_NORMAL = 1,
        HIS_HOT = 2,
    };
    // States of the check-box part: 1-4 unchecked, 5-8 checked, 9-12 partial (drawn as the style's
    // "no change" box), each as normal, hot, pressed, disabled.
    enum CheckboxState {
        CBS_UNCHECKEDNORMAL = 1,
        CBS_UNCHECKEDHOT = 2,
        CBS_UNCHECKEDPRESSED = 3,
        CBS_UNCHECKEDDISABLED = 4,
        CBS_CHECKEDNORMAL = 5,
        CBS_CHECKEDHOT = 6,
        CBS_CHECKEDPRESSED = 7,
        CBS_CHECKEDDISABLED = 8,
        CBS_MIXEDNORMAL = 9,
        CBS_MIXEDHOT = 10,
        CBS_MIXEDPRESSED = 11,
        CBS_MIXEDDISABLED = 12,
    };

    CXThemeHelper() = default;
    virtual ~CXThemeHelper() = default;

    // The style that draws `pWidget` (the application's style when it is null), or nullptr when the
    // application is not themed or no style is available. `szClassList` names the kind of element
    // ("Header", "Button") and must not be null. The handle is valid only for the current drawing:
    // the application may replace its style, which deletes the old one.
    QStyle* OpenThemeData(const QWidget* pWidget, const char* szClassList) const;
    // True when `hTheme` is a handle OpenThemeData gave.
    bool CloseThemeData(QStyle* hTheme) const;
    // Draws part `nPartId` in state `nStateId` into `rect`, clipped to `pClipRect` when given.
    // False, with nothing drawn, for a null theme or painter or an unknown part or state.
    bool DrawThemeBackground(QStyle* hTheme, QPainter* pDC, const QWidget* pWidget, int nPartId, int nStateId,
                             const QRect& rect, const QRect* pClipRect) const;
    // Draws `szText` with Qt alignment flags `nTextFlags` into `rect` in the style's text colour for
    // the part's state. False, with nothing drawn, for a null theme or painter.
    bool DrawThemeText(QStyle* hTheme, QPainter* pDC, const QWidget* pWidget, int nPartId, int nStateId,
                       const QString& szText, int nTextFlags, const QRect& rect) const;
    // True when a QApplication with a style exists and the classic look is off.
    bool IsAppThemed() const;

    // The application's look switch: under the classic look nothing is themed.
    static void SetClassicLook(bool bClassic);
    static bool IsClassicLook();

private:
    static bool DrawPart(QStyle* hTheme, QPainter* pDC, const QWidget* pWidget, int nPartId, int nStateId,
                         const QRect& rect);
};
