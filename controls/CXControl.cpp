// SPDX-License-Identifier: Apache-2.0
#include "controls/CXControl.h"

CXControl::CXControl(QWidget* pParent)
    : m_pParent(pParent)
{ }

bool CXControl::IsThemed(const QStyle* hTheme) const
{
    return hTheme && m_bUseTheme && m_theme.IsAppThemed();
}
