// SPDX-License-Identifier: Apache-2.0
#include "controls/CRibbonBar.h"
#include "controls/CRibbonApplicationMenu.h"
#include "controls/CRibbonCategory.h"
#include "controls/CRibbonPanel.h"

#include "tests/controls/FileListFixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>

using namespace controls_test;

namespace {

// A window with a ribbon of two categories, built the way an application builds its own.
class RibbonBar : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* sz : {"Open", "Exit", "Check me", "Path", "Browse", "Style", "1 recent.pdf", "2 hidden.pdf"})
            m_window.addAction(sz)->setObjectName(sz);
        A("Check me")->setCheckable(true);
        A("2 hidden.pdf")->setVisible(false);

        auto* pLayout = new QVBoxLayout(&m_window);
        pLayout->addWidget(m_pRibbon);
        pLayout->addStretch(1);
        m_pRibbon->SetApplicationButton(QIcon(), "F", "App", 45);
        m_pMenu = m_pRibbon->ApplicationMenu();
        m_pMenu->AddButton(A("Open"), "O");
        m_pMenu->AddSeparator();
        m_pMenu->SetRecentFiles("Recent Files", {A("1 recent.pdf"), A("2 hidden.pdf")}, 100);
        m_pMenu->AddBottomButton(A("Exit"));

        CRibbonPanel* pPanel = m_pRibbon->AddCategory("Home", "H")->AddPanel("Things");
        pPanel->AddButton(A("Open"), "O");
        pPanel->AddSeparator();
        m_pBox = pPanel->AddCheckBox(A("Check me"), "C");
        pPanel->BeginGroup();
        m_pLabel = pPanel->AddGroupLabel("Merge Output: ");
        m_pEdit = pPanel->AddGroupEdit(A("Path"), 120);
        m_pBrowseButton = pPanel->AddGroupButton(A("Browse"), "T");
        m_pRibbon->AddCategory("Help", "E")->AddPanel("Help");
        m_pStyleMenu->addAction("&Blue Style");
        m_pStyleButton = m_pRibbon->AddToTabs(A("Style"), "S", m_pStyleMenu);

        m_window.resize(700, 300);
        m_window.show();
        m_window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
    }

    QAction* A(const char* szText) const { return m_window.findChild<QAction*>(QLatin1String(szText)); }
    void Key(Qt::Key key) { QTest::keyClick(&m_window, key); }
    int MiddleY(QWidget* pWidget) const { return pWidget->mapTo(&m_window, pWidget->rect().center()).y(); }

    QWidget m_window;
    CRibbonBar* m_pRibbon = new CRibbonBar(&m_window);
    CRibbonApplicationMenu* m_pMenu = nullptr;
    QCheckBox* m_pBox = nullptr;
    QLabel* m_pLabel = nullptr;
    QLineEdit* m_pEdit = nullptr;
    QToolButton* m_pBrowseButton = nullptr;
    QToolButton* m_pStyleButton = nullptr;
    QMenu* m_pStyleMenu = new QMenu(&m_window);
};

} // namespace

TEST_F(RibbonBar, AButtonsGroupStaysOnOneRowUnderTheCheckBoxOfItsColumn)
{
    const int y = MiddleY(m_pEdit);
    EXPECT_NEAR(MiddleY(m_pLabel), y, 3);
    EXPECT_NEAR(MiddleY(m_pBrowseButton), y, 3);
    EXPECT_LT(m_pLabel->x(), m_pEdit->x());
    EXPECT_LT(m_pEdit->x(), m_pBrowseButton->x());
    EXPECT_LT(MiddleY(m_pBox), y);
}

TEST_F(RibbonBar, ElementsFollowTheirActionAndAClickTriggersIt)
{
    auto* pOpen = m_pRibbon->Category(0)->findChild<QToolButton*>(QStringLiteral("Open"));
    ASSERT_NE(pOpen, nullptr);
    QSignalSpy opened(A("Open"), &QAction::triggered);
    QSignalSpy checked(A("Check me"), &QAction::triggered);
    QTest::mouseClick(pOpen, Qt::LeftButton);
    QTest::mouseClick(m_pBox, Qt::LeftButton);
    EXPECT_EQ(opened.count(), 1);
    EXPECT_EQ(checked.count(), 1);
    EXPECT_TRUE(A("Check me")->isChecked());
    A("Check me")->setChecked(false);
    EXPECT_FALSE(m_pBox->isChecked()) << "whoever changes the action, the box follows";
    for (const auto& [szAction, pWidget] :
         {std::pair<const char*, QWidget*> {"Open", pOpen}, {"Check me", m_pBox}, {"Path", m_pEdit}}) {
        A(szAction)->setEnabled(false);
        EXPECT_FALSE(pWidget->isEnabled()) << szAction;
    }
    // Large buttons break long texts in two.
    A("Open")->setText(QStringLiteral("Edit Document Properties"));
    EXPECT_EQ(pOpen->text(), QStringLiteral("Edit Document\nProperties"));
    A("Open")->setText(QStringLiteral("Move Up"));
    EXPECT_EQ(pOpen->text(), QStringLiteral("Move Up"));
}

