// SPDX-License-Identifier: Apache-2.0
#include "controls/CRibbonApplicationMenu.h"
#include "controls/CRibbonPanel.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>

CRibbonApplicationMenu::CRibbonApplicationMenu(QWidget* parent)
    : QFrame(parent, Qt::Popup)
{
    setObjectName(QStringLiteral("ribbonApplicationMenu"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    auto* pOuter = new QVBoxLayout(this);
    pOuter->setContentsMargins(4, 4, 4, 4);
    auto* pColumns = new QHBoxLayout;
    pOuter->addLayout(pColumns, 1);
    m_pCommands = new QVBoxLayout;
    m_pCommands->setAlignment(Qt::AlignTop);
    m_pCommands->setSpacing(1);
    pColumns->addLayout(m_pCommands);
    auto* pDivider = new QFrame(this);
    pDivider->setFrameShape(QFrame::VLine);
    pDivider->setFrameShadow(QFrame::Sunken);
    pColumns->addWidget(pDivider);
    m_pRecent = new QVBoxLayout;
    m_pRecent->setAlignment(Qt::AlignTop);
    m_pRecent->setSpacing(1);
    pColumns->addLayout(m_pRecent, 1);
    auto* pBar = new QFrame(this);
    pBar->setObjectName(QStringLiteral("ribbonApplicationMenuBottomBar"));
    pBar->setFrameShape(QFrame::HLine);
    pBar->setFrameShadow(QFrame::Sunken);
    pOuter->addWidget(pBar);
    m_pBottom = new QHBoxLayout;
    m_pBottom->addStretch(1);
    pOuter->addLayout(m_pBottom);
}

QToolButton* CRibbonApplicationMenu::MakeEntry(QAction* pAction, Qt::ToolButtonStyle style, int nIcon)
{
    auto* pButton = new QToolButton(this);
    pButton->setObjectName(pAction->objectName());
    pButton->setToolButtonStyle(style);
    pButton->setIconSize(QSize(nIcon, nIcon));
    pButton->setAutoRaise(true);
    pButton->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    CRibbonPanel::FollowAction(pButton, pAction, false);
    // Closing first keeps a dialog opened by the command from showing under the menu.
    connect(pButton, &QToolButton::clicked, pAction, [this, pAction] {
        close();
        pAction->trigger();
    });
    m_entries.append(pButton);
    return pButton;
}

QToolButton* CRibbonApplicationMenu::AddButton(QAction* pAction, const QString& szKeyTip)
{
    QToolButton* pButton = MakeEntry(pAction, Qt::ToolButtonTextBesideIcon, 32);
    pButton->setProperty("ribbonKeyTip", szKeyTip);
    m_pCommands->addWidget(pButton);
    return pButton;
}

void CRibbonApplicationMenu::AddSeparator()
{
    auto* pLine = new QFrame(this);
    pLine->setFrameShape(QFrame::HLine);
    pLine->setFrameShadow(QFrame::Sunken);
    m_pCommands->addWidget(pLine);
}

void CRibbonApplicationMenu::SetRecentFiles(const QString& szLabel, const QList<QAction*>& actions, int nWidth)
{
    if (!m_pRecentLabel) {
        m_pRecentLabel = new QLabel(this);
        m_pRecentLabel->setObjectName(QStringLiteral("ribbonRecentLabel"));
        QFont font = m_pRecentLabel->font();
        font.setBold(true);
        m_pRecentLabel->setFont(font);
        m_pRecent->addWidget(m_pRecentLabel);
    }
    m_pRecentLabel->setText(szLabel);
    m_pRecentLabel->setMinimumWidth(nWidth);
    int nIndex = 0;
    for (QAction* pAction : actions) {
        QToolButton* pButton = MakeEntry(pAction, Qt::ToolButtonTextOnly, 16);
        if (nIndex < 9)
            pButton->setProperty("ribbonKeyTip", QString::number(nIndex + 1));
        m_pRecent->addWidget(pButton);
        ++nIndex;
    }
}

QToolButton* CRibbonApplicationMenu::AddBottomButton(QAction* pAction)
{
    QToolButton* pButton = MakeEntry(pAction, Qt::ToolButtonTextBesideIcon, 16);
    pButton->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_pBottom->addWidget(pButton);
    return pButton;
}

void CRibbonApplicationMenu::Popup(const QPoint& ptGlobal)
{
    emit aboutToShow();
    adjustSize();
    move(ptGlobal);
    show();
}

QToolButton* CRibbonApplicationMenu::ButtonFor(const QAction* pAction) const
{
    for (QToolButton* pButton : m_entries) {
        if (pButton->objectName() == pAction->objectName())
            return pButton;
    }
    return nullptr;
}

bool CRibbonApplicationMenu::event(QEvent* pEvent)
{
    // Status tips stop at the window they arise in; the menu is a window of its own, so its entries'
    // descriptions are passed on to the window that shows a status bar.
    if (pEvent->type() == QEvent::StatusTip && parentWidget())
        return QApplication::sendEvent(parentWidget()->window(), pEvent);
    return QFrame::event(pEvent);
}

void CRibbonApplicationMenu::keyPressEvent(QKeyEvent* pEvent)
{
    // Escape closes the menu as it closes any other menu.
    if (pEvent->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QFrame::keyPressEvent(pEvent);
}
