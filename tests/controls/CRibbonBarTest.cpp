// SPDX-License-Identifier: Apache-2.0
#include "controls/CRibbonBar.h"
#include "controls/CRibbonApplicationMenu.h"
#include "controls/CRibbonCategory.h"
#include "controls/CRibbonPanel.h"

#include "tests/controls/FileListFixture.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QTabBar>
#include <QToolButton>

namespace {

// A window with a ribbon of two categories across its top, built as an application builds its own.
class RibbonBar : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* sz : {"Open", "Exit", "Check me", "Path", "Browse", "Style", "1 recent.pdf", "2 hidden.pdf"}) {
            m_window.addAction(sz)->setObjectName(sz);
            QObject::connect(A(sz), &QAction::triggered, [this, sz] {
                m_log += QStringLiteral(" %1%2").arg(sz, m_pMenu->isVisible() ? " (menu open)" : "");
            });
        }
        A("Check me")->setCheckable(true);
        A("2 hidden.pdf")->setVisible(false);

        m_pRibbon->SetApplicationButton(QIcon(), "F", "App", 45);
        m_pMenu->AddButton(A("Open"), "O");
        m_pMenu->AddSeparator();
        m_pMenu->SetRecentFiles("Recent Files", {A("1 recent.pdf"), A("2 hidden.pdf")}, 100);
        m_pMenu->AddBottomButton(A("Exit"));
        QObject::connect(m_pMenu, &CRibbonApplicationMenu::aboutToShow, [this] { m_log += " shown"; });

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
        m_pRibbon->resize(700, m_pRibbon->sizeHint().height());
        m_window.show();
        m_window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
    }

    QAction* A(const char* szText) const { return m_window.findChild<QAction*>(QLatin1String(szText)); }
    int MiddleY(QWidget* pWidget) const { return pWidget->mapTo(&m_window, pWidget->rect().center()).y(); }
    // The key tips shown ('-' out of key tip mode), " menu" while the application menu is open, then
    // what happened since the last call: the actions triggered and " shown" for the menu.
    std::string State()
    {
        const QString szTips = m_pRibbon->IsKeyTipMode() ? m_pRibbon->VisibleKeyTips().join("") : "-";
        return (szTips + (m_pMenu->isVisible() ? " menu" : "") + std::exchange(m_log, {})).toStdString();
    }

    QString m_log; // outlives the actions that write to it
    QWidget m_window;
    CRibbonBar* m_pRibbon = new CRibbonBar(&m_window);
    CRibbonApplicationMenu* m_pMenu = m_pRibbon->ApplicationMenu();
    QCheckBox* m_pBox = nullptr;
    QLabel* m_pLabel = nullptr;
    QLineEdit* m_pEdit = nullptr;
    QToolButton* m_pBrowseButton = nullptr;
    QToolButton* m_pStyleButton = nullptr;
    QMenu* m_pStyleMenu = new QMenu(&m_window);
};

} // namespace

