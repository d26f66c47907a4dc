// SPDX-License-Identifier: Apache-2.0
#include "controls/CXButton.h"

CXButton::CXButton(QWidget* pParent, const QString& szCaption)
    : CXControl(pParent)
    , m_szCaption(szCaption)
{ }
