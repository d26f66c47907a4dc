// SPDX-License-Identifier: Apache-2.0
#include "app/CDialogUnits.h"

#include <QFontMetrics>
#include <QString>

CDialogUnits::CDialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    // The average width is taken over the alphabet, rounded, as the dialog manager does.
    const QString szLetters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_nBaseX = (metrics.horizontalAdvance(szLetters) / 26 + 1) / 2;
    m_nBaseY = metrics.height();
}
