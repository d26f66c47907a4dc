// SPDX-License-Identifier: Apache-2.0
#include "controls/CBusyProgressCtrl.h"

#include "tests/controls/FileListFixture.h"

#include <memory>
#include <thread>
#include <tuple>

using namespace controls_test;

namespace {

const QColor kFace(160, 190, 220);
const QColor kEdge(50, 90, 135);
const QColor kLitFace(190, 220, 255);

// The frames every CCountingBusyCtrl drew, so that a test can tell whether a paint reached one, also
// after it is gone.
std::atomic<int> g_nFrames {0};

struct CCountingBusyCtrl : CBusyProgressCtrl
{
    void DrawBackground(QPainter& painter, const QRect& rect) override
    {
        ++g_nFrames;
        CBusyProgressCtrl::DrawBackground(painter, rect);
    }
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

    // The middle row of the bar from `x` on; for Blocks one pixel a block, near its right edge (where a
    // partial fill does not reach).
    std::string Row(int x = 0) { return Picture(Grab(&m_ctrl), QRect(x, 7, m_ctrl.width() - x, 1), m_key); }
    std::string Blocks() { return Picture(Grab(&m_ctrl), QRect(18, 7, 190, 1), m_key, QSize(21, 1)); }

    std::unique_ptr<CBusyProgressCtrl> m_pCtrl = std::make_unique<CCountingBusyCtrl>();
    CBusyProgressCtrl& m_ctrl = *m_pCtrl;
    // '#' lit face, '.' unlit face, '|' edge, ' ' background.
    const Legend m_key {{kLitFace, '#'}, {kFace, '.'}, {kEdge, '|'}, {m_ctrl.palette().color(QPalette::Button), ' '}};
};

// Each step's lit block: its digit, '-' when none or several are lit.
TEST_F(BusyProgressCtrlTest, ShouldStepThroughTheBlocksAsItsBusyTypeSaysAndFillAStretchWithPartialBlocks)
{
    // The busy type, the position to start from (-1: where Reset puts it), the lit blocks seen.
    const std::tuple<int, int, std::string> cases[] = {
        {CBusyProgressCtrl::BusyTypeLoopForward, 8, "901"},
        {CBusyProgressCtrl::BusyTypeLoopBackward, -1, "987654321098"},
        // A position left beyond the end (the bar shrank) comes back into view at once.
        {CBusyProgressCtrl::BusyTypeLoopForward, 15, "0"},
        {CBusyProgressCtrl::BusyTypeBackAndForth, -1, "1234567898765432101"},
    };
    for (const auto& [nType, nStart, szSeen] : cases) {
        m_ctrl.SetBusyType(nType);
        m_ctrl.Reset();
        if (nStart >= 0)
            m_ctrl.OnSetCurPos(nStart);
        std::string seen;
        while (seen.size() < szSeen.size()) {
            m_ctrl.StepIt();
            const std::string blocks = Blocks();
            const auto lit = blocks.find('#');
            seen += lit != std::string::npos && blocks.rfind('#') == lit ? char('0' + lit) : '-';
        }
        EXPECT_EQ(seen, szSeen);
    }

    // Back and forth still, now filling a growing stretch.
    m_ctrl.SetBusyFill(CBusyProgressCtrl::BusyFillStretch);
    m_ctrl.SetGranularity(4); // 40 positions over ten blocks
    m_ctrl.OnSetCurPos(10);
    EXPECT_EQ(Blocks(), "##........");
    EXPECT_EQ(Row(43).substr(0, 11), "##########.") << "two blocks and half the third";
    EXPECT_EQ(Grab(&m_ctrl).pixelColor(45, 0), kEdge) << "the partial fill stays inside the edge";

    m_ctrl.OnSetCurPos(3);
    EXPECT_EQ(Blocks(), "..........");
    EXPECT_EQ(Row(1).substr(0, 16), "###############.");

    m_ctrl.OnSetCurPos(0);
    EXPECT_EQ(Grab(&m_ctrl).pixelColor(1, 7), kFace);

    // Back and forth turns the stretch round at full length.
    m_ctrl.OnSetCurPos(39);
    m_ctrl.StepIt();
    EXPECT_EQ(Blocks(), "#########.");
    EXPECT_EQ(Row(190).substr(0, 11), "##########.") << "half of the last block";
}

TEST_F(BusyProgressCtrlTest, ShouldLayOutBlocksWithTheGapBetweenThemAndFollowResizesAndThePalette)
{
    std::string row;
    for (int i = 0; i < 10; ++i)
        row += "|" + std::string(18, i == 0 ? '#' : '.') + "| ";
    EXPECT_EQ(Row(), row);
    EXPECT_EQ(Picture(Grab(&m_ctrl), QRect(10, 0, 1, 14), m_key, QSize(1, 13)), "|\n|") << "top and bottom edge";

    // Twice as wide and a little taller: blocks of 41 pixels, block i at 42 * i.
    m_ctrl.resize(420, 20);
    m_ctrl.Recalc();
    EXPECT_EQ(Row(21).substr(0, 43), std::string(19, '#') + "| |" + std::string(21, '.'));
    EXPECT_EQ(Grab(&m_ctrl).pixelColor(10, 19), kEdge);

    // The colours follow the palette unless fixed: the gap at 41, and a lit face.
    m_ctrl.setPalette(QPalette(Qt::darkGreen));
    EXPECT_EQ(Grab(&m_ctrl).pixelColor(41, 7), QColor(Qt::darkGreen));
    m_ctrl.OnUseSysCol(false);
    m_ctrl.OnSetColBkg(Qt::red);
    m_ctrl.setPalette(QPalette(Qt::darkBlue));
    EXPECT_EQ(Grab(&m_ctrl).pixelColor(41, 7), QColor(Qt::red));
    m_ctrl.OnUseSysCol(true);
    EXPECT_EQ(Grab(&m_ctrl).pixelColor(41, 7), QColor(Qt::darkBlue));
    m_ctrl.OnSetColBFaceHi(Qt::yellow);
    EXPECT_EQ(Grab(&m_ctrl).pixelColor(10, 7), QColor(Qt::yellow));
}

// Progress mode lights the proportion of the range; settings that leave no room for blocks draw
// only the background.
TEST_F(BusyProgressCtrlTest, ShouldLightTheProportionOfTheRangeOrNothingWithoutRoom)
{
    // Mode, number of blocks, padding, range, position, and the blocks lit.
    const std::tuple<int, int, int, int, int, int, const char*> cases[] = {
        {CBusyProgressCtrl::ModeProgress, 10, 1, 0, 100, 50, "#####....."},
        {CBusyProgressCtrl::ModeProgress, 10, 1, 0, 100, 100, "##########"},
        {CBusyProgressCtrl::ModeProgress, 10, 1, -100, 100, 0, "#####....."},
        {CBusyProgressCtrl::ModeProgress, 10, 1, -100, 100, -100, ".........."},
        {CBusyProgressCtrl::ModeProgress, 10, 1, 5, 5, 5, ".........."},
        {CBusyProgressCtrl::ModeBusy, 0, 1, 0, 100, 0, "          "},
        {CBusyProgressCtrl::ModeBusy, 10, 30, 0, 100, 0, "          "},
    };
    for (const auto& [nMode, nSteps, nPad, nLower, nUpper, nPos, szBlocks] : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::tie(nMode, nSteps, nPad, nLower, nUpper, nPos)));
        m_ctrl.OnSetMode(nMode);
        m_ctrl.OnSetNumSteps(nSteps);
        m_ctrl.OnSetIBPad(nPad);
        m_ctrl.OnSetRange(nLower, nUpper);
        m_ctrl.OnSetCurPos(nPos);
        EXPECT_EQ(Blocks(), szBlocks);
    }
    m_ctrl.OnSetMode(CBusyProgressCtrl::ModeProgress);
    m_ctrl.OnSetMode(3);
    m_ctrl.Start();
    EXPECT_FALSE(m_ctrl.IsRunning()) << "mode 3 is ignored, and progress mode does not animate";
}

