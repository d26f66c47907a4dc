// SPDX-License-Identifier: Apache-2.0
#include "CRibbonBar.h"
#include "CRibbonApplicationMenu.h"
#include "CRibbonCategory.h"
#include "CRibbonPanel.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// A window with a ribbon of two categories, built the way an application builds its own.
class RibbonBar : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto* pLayout = new QVBoxLayout(&m_window);
        m_pRibbon = new CRibbonBar(&m_window);
        pLayout->addWidget(m_pRibbon);
        pLayout->addStretch(1);
        m_pRibbon->SetApplicationButton(QIcon(), QStringLiteral("F"), QStringLiteral("App"), 45);
        m_pOpen = Make("Open");
        m_pExit = Make("Exit");
        m_pCheck = Make("Check me");
        m_pCheck->setCheckable(true);
        m_pPath = Make("Path");
        m_pBrowse = Make("Browse");
        m_pStyle = Make("Style");
        m_pRecent = Make("1 recent.pdf");
        m_pRecentHidden = Make("2 hidden.pdf");
        m_pRecentHidden->setVisible(false);

        CRibbonApplicationMenu* pMenu = m_pRibbon->ApplicationMenu();
        pMenu->AddButton(m_pOpen, QStringLiteral("O"));
        pMenu->AddSeparator();
        pMenu->SetRecentFiles(QStringLiteral("Recent Files"), {m_pRecent, m_pRecentHidden}, 100);
        pMenu->AddBottomButton(m_pExit);

        CRibbonPanel* pPanel
            = m_pRibbon->AddCategory(QStringLiteral("Home"), QStringLiteral("H"))->AddPanel(QStringLiteral("Things"));
        pPanel->AddButton(m_pOpen, QStringLiteral("O"));
        pPanel->AddSeparator();
        m_pBox = pPanel->AddCheckBox(m_pCheck, QStringLiteral("C"));
        pPanel->BeginGroup();
        m_pLabel = pPanel->AddGroupLabel(QStringLiteral("Merge Output: "));
        m_pEdit = pPanel->AddGroupEdit(m_pPath, 120);
        m_pBrowseButton = pPanel->AddGroupButton(m_pBrowse, QStringLiteral("T"));
        m_pRibbon->AddCategory(QStringLiteral("Help"), QStringLiteral("E"))->AddPanel(QStringLiteral("Help"));
        m_pStyleMenu = new QMenu(&m_window);
        m_pStyleMenu->addAction(QStringLiteral("&Blue Style"));
        m_pStyleButton = m_pRibbon->AddToTabs(m_pStyle, QStringLiteral("S"), m_pStyleMenu);

        m_window.resize(700, 300);
        m_window.show();
        m_window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
    }

    QAction* Make(const char* szText)
    {
        auto* pAction = new QAction(QString::fromLatin1(szText), &m_window);
        pAction->setObjectName(QString::fromLatin1(szText));
        m_window.addAction(pAction);
        return pAction;
    }

    QWidget m_window;
    CRibbonBar* m_pRibbon = nullptr;
    QAction* m_pOpen = nullptr;
    QAction* m_pExit = nullptr;
    QAction* m_pCheck = nullptr;
    QAction* m_pPath = nullptr;
    QAction* m_pBrowse = nullptr;
    QAction* m_pStyle = nullptr;
    QAction* m_pRecent = nullptr;
    QAction* m_pRecentHidden = nullptr;
    QCheckBox* m_pBox = nullptr;
    QLabel* m_pLabel = nullptr;
    QLineEdit* m_pEdit = nullptr;
    QToolButton* m_pBrowseButton = nullptr;
    QToolButton* m_pStyleButton = nullptr;
    QMenu* m_pStyleMenu = nullptr;
};

int MiddleY(QWidget* pWidget, QWidget* pTo)
{
    return pWidget->mapTo(pTo, pWidget->rect().center()).y();
}

} // namespace

TEST_F(RibbonBar, AButtonsGroupStaysOnOneRowWithTheEditAtItsWidth)
{
    EXPECT_EQ(m_pEdit->width(), 120);
    EXPECT_EQ(m_pEdit->objectName(), QStringLiteral("Path"));
    const int y = MiddleY(m_pEdit, &m_window);
    EXPECT_NEAR(MiddleY(m_pLabel, &m_window), y, 3);
    EXPECT_NEAR(MiddleY(m_pBrowseButton, &m_window), y, 3);
    EXPECT_LT(m_pLabel->x(), m_pEdit->x());
    EXPECT_LT(m_pEdit->x(), m_pBrowseButton->x());
    // The check box sits above the group, in the same column.
    EXPECT_LT(MiddleY(m_pBox, &m_window), y);
}

TEST_F(RibbonBar, ACheckBoxShowsItsActionAndAClickTriggersIt)
{
    QSignalSpy triggered(m_pCheck, &QAction::triggered);
    EXPECT_EQ(m_pBox->text(), QStringLiteral("Check me"));
    QTest::mouseClick(m_pBox, Qt::LeftButton);
    EXPECT_EQ(triggered.count(), 1);
    EXPECT_TRUE(m_pCheck->isChecked());
    // The action decides: whoever changes it, the box follows.
    m_pCheck->setChecked(false);
    EXPECT_FALSE(m_pBox->isChecked());
    m_pCheck->setEnabled(false);
    EXPECT_FALSE(m_pBox->isEnabled());
    m_pPath->setEnabled(false);
    EXPECT_FALSE(m_pEdit->isEnabled());
}

