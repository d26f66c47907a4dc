// SPDX-License-Identifier: Apache-2.0
#include "controls/CRibbonBar.h"

#include "controls/CRibbonApplicationMenu.h"
#include "controls/CRibbonCategory.h"
#include "controls/CRibbonPanel.h"

#include <QAction>
#include <QApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolButton>

CRibbonBar::CRibbonBar(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ribbonBar"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* pGrid = new QGridLayout(this);
    pGrid->setContentsMargins(2, 2, 2, 0);
    pGrid->setHorizontalSpacing(4);
    pGrid->setVerticalSpacing(0);

    m_pAppButton = new QToolButton(this);
    m_pAppButton->setObjectName(QStringLiteral("ribbonApplicationButton"));
    m_pAppButton->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_pAppButton->setAutoRaise(true);
    m_pAppMenu = new CRibbonApplicationMenu(this);
    connect(m_pAppButton, &QToolButton::clicked, this, &CRibbonBar::ShowApplicationMenu);

    m_pTabs = new QTabBar(this);
    m_pTabs->setObjectName(QStringLiteral("ribbonTabs"));
    m_pTabs->setDrawBase(false);
    m_pTabs->setExpanding(false);
    m_pStack = new QStackedWidget(this);
    connect(m_pTabs, &QTabBar::currentChanged, m_pStack, &QStackedWidget::setCurrentIndex);

    m_pTabElements = new QWidget(this);
    auto* pRow = new QHBoxLayout(m_pTabElements);
    pRow->setContentsMargins(0, 0, 0, 0);
    pRow->setSpacing(2);

    pGrid->addWidget(m_pAppButton, 0, 0, Qt::AlignLeft | Qt::AlignVCenter);
    pGrid->addWidget(m_pTabs, 0, 1, Qt::AlignLeft | Qt::AlignBottom);
    pGrid->setColumnStretch(2, 1);
    pGrid->addWidget(m_pTabElements, 0, 3, Qt::AlignRight | Qt::AlignBottom);
    pGrid->addWidget(m_pStack, 1, 0, 1, 4);

    qApp->installEventFilter(this);
}

CRibbonBar::~CRibbonBar()
{
    qApp->removeEventFilter(this);
}

void CRibbonBar::SetApplicationButton(const QIcon& icon, const QString& szKeyTip, const QString& szToolTip, int nSize)
{
    m_pAppButton->setIcon(icon);
    m_pAppButton->setIconSize(QSize(nSize * 26 / 45, nSize * 26 / 45));
    m_pAppButton->setFixedSize(nSize, nSize);
    m_pAppButton->setToolTip(szToolTip);
    m_pAppButton->setAccessibleName(szToolTip);
    m_pAppButton->setProperty("ribbonKeyTip", szKeyTip);
}

void CRibbonBar::ShowApplicationMenu()
{
    m_pAppMenu->Popup(m_pAppButton->mapToGlobal(QPoint(0, m_pAppButton->height())));
}

CRibbonCategory* CRibbonBar::AddCategory(const QString& szName, const QString& szKeyTip)
{
    auto* pCategory = new CRibbonCategory(szName, szKeyTip, m_pStack);
    m_pStack->addWidget(pCategory);
    m_pTabs->addTab(szName);
    m_categories.append(pCategory);
    return pCategory;
}

int CRibbonBar::CategoryCount() const
{
    return static_cast<int>(m_categories.size());
}

CRibbonCategory* CRibbonBar::Category(int nIndex) const
{
    return nIndex >= 0 && nIndex < m_categories.size() ? m_categories[nIndex] : nullptr;
}

CRibbonCategory* CRibbonBar::ActiveCategory() const
{
    return Category(m_pTabs->currentIndex());
}

void CRibbonBar::SetActiveCategory(int nIndex)
{
    m_pTabs->setCurrentIndex(nIndex);
}

