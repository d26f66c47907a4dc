// SPDX-License-Identifier: Apache-2.0
#include "controls/CRibbonPanel.h"

#include <QAction>
#include <QBoxLayout>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace {

const char* const kKeyTip = "ribbonKeyTip";
// Set on a check box whose panel lacks room for its text.
const char* const kTextSpared = "ribbonTextSpared";

} // namespace

CRibbonPanel::CRibbonPanel(const QString& szName, QWidget* parent)
    : QWidget(parent)
    , m_szName(szName)
{
    setObjectName(szName);
    auto* pOuter = new QVBoxLayout(this);
    pOuter->setContentsMargins(4, 3, 4, 2);
    pOuter->setSpacing(2);
    m_pElements = new QHBoxLayout;
    m_pElements->setSpacing(2);
    pOuter->addLayout(m_pElements, 1);
    auto* pCaption = new QLabel(szName, this);
    pCaption->setObjectName(QStringLiteral("ribbonPanelCaption"));
    pCaption->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    pCaption->setForegroundRole(QPalette::PlaceholderText);
    pOuter->addWidget(pCaption);
}

QString CRibbonPanel::TwoLineText(const QString& szText)
{
    if (szText.size() <= 8)
        return szText;
    // Break at the blank nearest the middle, so the button is no wider than it must be.
    const qsizetype nMiddle = szText.size() / 2;
    qsizetype nBest = -1;
    for (qsizetype i = 0; i < szText.size(); ++i) {
        if (szText[i] == QLatin1Char(' ') && (nBest < 0 || qAbs(i - nMiddle) < qAbs(nBest - nMiddle)))
            nBest = i;
    }
    if (nBest < 0)
        return szText;
    return szText.left(nBest) + QLatin1Char('\n') + szText.mid(nBest + 1);
}

QString CRibbonPanel::AccessibleName(const QAction* pAction)
{
    const QString szText = pAction->iconText();
    return szText.isEmpty() ? pAction->toolTip() : szText;
}

void CRibbonPanel::FollowAction(QWidget* pWidget, QAction* pAction, bool bTwoLines)
{
    auto update = [pWidget, pAction, bTwoLines] {
        pWidget->setEnabled(pAction->isEnabled());
        pWidget->setVisible(pAction->isVisible());
        if (auto* pButton = qobject_cast<QAbstractButton*>(pWidget)) {
            const QString szText = pButton->property(kTextSpared).toBool() ? QString() : pAction->iconText();
            pButton->setText(bTwoLines ? TwoLineText(szText) : szText);
            pButton->setToolTip(pAction->toolTip());
            pButton->setStatusTip(pAction->statusTip());
            pButton->setAccessibleName(AccessibleName(pAction));
        }
        if (auto* pBox = qobject_cast<QCheckBox*>(pWidget))
            pBox->setChecked(pAction->isChecked());
        else if (auto* pTool = qobject_cast<QToolButton*>(pWidget))
            pTool->setIcon(pAction->icon());
    };
    QObject::connect(pAction, &QAction::changed, pWidget, update);
    update();
}

QToolButton* CRibbonPanel::AddButton(QAction* pAction, const QString& szKeyTip, bool bKeepsText)
{
    m_pSmallColumn = nullptr;
    m_pGroup = nullptr;
    auto* pButton = new QToolButton(this);
    pButton->setObjectName(pAction->objectName());
    FollowAction(pButton, pAction, true);
    connect(pButton, &QToolButton::clicked, pAction, [pAction] { pAction->trigger(); });
    pButton->setIconSize(QSize(32, 32));
    pButton->setAutoRaise(true);
    pButton->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    pButton->setProperty(kKeyTip, szKeyTip);
    m_pElements->addWidget(pButton);
    m_largeButtons.append({pButton, bKeepsText});
    SetButtonStyle(pButton, bKeepsText);
    return pButton;
}

