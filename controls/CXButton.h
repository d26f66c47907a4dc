// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "controls/CXControl.h"

#include <QString>

// A push button drawn inside a list cell. No cell of this program is a button cell, so the
// button only keeps its caption and fixed width.
class CXButton : public CXControl
{
public:
    explicit CXButton(QWidget* pParent, const QString& szCaption = QString());

    QString GetWindowText() const { return m_szCaption; }
    void SetWindowText(const QString& szCaption) { m_szCaption = szCaption; }
    // A positive width overrides the width computed from the caption.
    int GetFixedWidth() const { return m_nFixedWidth; }
    void SetFixedWidth(int nWidth) { m_nFixedWidth = nWidth; }

private:
    QString m_szCaption;
    int m_nFixedWidth = 0;
};
