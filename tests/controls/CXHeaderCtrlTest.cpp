// SPDX-License-Identifier: Apache-2.0
#include "CXHeaderCtrl.h"

#include "CXThemeHelper.h"
#include "ControlPixels.h"

#include <QSignalSpy>
#include <QStandardItemModel>

using namespace controls_test;

namespace {

const QColor kFrame(51, 102, 153);
const QColor kTick(51, 153, 51);

class CXHeaderCtrlTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CXThemeHelper::SetClassicLook(true);
        m_model.setColumnCount(3);
        m_model.setHeaderData(0, Qt::Horizontal, QStringLiteral("Alpha"));
        m_model.setHeaderData(1, Qt::Horizontal, QStringLiteral("Beta"));
        m_model.setHeaderData(2, Qt::Horizontal, QStringLiteral("Gamma"));
        m_header.setModel(&m_model);
        m_header.InsertColumn(0, CXCheckbox::UNCHECKED);
        m_header.InsertColumn(1, CXCheckbox::NONE);
        m_header.resizeSection(0, 120);
        m_header.resizeSection(1, 120);
        m_header.resizeSection(2, 120);
        m_header.resize(360, 26);
        ASSERT_TRUE(ShowActive(&m_header));
    }
    void TearDown() override { CXThemeHelper::SetClassicLook(false); }

    QPoint BoxCentre(int nCol) const { return m_header.CheckboxRect(nCol).center(); }
    QColor Face() const { return m_header.palette().color(QPalette::Active, QPalette::Button); }
    int BoxTop() const { return (m_header.viewport()->height() - 13) / 2; }

    QStandardItemModel m_model;
    CXHeaderCtrl m_header;
};

TEST_F(CXHeaderCtrlTest, BoxSitsFivePixelsInAndTheCaptionFollowsIt)
{
    const QImage image = Grab(&m_header);
    const int top = BoxTop();
    EXPECT_EQ(m_header.CheckboxRect(0), QRect(5, top, 13, 13));
    EXPECT_EQ(Pixel(image, 5, top + 6), kFrame);
    EXPECT_EQ(Pixel(image, 17, top + 6), kFrame);
    EXPECT_EQ(Pixel(image, 4, top + 6), Face());
    EXPECT_NE(Pixel(image, 11, top + 6), kTick) << "unchecked";

    const QRect alpha = InkBounds(image, QRect(19, 0, 100, image.height()), Face());
    ASSERT_FALSE(alpha.isNull());
    EXPECT_GE(alpha.left(), 5 + 17);
    EXPECT_LE(alpha.left(), 5 + 17 + 3);

    // State 0: no box, the caption starts 5 pixels in.
    EXPECT_TRUE(m_header.CheckboxRect(1).isNull());
    const QRect beta = InkBounds(image, QRect(121, 0, 118, image.height()), Face());
    ASSERT_FALSE(beta.isNull());
    EXPECT_GE(beta.left(), 120 + 5);
    EXPECT_LE(beta.left(), 120 + 5 + 3);
}

TEST_F(CXHeaderCtrlTest, PressAndReleaseOnTheBoxToggleItOnceAndTellTheList)
{
    QSignalSpy clicked(&m_header, &CXHeaderCtrl::checkboxClicked);
    QTest::mouseClick(m_header.viewport(), Qt::LeftButton, {}, BoxCentre(0));
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.front().at(0).toInt(), 0);
    EXPECT_EQ(m_header.GetCheck(0), CXCheckbox::CHECKED);
    const QImage image = Grab(&m_header);
    EXPECT_EQ(Pixel(image, 5 + 6, BoxTop() + 6), kTick);

    // A press on the box that is released elsewhere changes nothing.
    QTest::mousePress(m_header.viewport(), Qt::LeftButton, {}, BoxCentre(0));
    QTest::mouseRelease(m_header.viewport(), Qt::LeftButton, {}, QPoint(80, 10));
    QTest::mouseClick(m_header.viewport(), Qt::LeftButton, {}, QPoint(80, 10));
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(m_header.GetCheck(0), CXCheckbox::CHECKED);
}

TEST_F(CXHeaderCtrlTest, QuickDoubleClickTogglesTwice)
{
    QSignalSpy clicked(&m_header, &CXHeaderCtrl::checkboxClicked);
    QTest::mouseClick(m_header.viewport(), Qt::LeftButton, {}, BoxCentre(0));
    QTest::mouseDClick(m_header.viewport(), Qt::LeftButton, {}, BoxCentre(0));
    QTest::mouseRelease(m_header.viewport(), Qt::LeftButton, {}, BoxCentre(0));
    EXPECT_EQ(clicked.count(), 2);
    EXPECT_EQ(m_header.GetCheck(0), CXCheckbox::UNCHECKED);
}

TEST_F(CXHeaderCtrlTest, DisabledClicksAreSwallowed)
{
    QSignalSpy clicked(&m_header, &CXHeaderCtrl::checkboxClicked);
    QSignalSpy sectionClicked(&m_header, &QHeaderView::sectionClicked);
    m_header.SetColumnEnabled(0, false);
    QTest::mouseClick(m_header.viewport(), Qt::LeftButton, {}, BoxCentre(0));
    m_header.SetColumnEnabled(0, true);
    m_header.EnableClicks(false);
    QTest::mouseClick(m_header.viewport(), Qt::LeftButton, {}, BoxCentre(0));
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_EQ(sectionClicked.count(), 0);
    EXPECT_EQ(m_header.GetCheck(0), CXCheckbox::UNCHECKED);
}

TEST_F(CXHeaderCtrlTest, HotItemFollowsThePointerAndReturnsToNormalWhenItLeaves)
{
    CXThemeHelper::SetClassicLook(false);
    QMouseEvent move(QEvent::MouseMove, QPointF(200, 10), m_header.viewport()->mapToGlobal(QPointF(200, 10)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(m_header.viewport(), &move);
    EXPECT_EQ(m_header.GetHotColumn(), 1);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&m_header, &leave);
    EXPECT_EQ(m_header.GetHotColumn(), -1);
}

} // namespace