QToolButton* CRibbonBar::AddToTabs(QAction* pAction, const QString& szKeyTip, QMenu* pMenu)
{
    auto* pButton = new QToolButton(m_pTabElements);
    pButton->setDefaultAction(pAction);
    pButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    pButton->setAutoRaise(true);
    pButton->setProperty("ribbonKeyTip", szKeyTip);
    if (pMenu) {
        // popup(), not exec(): the menu must not hold up the caller (a key tip, a test).
        connect(pAction, &QAction::triggered, pMenu, [pButton, pMenu] {
            const QPoint ptRight = pButton->mapToGlobal(QPoint(pButton->width(), pButton->height()));
            pMenu->ensurePolished();
            pMenu->adjustSize();
            pMenu->popup(ptRight - QPoint(pMenu->width(), 0));
        });
    }
    m_pTabElements->layout()->addWidget(pButton);
    m_tabButtons.append(pButton);
    return pButton;
}

void CRibbonBar::SetWindows7Look(bool bOn)
{
    m_bWindows7Look = bOn;
    m_pAppButton->setAutoRaise(!bOn);
    update();
}

void CRibbonBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPalette& pal = palette();
    const QRect rcPanels(0, m_pStack->geometry().top(), width(), height() - m_pStack->geometry().top());
    painter.fillRect(rect(), pal.window());
    if (m_bWindows7Look) {
        painter.fillRect(rcPanels, pal.base());
    } else {
        QLinearGradient gradient(rcPanels.topLeft(), rcPanels.bottomLeft());
        gradient.setColorAt(0.0, pal.light().color());
        gradient.setColorAt(1.0, pal.button().color());
        painter.fillRect(rcPanels, gradient);
    }
    painter.setPen(pal.mid().color());
    painter.drawLine(rcPanels.topLeft(), rcPanels.topRight());
    painter.drawLine(rcPanels.bottomLeft(), rcPanels.bottomRight());
}

bool CRibbonBar::BelongsToRibbonWindow(QObject* pObject) const
{
    auto* pWidget = qobject_cast<QWidget*>(pObject);
    if (!pWidget)
        return false;
    QWidget* pWindow = pWidget->window();
    return pWindow == window() || pWindow == m_pAppMenu;
}

