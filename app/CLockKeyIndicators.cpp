// SPDX-License-Identifier: Apache-2.0
#include "app/CLockKeyIndicators.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QStatusBar>

CLockKeyIndicators::CLockKeyIndicators(QStatusBar* pBar)
    : QObject(pBar)
{
    static const char* const names[3] = {"ID_INDICATOR_CAPS", "ID_INDICATOR_NUM", "ID_INDICATOR_SCRL"};
    static const char* const texts[3] = {"CAP", "NUM", "SCRL"};
    for (int i = 0; i < 3; ++i) {
        m_pIndicators[i] = new QLabel(QLatin1String(texts[i]), pBar);
        m_pIndicators[i]->setObjectName(QLatin1String(names[i]));
        m_pIndicators[i]->setAlignment(Qt::AlignCenter);
        m_pIndicators[i]->setMinimumWidth(m_pIndicators[i]->fontMetrics().horizontalAdvance(QStringLiteral("SCRL"))
                                          + 8);
        m_pIndicators[i]->setEnabled(false);
        pBar->addPermanentWidget(m_pIndicators[i]);
    }
    qApp->installEventFilter(this);
}

CLockKeyIndicators::~CLockKeyIndicators()
{
    qApp->removeEventFilter(this);
}

bool CLockKeyIndicators::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pEvent->type() == QEvent::KeyPress) {
        auto* pKey = static_cast<QKeyEvent*>(pEvent);
        auto* pWidget = qobject_cast<QWidget*>(pWatched);
        // A key the focus widget ignores travels on to its parents, and the filter sees it again each
        // time; only its first receiver counts.
        const bool bPropagated
            = pEvent == m_pLastKeyEvent && m_pLastKeyTarget && pWidget && pWidget->isAncestorOf(m_pLastKeyTarget);
        m_pLastKeyEvent = pEvent;
        m_pLastKeyTarget = pWidget;
        if (!bPropagated && !pKey->isAutoRepeat() && pWidget)
            OnLockKey(pKey->key(), pKey->nativeModifiers());
    }
    return QObject::eventFilter(pWatched, pEvent);
}

void CLockKeyIndicators::OnLockKey(int nKey, quint32 nNativeModifiers)
{
    // X11's Lock and Mod2 masks, as they were before this key.
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        m_bLocks[0] = (nNativeModifiers & 0x02) != 0;
        m_bLocks[1] = (nNativeModifiers & 0x10) != 0;
    }
    if (nKey == Qt::Key_CapsLock)
        m_bLocks[0] = !m_bLocks[0];
    else if (nKey == Qt::Key_NumLock)
        m_bLocks[1] = !m_bLocks[1];
    else if (nKey == Qt::Key_ScrollLock)
        m_bLocks[2] = !m_bLocks[2];
    for (int i = 0; i < 3; ++i)
        m_pIndicators[i]->setEnabled(m_bLocks[i]);
}