TEST_F(RibbonBar, TheApplicationMenuClosesBeforeItsCommandRuns)
{
    QSignalSpy aboutToShow(m_pMenu, &CRibbonApplicationMenu::aboutToShow);
    QTest::mouseClick(m_pRibbon->ApplicationButton(), Qt::LeftButton);
    ASSERT_TRUE(m_pMenu->isVisible());
    EXPECT_EQ(aboutToShow.count(), 1);
    EXPECT_FALSE(m_pMenu->ButtonFor(A("2 hidden.pdf"))->isVisible());
    EXPECT_TRUE(m_pMenu->ButtonFor(A("1 recent.pdf"))->isVisible());

    bool bMenuVisibleWhileRunning = true;
    QObject::connect(A("Exit"), &QAction::triggered, [&] { bMenuVisibleWhileRunning = m_pMenu->isVisible(); });
    QTest::mouseClick(m_pMenu->ButtonFor(A("Exit")), Qt::LeftButton);
    EXPECT_FALSE(bMenuVisibleWhileRunning);
}

TEST_F(RibbonBar, KeyTipsLeadThroughTabsAndTheApplicationMenu)
{
    Key(Qt::Key_Alt);
    EXPECT_EQ(m_pRibbon->VisibleKeyTips(), (QStringList {"F", "H", "E", "S"}));
    Key(Qt::Key_H);
    EXPECT_EQ(m_pRibbon->VisibleKeyTips(), (QStringList {"O", "C", "T"}));
    QSignalSpy browsed(A("Browse"), &QAction::triggered);
    Key(Qt::Key_T);
    EXPECT_EQ(browsed.count(), 1);
    EXPECT_FALSE(m_pRibbon->IsKeyTipMode());

    // F opens the menu and shows its letters, digits for the recent files.
    Key(Qt::Key_Alt);
    Key(Qt::Key_F);
    ASSERT_TRUE(m_pMenu->isVisible());
    EXPECT_EQ(m_pRibbon->VisibleKeyTips(), (QStringList {"O", "1"}));
    QTest::keyClick(m_pMenu, Qt::Key_Escape);
    EXPECT_FALSE(m_pMenu->isVisible());
    EXPECT_EQ(m_pRibbon->VisibleKeyTips().size(), 4);
    Key(Qt::Key_F);
    QSignalSpy recent(A("1 recent.pdf"), &QAction::triggered);
    QTest::keyClick(m_pMenu, Qt::Key_1);
    EXPECT_EQ(recent.count(), 1);
    EXPECT_FALSE(m_pMenu->isVisible());

    // Alt held down while the letters are typed works the same
    // (sent by hand: QTest would press Alt again before each letter).
    QTest::keyPress(&m_window, Qt::Key_Alt);
    for (Qt::Key key : {Qt::Key_H, Qt::Key_T}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::AltModifier, QString());
        QApplication::sendEvent(&m_window, &press);
    }
    QTest::keyRelease(&m_window, Qt::Key_Alt);
    EXPECT_EQ(browsed.count(), 2);

    // Escape steps back a level; Alt a second time, a key without a tip, or a click ends the tips.
    Key(Qt::Key_Alt);
    Key(Qt::Key_H);
    Key(Qt::Key_Escape);
    EXPECT_EQ(m_pRibbon->VisibleKeyTips().size(), 4);
    Key(Qt::Key_Alt);
    EXPECT_FALSE(m_pRibbon->IsKeyTipMode());
    Key(Qt::Key_Alt);
    Key(Qt::Key_Z);
    EXPECT_FALSE(m_pRibbon->IsKeyTipMode());
    Key(Qt::Key_Alt);
    QTest::mouseClick(m_pEdit, Qt::LeftButton);
    EXPECT_FALSE(m_pRibbon->IsKeyTipMode());
}

TEST_F(RibbonBar, TheTabRowMenuOpensBelowItsButtonAlignedRight)
{
    EXPECT_GT(m_pStyleButton->mapTo(m_pRibbon, QPoint(0, 0)).x(), m_pRibbon->TabBar()->geometry().right());
    A("Style")->trigger();
    ASSERT_TRUE(m_pStyleMenu->isVisible());
    const QPoint corner = m_pStyleButton->mapToGlobal(QPoint(m_pStyleButton->width(), m_pStyleButton->height()));
    EXPECT_EQ(m_pStyleMenu->geometry().top(), corner.y());
    EXPECT_NEAR(m_pStyleMenu->geometry().right() + 1, corner.x(), 2);
    m_pStyleMenu->close();
}