void CRibbonPanel::SetButtonStyle(QToolButton* pButton, bool bKeepsText) const
{
    const bool bText = m_fit == Fit::Full || (m_fit == Fit::Compact && bKeepsText);
    pButton->setToolButtonStyle(bText ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
}

void CRibbonPanel::SetFit(Fit fit)
{
    if (m_fit == fit)
        return;
    m_fit = fit;
    for (const auto& [pButton, bKeepsText] : m_largeButtons)
        SetButtonStyle(pButton, bKeepsText);
    for (const auto& [pBox, pAction] : m_sparingBoxes) {
        pBox->setProperty(kTextSpared, m_fit != Fit::Full);
        pBox->setText(m_fit == Fit::Full ? pAction->iconText() : QString());
    }
    // The new size must count at once, not after the posted layout request: the category measures
    // itself again right away.
    layout()->activate();
    updateGeometry();
}

QCheckBox* CRibbonPanel::AddCheckBox(QAction* pAction, const QString& szKeyTip, bool bSparesText)
{
    m_pGroup = nullptr;
    auto* pBox = new QCheckBox(this);
    pBox->setObjectName(pAction->objectName());
    pBox->setProperty(kKeyTip, szKeyTip);
    if (bSparesText) {
        pBox->setProperty(kTextSpared, m_fit != Fit::Full);
        m_sparingBoxes.append({pBox, pAction});
    }
    FollowAction(pBox, pAction);
    // The action decides the checked state: after the click the handler runs and the action's
    // change sets the box again.
    connect(pBox, &QCheckBox::clicked, pAction, [pAction] { pAction->trigger(); });
    // Only the box and its text take clicks, so it keeps its own width.
    SmallColumn()->addWidget(pBox, 0, Qt::AlignLeft);
    return pBox;
}

void CRibbonPanel::AddSeparator()
{
    m_pSmallColumn = nullptr;
    m_pGroup = nullptr;
    auto* pLine = new QFrame(this);
    pLine->setFrameShape(QFrame::VLine);
    pLine->setFrameShadow(QFrame::Sunken);
    m_pElements->addWidget(pLine);
}

void CRibbonPanel::BeginGroup()
{
    m_pGroup = new QHBoxLayout;
    m_pGroup->setSpacing(2);
    SmallColumn()->addLayout(m_pGroup);
}

QLabel* CRibbonPanel::AddGroupLabel(const QString& szText)
{
    auto* pLabel = new QLabel(szText, this);
    pLabel->setWordWrap(false);
    CurrentGroup()->addWidget(pLabel);
    m_pGroupLabel = pLabel;
    return pLabel;
}

QLineEdit* CRibbonPanel::AddGroupEdit(QAction* pAction, int nWidth)
{
    auto* pEdit = new QLineEdit(this);
    pEdit->setObjectName(pAction->objectName());
    pEdit->setFixedWidth(nWidth);
    FollowAction(pEdit, pAction);
    NameByGroupLabel(pEdit);
    CurrentGroup()->addWidget(pEdit);
    return pEdit;
}

QWidget* CRibbonPanel::AddGroupControl(QWidget* pControl, QAction* pAction, const QString& szKeyTip)
{
    pControl->setParent(this);
    pControl->setObjectName(pAction->objectName());
    pControl->setProperty(kKeyTip, szKeyTip);
    pControl->setStatusTip(pAction->statusTip());
    if (pControl->toolTip().isEmpty())
        pControl->setToolTip(pAction->toolTip());
    FollowAction(pControl, pAction);
    NameByGroupLabel(pControl);
    CurrentGroup()->addWidget(pControl);
    return pControl;
}

void CRibbonPanel::NameByGroupLabel(QWidget* pControl)
{
    QBoxLayout* pGroup = CurrentGroup();
    if (!m_pGroupLabel || pGroup->count() == 0 || pGroup->itemAt(pGroup->count() - 1)->widget() != m_pGroupLabel)
        return;
    QString szName = m_pGroupLabel->text().remove(QLatin1Char('&')).trimmed();
    if (szName.endsWith(QLatin1Char(':')))
        szName.chop(1);
    pControl->setAccessibleName(szName.trimmed());
    m_pGroupLabel->setBuddy(pControl);
}

QToolButton* CRibbonPanel::AddGroupButton(QAction* pAction, const QString& szKeyTip)
{
    auto* pButton = new QToolButton(this);
    pButton->setDefaultAction(pAction);
    // An icon-only button of an action without text would have no name at all.
    const auto name = [pButton, pAction] { pButton->setAccessibleName(AccessibleName(pAction)); };
    connect(pAction, &QAction::changed, pButton, name);
    name();
    pButton->setToolButtonStyle(Qt::ToolButtonIconOnly);
    pButton->setIconSize(QSize(16, 16));
    pButton->setAutoRaise(true);
    pButton->setProperty(kKeyTip, szKeyTip);
    CurrentGroup()->addWidget(pButton);
    return pButton;
}

QBoxLayout* CRibbonPanel::SmallColumn()
{
    if (!m_pSmallColumn || m_nSmallInColumn >= nSmallRows) {
        m_pSmallColumn = new QVBoxLayout;
        m_pSmallColumn->setSpacing(2);
        m_pSmallColumn->setAlignment(Qt::AlignTop);
        m_pElements->addLayout(m_pSmallColumn);
        m_nSmallInColumn = 0;
    }
    ++m_nSmallInColumn;
    return m_pSmallColumn;
}

QBoxLayout* CRibbonPanel::CurrentGroup()
{
    if (!m_pGroup)
        BeginGroup();
    return m_pGroup;
}
