// SPDX-License-Identifier: Apache-2.0
#include "CBusyProgressCtrl.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QPainter>
#include <QPalette>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace {

const QColor kFace(160, 190, 220);
const QColor kEdge(50, 90, 135);
const QColor kLitFace(190, 220, 255);

// Ten blocks across a bar 210 pixels wide with a gap of 1: each block is 20 pixels wide and block i
// starts at 21 * i.
class BusyProgressCtrlTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_ctrl.resize(210, 14);
        m_ctrl.Recalc();
    }

    QImage Frame() { return m_ctrl.grab().toImage(); }

    QColor Pixel(const QImage& image, int x, int y = 7) const { return image.pixelColor(x, y); }

    // One character per block: '#' lit, '.' unlit, as seen near the block's right edge (where a
    // partial fill does not reach).
    std::string Blocks()
    {
        const QImage image = Frame();
        std::string blocks;
        for (int i = 0; i < 10; ++i)
            blocks += Pixel(image, 21 * i + 18) == kLitFace ? '#' : '.';
        return blocks;
    }

    // Index of the single lit block, -1 when none, -2 when more than one.
    int LitBlock()
    {
        const std::string blocks = Blocks();
        const auto first = blocks.find('#');
        if (first == std::string::npos)
            return -1;
        return blocks.find('#', first + 1) == std::string::npos ? int(first) : -2;
    }

    // Lets queued repaint requests from the animation thread arrive until the frame differs from
    // `before` (the guard only keeps a broken animation from hanging the run).
    bool WaitForFrameOtherThan(const std::string& before)
    {
        QDeadlineTimer guard(20000);
        while (!guard.hasExpired()) {
            QApplication::processEvents(QEventLoop::AllEvents, 50);
            if (Blocks() != before)
                return true;
        }
        return false;
    }

    CBusyProgressCtrl m_ctrl {10, 0};
};

TEST_F(BusyProgressCtrlTest, ShouldRunBackAndForthOverTheBlocks)
{
    EXPECT_EQ(LitBlock(), 0);
    std::vector<int> seen;
    for (int i = 0; i < 19; ++i) {
        m_ctrl.StepIt();
        seen.push_back(LitBlock());
    }
    EXPECT_EQ(seen, (std::vector<int> {1, 2, 3, 4, 5, 6, 7, 8, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1}));
}

TEST_F(BusyProgressCtrlTest, ShouldLoopForwardAndBackward)
{
    m_ctrl.SetBusyType(CBusyProgressCtrl::BusyTypeLoopForward);
    m_ctrl.OnSetCurPos(8);
    m_ctrl.StepIt();
    EXPECT_EQ(LitBlock(), 9);
    m_ctrl.StepIt();
    EXPECT_EQ(LitBlock(), 0) << "after the last block the first is lit";

    m_ctrl.SetBusyType(CBusyProgressCtrl::BusyTypeLoopBackward);
    m_ctrl.Reset();
    std::vector<int> seen;
    for (int i = 0; i < 12; ++i) {
        m_ctrl.StepIt();
        seen.push_back(LitBlock());
    }
    EXPECT_EQ(seen, (std::vector<int> {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 9, 8}));
}

TEST_F(BusyProgressCtrlTest, ShouldWrapAPositionLeftBeyondTheEndWhenTheBarShrinks)
{
    m_ctrl.SetBusyType(CBusyProgressCtrl::BusyTypeLoopForward);
    m_ctrl.OnSetCurPos(15);
    m_ctrl.StepIt();
    EXPECT_EQ(LitBlock(), 0);
}

TEST_F(BusyProgressCtrlTest, ShouldLayOutBlocksWithTheGapBetweenThem)
{
    const QImage image = Frame();
    for (int i = 0; i < 10; ++i) {
        const int nLeft = 21 * i;
        SCOPED_TRACE(i);
        EXPECT_EQ(Pixel(image, nLeft), kEdge) << "left edge";
        EXPECT_EQ(Pixel(image, nLeft + 19), kEdge) << "right edge";
        EXPECT_EQ(Pixel(image, nLeft + 10, 0), kEdge) << "top edge";
        EXPECT_EQ(Pixel(image, nLeft + 10, 13), kEdge) << "bottom edge";
        EXPECT_EQ(Pixel(image, nLeft + 20), m_ctrl.palette().color(QPalette::Button)) << "gap";
    }
    EXPECT_EQ(Pixel(image, 1), kLitFace);
    EXPECT_EQ(Pixel(image, 22), kFace);
}

