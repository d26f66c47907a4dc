// SPDX-License-Identifier: Apache-2.0
#include "CXEdit.h"

#include "ControlPixels.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QSignalSpy>
#include <QVBoxLayout>

using namespace controls_test;

namespace {

// Records the presses it receives, with their positions.
class PressTarget : public QWidget
{
public:
    using QWidget::QWidget;
    QList<QPoint> m_presses;
    int m_nKillFocusBeforePress = -1;
    QSignalSpy* m_pKillFocusSpy = nullptr;

protected:
    void mousePressEvent(QMouseEvent* pEvent) override
    {
        m_presses << pEvent->position().toPoint();
        if (m_pKillFocusSpy)
            m_nKillFocusBeforePress = static_cast<int>(m_pKillFocusSpy->count());
    }
};

class CXEditTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_window.resize(300, 200);
        m_pTarget = new PressTarget(&m_window);
        m_pTarget->setGeometry(0, 100, 300, 100);
        m_pOther = new QLineEdit(&m_window);
        m_pOther->setGeometry(0, 60, 100, 20);
        ASSERT_TRUE(ShowActive(&m_window));
        // Like the list: the box is created over a shown window, then shown and focused.
        m_pEdit = new CXEdit(&m_window, QStringLiteral("12"));
        m_pEdit->setGeometry(10, 10, 100, 20);
        m_pEdit->show();
        m_pEdit->setFocus();
        ASSERT_TRUE(m_pEdit->hasFocus());
    }

    QWidget m_window;
    PressTarget* m_pTarget = nullptr;
    QLineEdit* m_pOther = nullptr;
    QPointer<CXEdit> m_pEdit;
};

TEST_F(CXEditTest, StartsWithTheWholeTextSelectedAndReplacesItWhenTyping)
{
    EXPECT_EQ(m_pEdit->selectedText(), QStringLiteral("12"));
    EXPECT_FALSE(m_pEdit->isUndoAvailable());
    QTest::keyClicks(m_pEdit, "7");
    EXPECT_EQ(m_pEdit->text(), QStringLiteral("7"));
}

TEST_F(CXEditTest, EnterReportsKillFocusOnceEvenWhenTheBoxThenLosesFocus)
{
    QSignalSpy kill(m_pEdit, &CXEdit::killFocus);
    QSignalSpy escape(m_pEdit, &CXEdit::escape);
    QTest::keyClick(m_pEdit, Qt::Key_Return);
    EXPECT_EQ(kill.count(), 1);
    m_pOther->setFocus();
    QTest::keyClick(m_pEdit, Qt::Key_Enter);
    m_pEdit->hide();
    delete m_pEdit;
    EXPECT_EQ(kill.count(), 1);
    EXPECT_EQ(escape.count(), 0);
}

TEST_F(CXEditTest, EscapeReportsOnceAndNoKillFocusAfterIt)
{
    QSignalSpy kill(m_pEdit, &CXEdit::killFocus);
    QSignalSpy escape(m_pEdit, &CXEdit::escape);
    QTest::keyClick(m_pEdit, Qt::Key_Escape);
    QTest::keyClick(m_pEdit, Qt::Key_Escape);
    m_pOther->setFocus();
    QTest::mouseClick(m_pTarget, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(escape.count(), 1);
    EXPECT_EQ(kill.count(), 0);
}

TEST_F(CXEditTest, LossOfFocusReportsKillFocus)
{
    QSignalSpy kill(m_pEdit, &CXEdit::killFocus);
    m_pOther->setFocus();
    EXPECT_EQ(kill.count(), 1);
    EXPECT_TRUE(m_pEdit->HasReported());
}

TEST_F(CXEditTest, PressOutsideReportsFirstThenReachesItsTargetAtTheSamePoint)
{
    QSignalSpy kill(m_pEdit, &CXEdit::killFocus);
    m_pTarget->m_pKillFocusSpy = &kill;
    QTest::mousePress(m_pTarget, Qt::LeftButton, {}, QPoint(40, 30));
    EXPECT_EQ(kill.count(), 1);
    EXPECT_EQ(m_pTarget->m_nKillFocusBeforePress, 1) << "the commit comes before the press acts";
    ASSERT_EQ(m_pTarget->m_presses.size(), 1);
    EXPECT_EQ(m_pTarget->m_presses.front(), QPoint(40, 30));
    QTest::mouseRelease(m_pTarget, Qt::LeftButton, {}, QPoint(40, 30));
    QTest::mouseClick(m_pTarget, Qt::LeftButton, {}, QPoint(41, 30));
    EXPECT_EQ(kill.count(), 1);
}

TEST_F(CXEditTest, PressInsideTheBoxIsOrdinaryEditing)
{
    QSignalSpy kill(m_pEdit, &CXEdit::killFocus);
    QTest::mouseClick(m_pEdit, Qt::LeftButton, {}, QPoint(3, 5));
    EXPECT_EQ(kill.count(), 0);
    EXPECT_TRUE(m_pEdit->hasFocus());
}

} // namespace
