// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "controls/CXThemeHelper.h"

#include <QPointer>
#include <QWidget>

class QStyle;

// Common base of the widgets that are drawn inside list cells and header items instead of being
// windows of their own. The owner (a list or a header) draws them, hit-tests them and sets their
// hot and pressed flags.
class CXControl
{
public:
    explicit CXControl(QWidget* pParent);
    virtual ~CXControl() = default;
    CXControl(const CXControl&) = delete;
    CXControl& operator=(const CXControl&) = delete;

    // True when `hTheme` is a theme handle, use-theme is set and the application is themed.
    bool IsThemed(const QStyle* hTheme) const;

    QWidget* GetParent() const { return m_pParent; }
    bool GetHot() const { return m_bHot; }
    void SetHot(bool bHot) { m_bHot = bHot; }
    bool GetPressed() const { return m_bPressed; }
    void SetPressed(bool bPressed) { m_bPressed = bPressed; }
    bool GetEnabled() const { return m_bEnabled; }
    void SetEnabled(bool bEnabled) { m_bEnabled = bEnabled; }
    bool GetUseTheme() const { return m_bUseTheme; }
    void SetUseTheme(bool bUseTheme) { m_bUseTheme = bUseTheme; }

protected:
    // The list or header that draws the widget; it draws nothing once that is gone.
    QPointer<QWidget> m_pParent;
    bool m_bHot = false;
    bool m_bUseTheme = true;
    bool m_bPressed = false;
    bool m_bEnabled = true;
    CXThemeHelper m_theme;
};