TEST(BusyProgressCtrlCreateTest, ShouldLayOutTheBlocksOfACreatedControlAtOnce)
{
    QWidget parent;
    CBusyProgressCtrl ctrl(7, 3);
    ASSERT_TRUE(ctrl.Create(QRect(5, 5, 147, 10), &parent, 1001));
    EXPECT_EQ(ctrl.parentWidget(), &parent);
    EXPECT_EQ(ctrl.geometry(), QRect(5, 5, 147, 10));
    const QImage image = ctrl.grab().toImage();
    // (147 - 7) / 7 = 20 pixels a block; block 3 is lit.
    EXPECT_EQ(image.pixelColor(3 * 21, 5), kEdge);
    EXPECT_EQ(image.pixelColor(3 * 21 + 10, 5), kLitFace);
    EXPECT_EQ(image.pixelColor(2 * 21 + 10, 5), kFace);
}

TEST_F(BusyProgressCtrlTest, ShouldFillAGrowingStretchWithPartialBlocks)
{
    m_ctrl.SetBusyFill(CBusyProgressCtrl::BusyFillStretch);
    m_ctrl.SetGranularity(4); // 40 positions over ten blocks

    m_ctrl.OnSetCurPos(10);
    QImage image = Frame();
    EXPECT_EQ(Blocks(), "##........");
    EXPECT_EQ(Pixel(image, 42), kEdge);
    for (int x = 43; x < 53; ++x)
        EXPECT_EQ(Pixel(image, x), kLitFace) << "x " << x;
    EXPECT_EQ(Pixel(image, 53), kFace);
    EXPECT_EQ(Pixel(image, 45, 0), kEdge) << "the partial fill stays inside the edge";
    EXPECT_EQ(Pixel(image, 45, 13), kEdge);

    m_ctrl.OnSetCurPos(3);
    image = Frame();
    EXPECT_EQ(Blocks(), "..........");
    EXPECT_EQ(Pixel(image, 0), kEdge);
    for (int x = 1; x < 16; ++x)
        EXPECT_EQ(Pixel(image, x), kLitFace) << "x " << x;
    EXPECT_EQ(Pixel(image, 16), kFace);

    m_ctrl.OnSetCurPos(0);
    image = Frame();
    EXPECT_EQ(Pixel(image, 1), kFace);

    // Back and forth turns the stretch round at full length.
    m_ctrl.OnSetCurPos(39);
    m_ctrl.StepIt();
    image = Frame();
    EXPECT_EQ(Blocks(), "#########.");
    EXPECT_EQ(Pixel(image, 199), kLitFace) << "half of the last block";
    EXPECT_EQ(Pixel(image, 200), kFace);
}

TEST_F(BusyProgressCtrlTest, ShouldShowTheProportionOfTheRangeInProgressMode)
{
    m_ctrl.OnSetMode(CBusyProgressCtrl::ModeProgress);
    m_ctrl.OnSetCurPos(50);
    EXPECT_EQ(Blocks(), "#####.....");
    m_ctrl.OnSetCurPos(100);
    EXPECT_EQ(Blocks(), "##########");

    m_ctrl.OnSetRange(-100, 100);
    m_ctrl.OnSetCurPos(0);
    EXPECT_EQ(Blocks(), "#####.....") << "the middle of the range lights half the bar";
    m_ctrl.OnSetCurPos(-100);
    EXPECT_EQ(Blocks(), "..........");

    m_ctrl.OnSetRange(5, 5);
    EXPECT_EQ(Blocks(), "..........") << "an empty range lights nothing";

    m_ctrl.OnSetMode(3);
    m_ctrl.Start();
    EXPECT_FALSE(m_ctrl.IsRunning()) << "mode 3 is ignored, and progress mode does not animate";
}

TEST_F(BusyProgressCtrlTest, ShouldDrawOnlyTheBackgroundForDegenerateSettings)
{
    const QColor background = m_ctrl.palette().color(QPalette::Button);
    m_ctrl.OnSetNumSteps(0);
    EXPECT_EQ(Pixel(Frame(), 10), background);

    m_ctrl.OnSetNumSteps(10);
    m_ctrl.OnSetIBPad(30); // more gap than the bar is wide
    EXPECT_EQ(Pixel(Frame(), 10), background);

    m_ctrl.OnSetIBPad(1);
    m_ctrl.SetBusyFill(3);
    EXPECT_EQ(Pixel(Frame(), 10), background);

    m_ctrl.SetBusyFill(CBusyProgressCtrl::BusyFillStretch);
    m_ctrl.SetGranularity(0);
    m_ctrl.OnSetCurPos(5);
    EXPECT_EQ(Blocks(), "..........");
}