// A buttons group stays on one row under the check box of its column; the tab row's menu opens below
// its button, aligned right.
TEST_F(RibbonBar, ElementsKeepTheirPlacesFollowTheirActionAndAClickTriggersIt)
{
    const int y = MiddleY(m_pEdit);
    EXPECT_LE(qMax(qAbs(MiddleY(m_pLabel) - y), qAbs(MiddleY(m_pBrowseButton) - y)), 3);
    EXPECT_TRUE(m_pLabel->x() < m_pEdit->x() && m_pEdit->x() < m_pBrowseButton->x());
    EXPECT_LT(MiddleY(m_pBox), y);

    EXPECT_GT(m_pStyleButton->mapTo(m_pRibbon, QPoint(0, 0)).x(), m_pRibbon->TabBar()->geometry().right());
    A("Style")->trigger();
    ASSERT_TRUE(m_pStyleMenu->isVisible());
    const QPoint corner = m_pStyleButton->mapToGlobal(QPoint(m_pStyleButton->width(), m_pStyleButton->height()));
    EXPECT_EQ(m_pStyleMenu->geometry().top(), corner.y());
    EXPECT_NEAR(m_pStyleMenu->geometry().right() + 1, corner.x(), 2);
    m_pStyleMenu->close();

    auto* pOpen = m_pRibbon->Category(0)->findChild<QToolButton*>(QStringLiteral("Open"));
    ASSERT_NE(pOpen, nullptr);
    QTest::mouseClick(pOpen, Qt::LeftButton);
    QTest::mouseClick(m_pBox, Qt::LeftButton);
    EXPECT_EQ(State(), "- Style Open Check me");
    EXPECT_TRUE(A("Check me")->isChecked());
    A("Check me")->setChecked(false);
    EXPECT_FALSE(m_pBox->isChecked()) << "whoever changes the action, the box follows";
    for (const char* sz : {"Open", "Check me", "Path"})
        A(sz)->setEnabled(false);
    EXPECT_FALSE(pOpen->isEnabled() || m_pBox->isEnabled() || m_pEdit->isEnabled());
    // Large buttons break long texts in two.
    A("Open")->setText(QStringLiteral("Edit Document Properties"));
    EXPECT_EQ(pOpen->text(), QStringLiteral("Edit Document\nProperties"));
    A("Open")->setText(QStringLiteral("Move Up"));
    EXPECT_EQ(pOpen->text(), QStringLiteral("Move Up"));

    // Assistive tools hear every element by a name; an icon-only button without text by its tooltip.
    A("Browse")->setText(QString());
    A("Browse")->setToolTip(QStringLiteral("Choose the output file"));
    QStringList names;
    for (QWidget* pWidget :
         std::initializer_list<QWidget*> {m_pRibbon->ApplicationButton(), pOpen, m_pBox, m_pEdit, m_pBrowseButton})
        names << QAccessible::queryAccessibleInterface(pWidget)->text(QAccessible::Name);
    EXPECT_EQ(names.join(", "), QStringLiteral("App, Move Up, Check me, Merge Output, Choose the output file"));
}

// Keys go to the application menu while it is open, else to the window. F opens the menu and shows
// its letters, digits for the recent files (not for a hidden one); Escape steps back a level; Alt a
// second time or a key without a tip ends the tips. The menu closes before its command runs.
TEST_F(RibbonBar, KeyTipsLeadThroughTabsAndTheApplicationMenu)
{
    const std::pair<Qt::Key, const char*> steps[] = {
        {Qt::Key_Alt, "FHES"},        {Qt::Key_H, "OCT"},
        {Qt::Key_T, "- Browse"},      {Qt::Key_Alt, "FHES"},
        {Qt::Key_F, "O1 menu shown"}, {Qt::Key_Escape, "FHES"},
        {Qt::Key_F, "O1 menu shown"}, {Qt::Key_1, "- 1 recent.pdf"},
        {Qt::Key_Alt, "FHES"},        {Qt::Key_H, "OCT"},
        {Qt::Key_Escape, "FHES"},     {Qt::Key_Alt, "-"},
        {Qt::Key_Alt, "FHES"},        {Qt::Key_Z, "-"},
        {Qt::Key_Alt, "FHES"},
    };
    for (const auto& [key, szState] : steps) {
        QTest::keyClick(m_pMenu->isVisible() ? static_cast<QWidget*>(m_pMenu) : &m_window, key);
        EXPECT_EQ(State(), szState) << QKeySequence(key).toString().toStdString();
    }
    // A click ends the tips too.
    QTest::mouseClick(m_pEdit, Qt::LeftButton);
    EXPECT_EQ(State(), "-");

    // Alt held down while the letters are typed works the same
    // (sent by hand: QTest would press Alt again before each letter).
    QTest::keyPress(&m_window, Qt::Key_Alt);
    for (Qt::Key key : {Qt::Key_H, Qt::Key_T}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::AltModifier, QString());
        QApplication::sendEvent(&m_window, &press);
    }
    QTest::keyRelease(&m_window, Qt::Key_Alt);
    EXPECT_EQ(State(), "- Browse");

    // The same menu from a click, with the hidden recent file left out.
    QTest::mouseClick(m_pRibbon->ApplicationButton(), Qt::LeftButton);
    EXPECT_EQ(State(), "- menu shown");
    EXPECT_EQ(std::pair(m_pMenu->ButtonFor(A("1 recent.pdf"))->isVisible(),
                        m_pMenu->ButtonFor(A("2 hidden.pdf"))->isVisible()),
              std::pair(true, false));
    QTest::mouseClick(m_pMenu->ButtonFor(A("Exit")), Qt::LeftButton);
    EXPECT_EQ(State(), "- Exit");
}
