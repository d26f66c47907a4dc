// SPDX-License-Identifier: Apache-2.0
#include "CXCheckbox.h"

#include "CXThemeHelper.h"
#include "ControlPixels.h"

#include <QPainter>

#include <memory>

using namespace controls_test;

namespace {

const QColor kFrame(51, 102, 153);
const QColor kTick(51, 153, 51);
const QColor kPaper(200, 10, 200);

class CXCheckboxTest : public ::testing::Test
{
protected:
    void SetUp() override { CXThemeHelper::SetClassicLook(true); }
    void TearDown() override { CXThemeHelper::SetClassicLook(false); }

    // Draws `box` into `rect` on a 40 x 40 image of kPaper; returns what Draw answered.
    int DrawInto(const CXCheckbox& box, const QRect& rect)
    {
        m_image = QImage(40, 40, QImage::Format_RGB32);
        m_image.fill(kPaper);
        QPainter painter(&m_image);
        return box.Draw(&painter, rect);
    }

    QWidget m_parent;
    QImage m_image;
};

TEST_F(CXCheckboxTest, ClassicCheckedBoxShowsGreenTickInBlueGreyFrameOnWindowColour)
{
    CXCheckbox box(&m_parent, CXCheckbox::CHECKED);
    // A 20-pixel-high rectangle: the box sits 3 pixels below its top.
    EXPECT_EQ(DrawInto(box, QRect(4, 10, 30, 20)), 17);
    const QPoint o(4, 13);
    const QColor window = m_parent.palette().color(QPalette::Active, QPalette::Base);

    EXPECT_EQ(Pixel(m_image, o), kFrame);
    EXPECT_EQ(Pixel(m_image, o + QPoint(12, 12)), kFrame);
    EXPECT_EQ(Pixel(m_image, o + QPoint(6, 0)), kFrame);
    EXPECT_EQ(Pixel(m_image, o + QPoint(0, 6)), kFrame);
    EXPECT_EQ(Pixel(m_image, o + QPoint(-1, 6)), kPaper) << "nothing left of the box";
    EXPECT_EQ(Pixel(m_image, o + QPoint(6, -1)), kPaper) << "nothing above the box";
    EXPECT_EQ(Pixel(m_image, o + QPoint(13, 6)), kPaper) << "nothing right of the box";

    // The tick: strokes of 3 pixels with tops (9,3) (8,4) (7,5) (6,6) (5,7) (4,6) (3,5).
    const int tops[7] = {3, 4, 5, 6, 7, 6, 5};
    for (int i = 0; i < 7; ++i) {
        const int x = 9 - i;
        for (int dy = 0; dy < 3; ++dy)
            EXPECT_EQ(Pixel(m_image, o + QPoint(x, tops[i] + dy)), kTick) << "stroke " << i << " pixel " << dy;
        EXPECT_EQ(Pixel(m_image, o + QPoint(x, tops[i] - 1)), window) << "above stroke " << i;
        EXPECT_EQ(Pixel(m_image, o + QPoint(x, tops[i] + 3)), window) << "below stroke " << i;
    }
    EXPECT_EQ(Pixel(m_image, o + QPoint(2, 2)), window);
    EXPECT_EQ(Pixel(m_image, o + QPoint(10, 10)), window);
}

TEST_F(CXCheckboxTest, DrawsNothingWithoutStateRoomOrParent)
{
    CXCheckbox none(&m_parent, CXCheckbox::NONE);
    EXPECT_EQ(DrawInto(none, QRect(0, 0, 30, 20)), 0);
    EXPECT_EQ(Pixel(m_image, 0, 3), kPaper);

    CXCheckbox narrow(&m_parent, CXCheckbox::CHECKED);
    EXPECT_EQ(DrawInto(narrow, QRect(0, 0, 0, 20)), 0);

    auto pGone = std::make_unique<QWidget>();
    CXCheckbox orphan(pGone.get(), CXCheckbox::CHECKED);
    pGone.reset();
    EXPECT_EQ(DrawInto(orphan, QRect(0, 0, 30, 20)), 0);
    EXPECT_EQ(Pixel(m_image, 0, 3), kPaper);
}

TEST_F(CXCheckboxTest, ThemedBoxIsDrawnByTheStyleNotInTheClassicColours)
{
    CXThemeHelper::SetClassicLook(false);
    CXCheckbox box(&m_parent, CXCheckbox::CHECKED);
    EXPECT_EQ(DrawInto(box, QRect(0, 0, 30, 13)), 17);
    bool bClassicTick = false;
    bool bDrawn = false;
    for (int y = 0; y < 13; ++y) {
        for (int x = 0; x < 13; ++x) {
            bClassicTick |= Pixel(m_image, x, y) == kTick;
            bDrawn |= Pixel(m_image, x, y) != kPaper;
        }
    }
    EXPECT_TRUE(bDrawn);
    EXPECT_FALSE(bClassicTick);
    EXPECT_EQ(Pixel(m_image, 14, 6), kPaper) << "the style stays inside the 13-pixel box";
}

TEST(CXThemeHelperTest, ClassicLookAndMissingThemeAnswerFalseWithoutDrawing)
{
    CXThemeHelper helper;
    QWidget widget;
    QImage image(20, 20, QImage::Format_RGB32);
    image.fill(kPaper);
    QPainter painter(&image);

    CXThemeHelper::SetClassicLook(true);
    EXPECT_FALSE(helper.IsAppThemed());
    EXPECT_EQ(helper.OpenThemeData(&widget, "Button"), nullptr);
    EXPECT_FALSE(helper.DrawThemeBackground(nullptr, &painter, &widget, CXThemeHelper::BP_CHECKBOX, 5,
                                            QRect(0, 0, 13, 13), nullptr));
    EXPECT_FALSE(
        helper.DrawThemeText(nullptr, &painter, &widget, CXThemeHelper::BP_CHECKBOX, 1, "x", 0, QRect(0, 0, 13, 13)));
    EXPECT_FALSE(helper.CloseThemeData(nullptr));
    painter.end();
    EXPECT_EQ(image.pixelColor(6, 6), kPaper);

    CXThemeHelper::SetClassicLook(false);
    EXPECT_TRUE(helper.IsAppThemed());
    QStyle* hTheme = helper.OpenThemeData(&widget, "Button");
    ASSERT_NE(hTheme, nullptr);
    EXPECT_EQ(helper.OpenThemeData(&widget, nullptr), nullptr);
    painter.begin(&image);
    EXPECT_FALSE(helper.DrawThemeBackground(hTheme, &painter, &widget, 7, 1, QRect(0, 0, 13, 13), nullptr))
        << "unknown part";
    EXPECT_FALSE(helper.DrawThemeBackground(hTheme, &painter, &widget, CXThemeHelper::BP_CHECKBOX, 9,
                                            QRect(0, 0, 13, 13), nullptr))
        << "unknown state";
    EXPECT_FALSE(helper.DrawThemeBackground(hTheme, nullptr, &widget, CXThemeHelper::BP_CHECKBOX, 1,
                                            QRect(0, 0, 13, 13), nullptr));
    EXPECT_TRUE(helper.DrawThemeBackground(hTheme, &painter, &widget, CXThemeHelper::HP_HEADERITEM,
                                           CXThemeHelper::HIS_HOT, QRect(0, 0, 20, 20), nullptr));
    EXPECT_TRUE(helper.CloseThemeData(hTheme));
}

} // namespace
