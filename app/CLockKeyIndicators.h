// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QObject>
#include <QPointer>

class QEvent;
class QLabel;
class QStatusBar;
class QWidget;

// The CAP, NUM and SCRL panes at the right end of a status bar. Each pane is enabled while its lock is
// on. On X11 every key event carries the Caps Lock and Num Lock state, so those two are right from
// the first key pressed; elsewhere, and for Scroll Lock, a pane follows the presses of its key.
class CLockKeyIndicators : public QObject
{
    Q_OBJECT

public:
    explicit CLockKeyIndicators(QStatusBar* pBar);
    ~CLockKeyIndicators() override;

    // 0 CAP, 1 NUM, 2 SCRL.
    QLabel* Indicator(int nIndex) const { return m_pIndicators[nIndex]; }

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void OnLockKey(int nKey, quint32 nNativeModifiers);

    QLabel* m_pIndicators[3] = {nullptr, nullptr, nullptr};
    bool m_bLocks[3] = {false, false, false};
    const QEvent* m_pLastKeyEvent = nullptr;
    QPointer<QWidget> m_pLastKeyTarget;
};