TEST_F(RibbonBar, LargeButtonsFollowTheirActionAndBreakLongTextsInTwo)
{
    auto* pButton = m_pRibbon->Category(0)->findChild<QToolButton*>(QStringLiteral("Open"));
    ASSERT_NE(pButton, nullptr);
    QSignalSpy triggered(m_pOpen, &QAction::triggered);
    QTest::mouseClick(pButton, Qt::LeftButton);
    EXPECT_EQ(triggered.count(), 1);
    m_pOpen->setEnabled(false);
    EXPECT_FALSE(pButton->isEnabled());
    m_pOpen->setText(QStringLiteral("Edit Document Properties"));
    EXPECT_EQ(pButton->text(), QStringLiteral("Edit Document\nProperties"));
    EXPECT_EQ(CRibbonPanel::TwoLineText(QStringLiteral("Move Up")), QStringLiteral("Move Up"));
    EXPECT_EQ(CRibbonPanel::TwoLineText(QStringLiteral("Remove All")), QStringLiteral("Remove\nAll"));
    EXPECT_EQ(CRibbonPanel::TwoLineText(QStringLiteral("Unbreakable")), QStringLiteral("Unbreakable"));
}

TEST_F(RibbonBar, TheApplicationMenuClosesBeforeItsCommandRuns)
{
    CRibbonApplicationMenu* pMenu = m_pRibbon->ApplicationMenu();
    QSignalSpy aboutToShow(pMenu, &CRibbonApplicationMenu::aboutToShow);
    QTest::mouseClick(m_pRibbon->ApplicationButton(), Qt::LeftButton);
    ASSERT_TRUE(pMenu->isVisible());
    EXPECT_EQ(aboutToShow.count(), 1);
    EXPECT_FALSE(pMenu->ButtonFor(m_pRecentHidden)->isVisible());
    EXPECT_TRUE(pMenu->ButtonFor(m_pRecent)->isVisible());
    QTest::keyClick(pMenu, Qt::Key_Escape);
    EXPECT_FALSE(pMenu->isVisible());
    QTest::mouseClick(m_pRibbon->ApplicationButton(), Qt::LeftButton);
    ASSERT_TRUE(pMenu->isVisible());

    bool bMenuVisibleWhileRunning = true;
    QObject::connect(m_pExit, &QAction::triggered, [&] { bMenuVisibleWhileRunning = pMenu->isVisible(); });
    QTest::mouseClick(pMenu->ButtonFor(m_pExit), Qt::LeftButton);
    EXPECT_FALSE(bMenuVisibleWhileRunning);
}

TEST_F(RibbonBar, KeyTipsLeadThroughTabsAndTheApplicationMenu)
{
    QTest::keyClick(&m_window, Qt::Key_Alt);
    EXPECT_EQ(m_pRibbon->VisibleKeyTips(), (QStringList {"F", "H", "E", "S"}));
    QTest::keyClick(&m_window, Qt::Key_H);
    EXPECT_EQ(m_pRibbon->VisibleKeyTips(), (QStringList {"O", "C", "T"}));
    QSignalSpy browsed(m_pBrowse, &QAction::triggered);
    QTest::keyClick(&m_window, Qt::Key_T);
    EXPECT_EQ(browsed.count(), 1);
    EXPECT_FALSE(m_pRibbon->IsKeyTipMode());

    // F opens the menu and shows its letters, digits for the recent files.
    QTest::keyClick(&m_window, Qt::Key_Alt);
    QTest::keyClick(&m_window, Qt::Key_F);
    CRibbonApplicationMenu* pMenu = m_pRibbon->ApplicationMenu();
    ASSERT_TRUE(pMenu->isVisible());
    EXPECT_EQ(m_pRibbon->VisibleKeyTips(), (QStringList {"O", "1"}));
    QTest::keyClick(pMenu, Qt::Key_Escape);
    EXPECT_FALSE(pMenu->isVisible());
    EXPECT_EQ(m_pRibbon->VisibleKeyTips().size(), 4);
    QTest::keyClick(&m_window, Qt::Key_F);
    QSignalSpy recent(m_pRecent, &QAction::triggered);
    QTest::keyClick(pMenu, Qt::Key_1);
    EXPECT_EQ(recent.count(), 1);
    EXPECT_FALSE(pMenu->isVisible());

    // Alt held down while the letters are typed works the same.
    // (sent by hand: QTest would press Alt again before each letter).
    QTest::keyPress(&m_window, Qt::Key_Alt);
    for (Qt::Key key : {Qt::Key_H, Qt::Key_T}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::AltModifier, QString());
        QApplication::sendEvent(&m_window, &press);
    }
    QTest::keyRelease(&m_window, Qt::Key_Alt);
    EXPECT_EQ(browsed.count(), 2);

    // Alt a second time, or a click, ends the tips.
    QTest::keyClick(&m_window, Qt::Key_Alt);
    QTest::keyClick(&m_window, Qt::Key_Alt);
    EXPECT_FALSE(m_pRibbon->IsKeyTipMode());
    QTest::keyClick(&m_window, Qt::Key_Alt);
    QTest::mouseClick(m_pEdit, Qt::LeftButton);
    EXPECT_FALSE(m_pRibbon->IsKeyTipMode());
}

TEST_F(RibbonBar, TheTabRowMenuOpensBelowItsButtonAlignedRight)
{
    EXPECT_GT(m_pStyleButton->mapTo(m_pRibbon, QPoint(0, 0)).x(), m_pRibbon->TabBar()->geometry().right());
    m_pStyle->trigger();
    ASSERT_TRUE(m_pStyleMenu->isVisible());
    const QPoint corner = m_pStyleButton->mapToGlobal(QPoint(m_pStyleButton->width(), m_pStyleButton->height()));
    EXPECT_EQ(m_pStyleMenu->geometry().top(), corner.y());
    EXPECT_NEAR(m_pStyleMenu->geometry().right() + 1, corner.x(), 2);
    m_pStyleMenu->close();
}
