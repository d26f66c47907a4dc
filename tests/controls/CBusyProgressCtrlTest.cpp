// SPDX-License-Identifier: Apache-2.0
#include "controls/CBusyProgressCtrl.h"

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
#include <vector>

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

    static QColor Pixel(const QImage& image, int x, int y = 7) { return image.pixelColor(x, y); }

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

    CBusyProgressCtrl m_ctrl {10, 0};
};

TEST_F(BusyProgressCtrlTest, ShouldStepThroughTheBlocksAsItsBusyTypeSays)
{
    struct Case
    {
        int nType;
        int nStart; // -1: where Reset puts it
        std::vector<int> seen;
    };
    const Case cases[] = {
        {CBusyProgressCtrl::BusyTypeBackAndForth, -1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1}},
        {CBusyProgressCtrl::BusyTypeLoopForward, 8, {9, 0, 1}},
        {CBusyProgressCtrl::BusyTypeLoopBackward, -1, {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 9, 8}},
        // A position left beyond the end (the bar shrank) comes back into view at once.
        {CBusyProgressCtrl::BusyTypeLoopForward, 15, {0}},
    };
    EXPECT_EQ(LitBlock(), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nType * 100 + c.nStart);
        m_ctrl.SetBusyType(c.nType);
        m_ctrl.Reset();
        if (c.nStart >= 0)
            m_ctrl.OnSetCurPos(c.nStart);
        std::vector<int> seen;
        for (std::size_t i = 0; i < c.seen.size(); ++i) {
            m_ctrl.StepIt();
            seen.push_back(LitBlock());
        }
        EXPECT_EQ(seen, c.seen);
    }
}

TEST_F(BusyProgressCtrlTest, ShouldLayOutBlocksWithTheGapBetweenThemAndFollowResizes)
{
    const QImage image = Frame();
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Pixel(image, 21 * i), kEdge) << "left edge";
        EXPECT_EQ(Pixel(image, 21 * i + 19), kEdge) << "right edge";
        EXPECT_EQ(Pixel(image, 21 * i + 20), m_ctrl.palette().color(QPalette::Button)) << "gap";
    }
    EXPECT_EQ(Pixel(image, 10, 0), kEdge);
    EXPECT_EQ(Pixel(image, 10, 13), kEdge);
    EXPECT_EQ(Pixel(image, 22), kFace);

    m_ctrl.resize(420, 20);
    QApplication::sendPostedEvents();
    EXPECT_EQ(Pixel(Frame(), 42), kEdge) << "block 1 starts at 42 once the bar is twice as wide";
}

TEST_F(BusyProgressCtrlTest, ShouldFillAGrowingStretchWithPartialBlocks)
{
    m_ctrl.SetBusyFill(CBusyProgressCtrl::BusyFillStretch);
    m_ctrl.SetGranularity(4); // 40 positions over ten blocks
    // The lit stretch in pixels along the middle row, first lit to first unlit.
    const auto litFrom = [this](int nFirst) {
        const QImage image = Frame();
        int x = nFirst;
        while (x < image.width() && Pixel(image, x) == kLitFace)
            ++x;
        return x;
    };

    m_ctrl.OnSetCurPos(10);
    EXPECT_EQ(Blocks(), "##........");
    EXPECT_EQ(litFrom(43), 53) << "two blocks and half the third";
    EXPECT_EQ(Pixel(Frame(), 45, 0), kEdge) << "the partial fill stays inside the edge";

    m_ctrl.OnSetCurPos(3);
    EXPECT_EQ(Blocks(), "..........");
    EXPECT_EQ(litFrom(1), 16);

    m_ctrl.OnSetCurPos(0);
    EXPECT_EQ(Pixel(Frame(), 1), kFace);

    // Back and forth turns the stretch round at full length.
    m_ctrl.OnSetCurPos(39);
    m_ctrl.StepIt();
    EXPECT_EQ(Blocks(), "#########.");
    EXPECT_EQ(litFrom(190), 200) << "half of the last block";
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
    EXPECT_EQ(Pixel(Frame(), 10), QColor(255, 255, 0));
}

TEST_F(BusyProgressCtrlTest, ShouldAnimateOnItsOwnThreadUntilEndedFromAnother)
{
    m_ctrl.SetSpeed(5);
    m_ctrl.Start();
    ASSERT_TRUE(m_ctrl.IsRunning());
    // Queued repaints from the animation thread arrive through the event loop; the guard only keeps
    // a broken animation from hanging the run.
    const std::string first = Blocks();
    QDeadlineTimer guard(20000);
    while (Blocks() == first && !guard.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_NE(Blocks(), first) << "the bar moves by itself";

    std::thread stopper([this] { m_ctrl.End(); });
    stopper.join();
    EXPECT_FALSE(m_ctrl.IsRunning());

    // End has waited for the thread, so no tick can arrive any more: the last frame stays.
    QApplication::processEvents();
    const std::string last = Blocks();
    QApplication::processEvents();
    EXPECT_EQ(Blocks(), last);

    // An End that comes before the new thread has run must still stop it.
    for (int i = 0; i < 50; ++i) {
        m_ctrl.Start();
        std::thread quick([this] { m_ctrl.End(); });
        quick.join();
        ASSERT_FALSE(m_ctrl.IsRunning()) << "round " << i;
    }
    m_ctrl.Start();
    m_ctrl.Start(); // a restart replaces the thread
    EXPECT_TRUE(m_ctrl.IsRunning());
    m_ctrl.OnSetMode(CBusyProgressCtrl::ModeBusy);
    EXPECT_FALSE(m_ctrl.IsRunning()) << "setting the mode ends the animation";
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