TEST_F(BusyProgressCtrlTest, ShouldFollowThePaletteUnlessTheColourIsFixed)
{
    QPalette palette = m_ctrl.palette();
    palette.setColor(QPalette::Button, QColor(0, 128, 0));
    m_ctrl.setPalette(palette);
    EXPECT_EQ(Pixel(Frame(), 20), QColor(0, 128, 0));

    m_ctrl.OnUseSysCol(false);
    m_ctrl.OnSetColBkg(QColor(200, 0, 0));
    palette.setColor(QPalette::Button, QColor(0, 0, 128));
    m_ctrl.setPalette(palette);
    EXPECT_EQ(Pixel(Frame(), 20), QColor(200, 0, 0));

    m_ctrl.OnUseSysCol(true);
    EXPECT_EQ(Pixel(Frame(), 20), QColor(0, 0, 128));

    m_ctrl.OnSetColBFaceHi(QColor(255, 255, 0));
    m_ctrl.OnSetColBEdge(QColor(0, 0, 0));
    const QImage image = Frame();
    EXPECT_EQ(Pixel(image, 10), QColor(255, 255, 0));
    EXPECT_EQ(Pixel(image, 21), QColor(0, 0, 0));
}

TEST_F(BusyProgressCtrlTest, ShouldRedrawAtTheNewSizeAfterAResize)
{
    m_ctrl.resize(420, 20);
    QApplication::sendPostedEvents();
    m_ctrl.Recalc();
    const QImage image = Frame();
    ASSERT_EQ(image.width(), 420);
    EXPECT_EQ(Pixel(image, 42), kEdge) << "block 1 starts at 42 once the bar is twice as wide";
    EXPECT_EQ(Pixel(image, 20, 19), kEdge) << "blocks take the new height";
}

TEST_F(BusyProgressCtrlTest, ShouldAnimateOnItsOwnThreadUntilEndedFromAnother)
{
    m_ctrl.SetSpeed(5);
    m_ctrl.Start();
    ASSERT_TRUE(m_ctrl.IsRunning());
    const std::string first = Blocks();
    EXPECT_TRUE(WaitForFrameOtherThan(first)) << "the bar moves by itself";

    std::thread stopper([this] { m_ctrl.End(); });
    stopper.join();
    EXPECT_FALSE(m_ctrl.IsRunning());

    // End has waited for the thread, so no tick can arrive any more: the last frame stays.
    QApplication::processEvents();
    const std::string last = Blocks();
    QApplication::processEvents();
    EXPECT_EQ(Blocks(), last);

    m_ctrl.End();
    EXPECT_FALSE(m_ctrl.IsRunning());
}

TEST_F(BusyProgressCtrlTest, ShouldStopAnAnimationEndedRightAfterItsStart)
{
    // An End that comes before the new thread has run must still stop it.
    for (int i = 0; i < 50; ++i) {
        m_ctrl.Start();
        std::thread stopper([this] { m_ctrl.End(); });
        stopper.join();
        ASSERT_FALSE(m_ctrl.IsRunning()) << "round " << i;
    }
    m_ctrl.Start();
    m_ctrl.Start(); // a restart replaces the thread
    EXPECT_TRUE(m_ctrl.IsRunning());
    m_ctrl.OnSetMode(CBusyProgressCtrl::ModeBusy);
    EXPECT_FALSE(m_ctrl.IsRunning()) << "setting the mode ends the animation";
}

TEST_F(BusyProgressCtrlTest, ShouldTakeMessagesQueuedFromAnotherThread)
{
    std::thread sender([this] {
        QMetaObject::invokeMethod(&m_ctrl, "OnSetCurPos", Qt::QueuedConnection, Q_ARG(int, 6));
        QMetaObject::invokeMethod(&m_ctrl, "OnStepIt", Qt::QueuedConnection);
    });
    sender.join();
    QApplication::processEvents();
    EXPECT_EQ(LitBlock(), 7);
}

// Counts the frames it draws, so a test can tell whether a paint reached it.
class CCountingBusyCtrl : public CBusyProgressCtrl
{
public:
    explicit CCountingBusyCtrl(std::atomic<int>& nFrames)
        : CBusyProgressCtrl(20, 0)
        , m_nFrames(nFrames)
    { }

protected:
    void DrawBackground(QPainter& painter, const QRect& rect) override
    {
        ++m_nFrames;
        CBusyProgressCtrl::DrawBackground(painter, rect);
    }

private:
    std::atomic<int>& m_nFrames;
};

TEST(BusyProgressCtrlLifetimeTest, ShouldEndItsAnimationWhenDestroyedWhileRunning)
{
    std::atomic<int> nFrames {0};
    auto pCtrl = std::make_unique<CCountingBusyCtrl>(nFrames);
    pCtrl->resize(200, 10);
    pCtrl->Recalc();
    pCtrl->SetSpeed(1);
    pCtrl->show();
    pCtrl->Start();
    QDeadlineTimer guard(20000);
    while (nFrames.load() < 3 && !guard.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_GE(nFrames.load(), 3) << "the animation repaints the control";

    pCtrl.reset();
    // Ticks still queued for the destroyed control are dropped with it, not delivered.
    const int nBefore = nFrames.load();
    QApplication::processEvents();
    EXPECT_EQ(nFrames.load(), nBefore);
}

} // namespace