TEST_F(BusyProgressCtrlTest, ShouldAnimateOnItsOwnThreadUntilEndedFromAnotherOrDestroyed)
{
    m_ctrl.SetSpeed(1);
    m_ctrl.show();
    m_ctrl.Start();
    ASSERT_TRUE(m_ctrl.IsRunning());
    // Queued repaints from the animation thread arrive through the event loop; the timeout only keeps
    // a broken animation from hanging the run.
    const std::string first = Blocks();
    const int nFirstFrames = g_nFrames;
    ASSERT_TRUE(QTest::qWaitFor([&] { return g_nFrames >= nFirstFrames + 3; }, 20000))
        << "the animation repaints the control";
    EXPECT_TRUE(QTest::qWaitFor([&] { return Blocks() != first; }, 20000)) << "the bar moves by itself";

    std::thread([this] { m_ctrl.End(); }).join();
    EXPECT_FALSE(m_ctrl.IsRunning());
    // End has waited for the thread, so no tick can arrive any more: the last frame stays.
    QApplication::processEvents();
    const std::string last = Blocks();
    QApplication::processEvents();
    EXPECT_EQ(Blocks(), last);

    // An End that comes before the new thread has run must still stop it.
    for (int i = 0; i < 50; ++i) {
        m_ctrl.Start();
        std::thread([this] { m_ctrl.End(); }).join();
        ASSERT_FALSE(m_ctrl.IsRunning()) << "round " << i;
    }
    m_ctrl.Start();
    m_ctrl.Start(); // a restart replaces the thread
    EXPECT_TRUE(m_ctrl.IsRunning());
    m_ctrl.OnSetMode(CBusyProgressCtrl::ModeBusy);
    EXPECT_FALSE(m_ctrl.IsRunning()) << "setting the mode ends the animation";

    // Destroyed while running, with ticks queued: they are dropped with it, not delivered.
    m_ctrl.Start();
    QTest::qSleep(20);
    m_pCtrl.reset();
    const int nBefore = g_nFrames;
    QApplication::processEvents();
    EXPECT_EQ(g_nFrames, nBefore);
}

} // namespace
