// SPDX-License-Identifier: Apache-2.0
#include "controls/CBusyProgressCtrl.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QPainter>
#include <QPalette>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

namespace {

const QColor kFace(160, 190, 220);
const QColor kEdge(50, 90, 135);
const QColor kLitFace(190, 220, 255);

// Counts the frames it draws, so a test can tell whether a paint reached it.
class CCountingBusyCtrl : public CBusyProgressCtrl
{
public:
    explicit CCountingBusyCtrl(std::atomic<int>& nFrames)
        : m_nFrames(nFrames)
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

    // One character per block, as seen near the block's right edge (where a partial fill does not
    // reach): '#' lit, '.' unlit, ' ' no block drawn.
    std::string Blocks()
    {
        const QImage image = Frame();
        std::string blocks;
        for (int i = 0; i < 10; ++i) {
            const QColor c = Pixel(image, 21 * i + 18);
            blocks += c == kLitFace                             ? '#'
                : c == kFace                                    ? '.'
                : c == m_ctrl.palette().color(QPalette::Button) ? ' '
                                                                : '?';
        }
        return blocks;
    }

    std::atomic<int> m_nFrames {0};
    std::unique_ptr<CCountingBusyCtrl> m_pCtrl = std::make_unique<CCountingBusyCtrl>(m_nFrames);
    CBusyProgressCtrl& m_ctrl = *m_pCtrl;
};

// Each step's lit block: its digit, '-' when none or several are lit.
TEST_F(BusyProgressCtrlTest, ShouldStepThroughTheBlocksAsItsBusyTypeSays)
{
    const struct
    {
        int nType;
        int nStart; // -1: where Reset puts it
        const char* szSeen;
    } cases[] = {
        {CBusyProgressCtrl::BusyTypeBackAndForth, -1, "1234567898765432101"},
        {CBusyProgressCtrl::BusyTypeLoopForward, 8, "901"},
        {CBusyProgressCtrl::BusyTypeLoopBackward, -1, "987654321098"},
        // A position left beyond the end (the bar shrank) comes back into view at once.
        {CBusyProgressCtrl::BusyTypeLoopForward, 15, "0"},
    };
    EXPECT_EQ(Blocks(), "#.........");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nType * 100 + c.nStart);
        m_ctrl.SetBusyType(c.nType);
        m_ctrl.Reset();
        if (c.nStart >= 0)
            m_ctrl.OnSetCurPos(c.nStart);
        std::string seen;
        while (seen.size() < std::strlen(c.szSeen)) {
            m_ctrl.StepIt();
            const std::string blocks = Blocks();
            const auto lit = blocks.find('#');
            seen += lit != std::string::npos && blocks.rfind('#') == lit ? char('0' + lit) : '-';
        }
        EXPECT_EQ(seen, c.szSeen);
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

    // Twice as wide and a little taller: blocks of 41 pixels, block i at 42 * i.
    m_ctrl.resize(420, 20);
    m_ctrl.Recalc();
    const QImage wide = Frame();
    EXPECT_EQ(Pixel(wide, 63), kFace);
    EXPECT_EQ(Pixel(wide, 42), kEdge);
    EXPECT_EQ(Pixel(wide, 10, 19), kEdge);
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

// Progress mode lights the proportion of the range; settings that leave no room for blocks draw
// only the background.
TEST_F(BusyProgressCtrlTest, ShouldLightTheProportionOfTheRangeOrNothingWithoutRoom)
{
    const struct
    {
        int nMode, nSteps, nPad, nLower, nUpper, nPos;
        const char* szBlocks;
    } cases[] = {
        {CBusyProgressCtrl::ModeProgress, 10, 1, 0, 100, 50, "#####....."},
        {CBusyProgressCtrl::ModeProgress, 10, 1, 0, 100, 100, "##########"},
        {CBusyProgressCtrl::ModeProgress, 10, 1, -100, 100, 0, "#####....."},
        {CBusyProgressCtrl::ModeProgress, 10, 1, -100, 100, -100, ".........."},
        {CBusyProgressCtrl::ModeProgress, 10, 1, 5, 5, 5, ".........."},
        {CBusyProgressCtrl::ModeBusy, 0, 1, 0, 100, 0, "          "},
        {CBusyProgressCtrl::ModeBusy, 10, 30, 0, 100, 0, "          "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        m_ctrl.OnSetMode(c.nMode);
        m_ctrl.OnSetNumSteps(c.nSteps);
        m_ctrl.OnSetIBPad(c.nPad);
        m_ctrl.OnSetRange(c.nLower, c.nUpper);
        m_ctrl.OnSetCurPos(c.nPos);
        EXPECT_EQ(Blocks(), c.szBlocks);
    }
    m_ctrl.OnSetMode(CBusyProgressCtrl::ModeProgress);
    m_ctrl.OnSetMode(3);
    m_ctrl.Start();
    EXPECT_FALSE(m_ctrl.IsRunning()) << "mode 3 is ignored, and progress mode does not animate";
}

TEST_F(BusyProgressCtrlTest, ShouldFollowThePaletteUnlessTheColourIsFixed)
{
    const auto setButtonColour = [this](const QColor& colour) {
        QPalette palette = m_ctrl.palette();
        palette.setColor(QPalette::Button, colour);
        m_ctrl.setPalette(palette);
    };
    setButtonColour(Qt::darkGreen);
    EXPECT_EQ(Pixel(Frame(), 20), QColor(Qt::darkGreen));

    m_ctrl.OnUseSysCol(false);
    m_ctrl.OnSetColBkg(Qt::red);
    setButtonColour(Qt::darkBlue);
    EXPECT_EQ(Pixel(Frame(), 20), QColor(Qt::red));

    m_ctrl.OnUseSysCol(true);
    EXPECT_EQ(Pixel(Frame(), 20), QColor(Qt::darkBlue));

    m_ctrl.OnSetColBFaceHi(Qt::yellow);
    EXPECT_EQ(Pixel(Frame(), 10), QColor(Qt::yellow));
}

TEST_F(BusyProgressCtrlTest, ShouldAnimateOnItsOwnThreadUntilEndedFromAnotherOrDestroyed)
{
    m_ctrl.SetSpeed(1);
    m_ctrl.show();
    m_ctrl.Start();
    ASSERT_TRUE(m_ctrl.IsRunning());
    // Queued repaints from the animation thread arrive through the event loop; the guard only keeps
    // a broken animation from hanging the run.
    const std::string first = Blocks();
    const int nFirstFrames = m_nFrames;
    QDeadlineTimer guard(20000);
    while (m_nFrames < nFirstFrames + 3 && !guard.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_GE(m_nFrames, nFirstFrames + 3) << "the animation repaints the control";
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

    // Destroyed while running, with ticks queued: they are dropped with it, not delivered.
    m_ctrl.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    m_pCtrl.reset();
    const int nBefore = m_nFrames;
    QApplication::processEvents();
    EXPECT_EQ(m_nFrames, nBefore);
}

} // namespace