bool CRibbonBar::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    switch (pEvent->type()) {
    case QEvent::KeyPress: {
        if (!isVisible() || !BelongsToRibbonWindow(pWatched))
            break;
        auto* pKey = static_cast<QKeyEvent*>(pEvent);
        const bool bAltAlone = pKey->key() == Qt::Key_Alt
            && (pKey->modifiers() & ~(Qt::AltModifier | Qt::KeypadModifier)) == Qt::NoModifier;
        if ((bAltAlone || (pKey->key() == Qt::Key_F10 && pKey->modifiers() == Qt::NoModifier))
            && !pKey->isAutoRepeat()) {
            if (IsKeyTipMode())
                HideKeyTips();
            else
                ShowKeyTips();
            return true;
        }
        if (IsKeyTipMode())
            return OnKeyTipKey(pKey->key(), pKey->text());
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::WindowDeactivate:
        if (IsKeyTipMode() && BelongsToRibbonWindow(pWatched))
            HideKeyTips();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(pWatched, pEvent);
}

bool CRibbonBar::OnKeyTipKey(int nKey, const QString& szText)
{
    if (nKey == Qt::Key_Escape) {
        if (m_nLevel == Level::ApplicationMenu)
            m_pAppMenu->close();
        if (m_nLevel == Level::Top)
            HideKeyTips();
        else
            EnterLevel(Level::Top);
        return true;
    }
    // Modifier keys on their own neither choose nor end anything.
    if (nKey == Qt::Key_Shift || nKey == Qt::Key_Control || nKey == Qt::Key_Meta)
        return true;
    QString szKey = szText.trimmed().toUpper();
    // With Alt still held some platforms give the key without its text.
    if (szKey.isEmpty() && ((nKey >= Qt::Key_A && nKey <= Qt::Key_Z) || (nKey >= Qt::Key_0 && nKey <= Qt::Key_9)))
        szKey = QChar(nKey);
    KeyTip chosen;
    bool bFound = false;
    if (!szKey.isEmpty()) {
        for (const KeyTip& tip : m_keyTips) {
            if (tip.szKey.compare(szKey, Qt::CaseInsensitive) == 0) {
                chosen = tip;
                bFound = true;
                break;
            }
        }
    }
    if (!bFound) {
        HideKeyTips();
        return false;
    }
    if (chosen.nTab >= 0) {
        SetActiveCategory(chosen.nTab);
        EnterLevel(Level::Category);
        return true;
    }
    if (chosen.pWidget == m_pAppButton) {
        ShowApplicationMenu();
        EnterLevel(Level::ApplicationMenu);
        return true;
    }
    QWidget* pWidget = chosen.pWidget;
    HideKeyTips();
    if (!pWidget || !pWidget->isEnabled())
        return true;
    if (auto* pEdit = qobject_cast<QLineEdit*>(pWidget)) {
        pEdit->setFocus(Qt::ShortcutFocusReason);
        pEdit->selectAll();
    } else if (auto* pButton = qobject_cast<QAbstractButton*>(pWidget)) {
        pButton->click();
    } else {
        pWidget->setFocus(Qt::ShortcutFocusReason);
    }
    return true;
}

void CRibbonBar::ShowKeyTips()
{
    EnterLevel(Level::Top);
}

void CRibbonBar::HideKeyTips()
{
    ClearKeyTipLabels();
    m_nLevel = Level::None;
}

QStringList CRibbonBar::VisibleKeyTips() const
{
    QStringList keys;
    for (const KeyTip& tip : m_keyTips)
        keys.append(tip.szKey);
    return keys;
}

void CRibbonBar::ClearKeyTipLabels()
{
    for (KeyTip& tip : m_keyTips)
        delete tip.pLabel;
    m_keyTips.clear();
}

void CRibbonBar::AddKeyTip(QWidget* pHost, const QPoint& ptBottomCentre, const QString& szKey, QWidget* pWidget,
                           int nTab)
{
    if (szKey.isEmpty())
        return;
    auto* pLabel = new QLabel(szKey, pHost);
    pLabel->setObjectName(QStringLiteral("ribbonKeyTip"));
    pLabel->setAutoFillBackground(true);
    pLabel->setBackgroundRole(QPalette::ToolTipBase);
    pLabel->setForegroundRole(QPalette::ToolTipText);
    pLabel->setFrameShape(QFrame::Box);
    pLabel->setMargin(1);
    pLabel->adjustSize();
    pLabel->move(ptBottomCentre - QPoint(pLabel->width() / 2, pLabel->height() - 2));
    pLabel->show();
    pLabel->raise();
    m_keyTips.append(KeyTip {szKey, pWidget, nTab, pLabel});
}

void CRibbonBar::EnterLevel(Level level)
{
    ClearKeyTipLabels();
    m_nLevel = level;
    QWidget* pHost = window();
    auto bottomCentre = [](QWidget* pWidget, QWidget* pTo) {
        return pWidget->mapTo(pTo, QPoint(pWidget->width() / 2, pWidget->height()));
    };
    auto addElements = [&](QWidget* pRoot, QWidget* pTipHost) {
        const QList<QWidget*> widgets = pRoot->findChildren<QWidget*>();
        for (QWidget* pWidget : widgets) {
            const QString szKey = pWidget->property("ribbonKeyTip").toString();
            if (!szKey.isEmpty() && pWidget->isVisible())
                AddKeyTip(pTipHost, bottomCentre(pWidget, pTipHost), szKey, pWidget, -1);
        }
    };
    switch (level) {
    case Level::Top:
        AddKeyTip(pHost, bottomCentre(m_pAppButton, pHost), m_pAppButton->property("ribbonKeyTip").toString(),
                  m_pAppButton, -1);
        for (int i = 0; i < m_categories.size(); ++i) {
            const QRect rcTab = m_pTabs->tabRect(i);
            AddKeyTip(pHost, m_pTabs->mapTo(pHost, QPoint(rcTab.center().x(), rcTab.bottom())),
                      m_categories[i]->KeyTip(), nullptr, i);
        }
        for (QToolButton* pButton : m_tabButtons)
            AddKeyTip(pHost, bottomCentre(pButton, pHost), pButton->property("ribbonKeyTip").toString(), pButton, -1);
        break;
    case Level::Category:
        if (CRibbonCategory* pCategory = ActiveCategory())
            addElements(pCategory, pHost);
        break;
    case Level::ApplicationMenu:
        addElements(m_pAppMenu, m_pAppMenu);
        break;
    case Level::None:
        break;
    }
}
