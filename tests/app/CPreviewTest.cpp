// SPDX-License-Identifier: Apache-2.0
// The preview beside the list, driven as a user drives it: rows picked in the list, ranges typed and
// picked in the strip, pages drawn by the real helper process and compared with pdftoppm's drawing.
#include "tests/app/AppFixture.h"
#include "tests/support/PageImages.h"

#include <gmock/gmock.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

namespace {

class PreviewTest : public FrameFixture
{
protected:
    CPreviewPane* Pane() const { return m_pFrame->GetPreviewPane(); }
    CPageStrip* Strip() const { return Pane()->Strip(); }
    CPageStripModel* Model() const { return Pane()->Model(); }
    QImage Thumbnail(int nPage) const
    {
        return Model()->data(Model()->index(nPage), CPageStripModel::ThumbnailRole).value<QImage>();
    }
    bool WaitForThumbnail(int nPage) const
    {
        return QTest::qWaitFor([&] { return !Thumbnail(nPage).isNull(); }, 30000);
    }
    void ClickRow(int nRow)
    {
        QRect cell;
        ASSERT_TRUE(List()->GetSubItemRect(nRow, 1, cell));
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, cell.center());
        QCoreApplication::processEvents();
    }
    void ClickPage(int nPage, Qt::KeyboardModifiers modifiers = {})
    {
        Strip()->scrollTo(Model()->index(nPage));
        const QRect cell = Strip()->visualRect(Model()->index(nPage));
        QTest::mouseClick(Strip()->viewport(), Qt::LeftButton, modifiers, cell.center());
    }
    // "x" for each page in the range, "." for each page outside it.
    std::string RangeMarks() const
    {
        QCoreApplication::processEvents();
        std::string marks;
        for (int i = 0; i < Model()->rowCount(); ++i)
            marks += Model()->data(Model()->index(i), CPageStripModel::InRangeRole).toBool() ? 'x' : '.';
        return marks;
    }
    // `nPages` pages of 792 x 612 points.
    std::string MakeWidePdf(const std::string& name, int nPages)
    {
        fx::PdfDesc desc {.tag = "wide", .pages = nPages};
        desc.finish = [](QPDF& pdf) {
            for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages())
                page.getObjectHandle().replaceKey("/MediaBox", QPDFObjectHandle::parse("[0 0 792 612]"));
        };
        fx::WritePdf(m_tmp.File(name), desc);
        return m_tmp.File(name);
    }
    // pdftoppm's drawing of page `nPage` (0-based) at `size`.
    QImage OtherRendering(const std::string& path, int nPage, QSize size, const std::string& password = "")
    {
        return fx::PdftoppmPage(path, nPage, size, m_tmp.File("other"), password);
    }
    static bool IsWide(const QImage& image) { return image.width() > image.height(); }
};

} // namespace

// The strip shows the selected row's file: each thumbnail is pdftoppm's drawing of the same page at
// the same size, and moving to another row shows that row's pages, never the first one's.
TEST_F(PreviewTest, TheStripShowsTheSelectedFilesPagesAsAnotherReaderDrawsThem)
{
    const std::string wide = MakeWidePdf("wide.pdf", 400);
    const std::string tall = m_tmp.File("tall.pdf");
    fx::WritePdf(tall, {.tag = "tall", .pages = 3, .labels = {{1, "r"}, {3, "D"}}});
    AddFiles({wide, tall});
    ClickRow(0);
    ASSERT_TRUE(WaitForThumbnail(0));
    EXPECT_EQ(Model()->rowCount(), 400);
    const QImage first = Thumbnail(0);
    EXPECT_TRUE(IsWide(first));
    EXPECT_LT(fx::MeanGreyDifference(first, OtherRendering(wide, 0, first.size())), 10.0);
    // A page of another file is never shown: every thumbnail the strip gets from here on is tall.
    QList<int> shownWide;
    QObject::connect(Model(), &QAbstractItemModel::dataChanged, Model(),
                     [&](const QModelIndex& from, const QModelIndex& to) {
                         for (int i = from.row(); i <= to.row(); ++i) {
                             if (IsWide(Thumbnail(i)))
                                 shownWide << i;
                         }
                     });
    QSignalSpy drawn(&m_renderer, &CPageRenderer::pageRendered);
    ClickRow(1);
    for (int nPage = 0; nPage < 3; ++nPage) {
        ASSERT_TRUE(WaitForThumbnail(nPage)) << nPage;
        EXPECT_FALSE(IsWide(Thumbnail(nPage)));
        EXPECT_LT(fx::MeanGreyDifference(Thumbnail(nPage), OtherRendering(tall, nPage, Thumbnail(nPage).size())), 10.0)
            << nPage;
    }
    EXPECT_TRUE(shownWide.isEmpty());
    // The wide file's waiting pages were dropped: at most the one being drawn came after the move.
    EXPECT_LE(
        std::count_if(drawn.begin(), drawn.end(), [&](const QList<QVariant>& args) { return args[0] == Q(wide); }), 1);
    // Under each page its number, and its label where the file gives one of its own.
    EXPECT_EQ(Model()->data(Model()->index(1), Qt::DisplayRole).toString(), "2 (ii)");
    EXPECT_EQ(Model()->data(Model()->index(2), Qt::DisplayRole).toString(), "3 (1)");
}

// What is dimmed follows the range as it is typed, before Enter, and as it is kept; a range that
// holds no pages dims every page. The pages outside the range are drawn paler.
TEST_F(PreviewTest, DimmingFollowsTheRangeAsItIsTyped)
{
    AddFiles({MakePdf("ten.pdf", 10)});
    ClickRow(0);
    EXPECT_EQ(RangeMarks(), "xxxxxxxxxx");
    const struct
    {
        int nColumn;
        const char* szTyped;
        const char* szMarks;
    } steps[] = {{3, "3", "..xxxxxxxx"},  {4, "6", "..xxxx...."},  {4, "", "..xxxxxxxx"},
                 {3, "12", ".........."}, {3, "10", ".........x"}, {3, "1", "xxxxxxxxxx"}};
    for (const auto& step : steps) {
        QRect cell;
        ASSERT_TRUE(List()->GetSubItemRect(0, step.nColumn, cell));
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, cell.center());
        CXEdit* pEdit = List()->GetEditControl();
        ASSERT_NE(pEdit, nullptr);
        pEdit->selectAll();
        QTest::keyClick(pEdit, Qt::Key_Backspace);
        QTest::keyClicks(pEdit, QLatin1String(step.szTyped));
        EXPECT_EQ(RangeMarks(), step.szMarks) << step.szTyped << " while typed";
        QTest::keyClick(pEdit, Qt::Key_Return);
        EXPECT_EQ(RangeMarks(), step.szMarks) << step.szTyped << " kept";
    }
    // Pages 1 to 3 in, 4 on out: the darkest ink of a page outside (its text, its number) is pale.
    ClickPage(2, Qt::ShiftModifier);
    ASSERT_TRUE(WaitForThumbnail(1) && WaitForThumbnail(3));
    QTest::qWait(50);
    const QImage shot = Strip()->viewport()->grab().toImage();
    const auto darkest = [&shot](const QRect& cell) {
        const QRect inner = cell.adjusted(4, 4, -4, -4).intersected(shot.rect());
        EXPECT_GT(inner.height(), 100);
        int nDarkest = 255;
        for (int y = inner.top(); y <= inner.bottom(); ++y)
            for (int x = inner.left(); x <= inner.right(); ++x)
                nDarkest = std::min(nDarkest, qGray(shot.pixel(x, y)));
        return nDarkest;
    };
    EXPECT_LT(darkest(Strip()->visualRect(Model()->index(1))), 80);
    EXPECT_GT(darkest(Strip()->visualRect(Model()->index(3))), 120);
}

// A click picks Begin Page, a Shift+click End Page, and so do B and E on the page the arrows moved
// to; each is one step Undo takes back, as a typed page is.
TEST_F(PreviewTest, ClickAndShiftClickPickTheRangeAndUndoTakesThemBack)
{
    AddFiles({MakePdf("twelve.pdf", 12)});
    ClickRow(0);
    ClickPage(3);
    EXPECT_EQ(Rows(), "[x] twelve.pdf 12 4 12 twelve");
    ClickPage(8, Qt::ShiftModifier);
    EXPECT_EQ(Rows(), "[x] twelve.pdf 12 4 9 twelve");
    EXPECT_EQ(RangeMarks(), "...xxxxxx...");
    QCoreApplication::processEvents();
    EXPECT_EQ(Action("ID_EDIT_UNDO")->text(), "Undo Edit End Page");
    Trigger("ID_EDIT_UNDO");
    EXPECT_EQ(Rows(), "[x] twelve.pdf 12 4 12 twelve");
    EXPECT_EQ(RangeMarks(), "...xxxxxxxxx");
    // The focus is on page 9 after the Shift+click: Right twice and B, Left and E.
    ASSERT_EQ(QApplication::focusWidget(), Strip());
    for (const Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_B, Qt::Key_Left, Qt::Key_E})
        QTest::keyClick(Strip(), key);
    EXPECT_EQ(Rows(), "[x] twelve.pdf 12 11 10 twelve");
    EXPECT_EQ(RangeMarks(), "............");
    Trigger("ID_EDIT_UNDO");
    Trigger("ID_EDIT_UNDO");
    EXPECT_EQ(Rows(), "[x] twelve.pdf 12 4 12 twelve");
}

// A protected row is drawn with the password it was opened with. A file changed on disk is drawn
// again from what it holds now; once it is no PDF, its grey places say why in their tooltips.
TEST_F(PreviewTest, AProtectedRowIsDrawnWithItsPasswordAndAChangedFileAsItIsNow)
{
    const std::string locked = MakePdf("locked.pdf", 2, false, "s3cret");
    QStringList prompts;
    {
        const auto pAnswers = AnswerPasswords({{"s3cret"}}, prompts);
        AddFiles({locked});
    }
    ASSERT_EQ(prompts.size(), 1);
    ClickRow(0);
    ASSERT_TRUE(WaitForThumbnail(1));
    EXPECT_LT(fx::MeanGreyDifference(Thumbnail(1), OtherRendering(locked, 1, Thumbnail(1).size(), "s3cret")), 10.0);

    const std::string later = MakePdf("later.pdf", 2);
    AddFiles({later});
    ClickRow(1);
    ASSERT_TRUE(WaitForThumbnail(0));
    EXPECT_FALSE(IsWide(Thumbnail(0)));
    MakeWidePdf("later.pdf", 2);
    ClickRow(0);
    ClickRow(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return IsWide(Thumbnail(0)); }, 30000));
    fx::WriteNotPdf(later);
    ClickRow(0);
    ClickRow(1);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !Model()->data(Model()->index(0), CPageStripModel::FailureRole).toString().isEmpty(); }, 30000));
    EXPECT_TRUE(Thumbnail(0).isNull());
    EXPECT_THAT(Model()->data(Model()->index(0), Qt::ToolTipRole).toString().toStdString(),
                testing::StartsWith("Page 1: The file cannot be opened"));
}

// The helper that draws the pages dies while drawing: it is started again and the pages still come;
// the window goes on working. A file during which it died twice cannot be previewed, and says so.
TEST_F(PreviewTest, ARendererKilledWhileDrawingIsStartedAgainAndTheWindowLives)
{
    AddFiles({MakeWidePdf("wide.pdf", 300), MakePdf("two.pdf", 2)});
    ClickRow(0);
    ASSERT_TRUE(WaitForThumbnail(0));
    const qint64 nFirst = m_renderer.ProcessId();
    ASSERT_GT(nFirst, 0);
    ::kill(static_cast<pid_t>(nFirst), SIGKILL);
    Strip()->scrollToBottom();
    ASSERT_TRUE(WaitForThumbnail(299));
    EXPECT_NE(m_renderer.ProcessId(), nFirst);
    EXPECT_FALSE(m_renderer.IsUnpreviewable(Q(m_tmp.File("wide.pdf"))));

    // Killed again while it draws pages of this file not drawn yet: the file is marked.
    const QString szWide = Q(m_tmp.File("wide.pdf"));
    QScrollBar* pScroll = Strip()->verticalScrollBar();
    for (int nKill = 1; nKill <= 6 && !m_renderer.IsUnpreviewable(szWide); ++nKill) {
        pScroll->setValue(pScroll->maximum() * nKill / 8);
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_renderer.ProcessId() > 0; }, 30000));
        QTest::qWait(20);
        ::kill(static_cast<pid_t>(m_renderer.ProcessId()), SIGKILL);
        static_cast<void>(QTest::qWaitFor([&] { return m_renderer.IsUnpreviewable(szWide); }, 500));
    }
    ASSERT_TRUE(m_renderer.IsUnpreviewable(szWide));
    EXPECT_THAT(Child<QLabel>(*Pane(), "PreviewHeading")->text().toStdString(),
                testing::HasSubstr("cannot be previewed"));
    // The window still works, and another file is still drawn.
    Trigger("ID_FILE_MOVE_DOWN");
    EXPECT_EQ(Rows(), "[x] two.pdf 2 1 2 two | [x] wide.pdf 300 1 300 wide");
    ClickRow(0);
    ASSERT_TRUE(WaitForThumbnail(1));
}

// Show Preview hides and shows the dock, as does the dock's own close button, and the choice is
// there at the next start.
TEST_F(PreviewTest, ShowPreviewIsRememberedAcrossStarts)
{
    QDockWidget* pDock = m_pFrame->GetPreviewDock();
    EXPECT_TRUE(pDock->isVisible());
    EXPECT_TRUE(Action("ID_VIEW_PREVIEW")->isChecked());
    Trigger("ID_VIEW_PREVIEW");
    EXPECT_FALSE(pDock->isVisible());
    Restart();
    EXPECT_FALSE(m_pFrame->GetPreviewDock()->isVisible());
    QCoreApplication::processEvents();
    EXPECT_FALSE(Action("ID_VIEW_PREVIEW")->isChecked());
    Trigger("ID_VIEW_PREVIEW");
    EXPECT_TRUE(m_pFrame->GetPreviewDock()->isVisible());
    m_pFrame->GetPreviewDock()->close();
    QCoreApplication::processEvents();
    EXPECT_FALSE(Action("ID_VIEW_PREVIEW")->isChecked());
    Restart();
    EXPECT_FALSE(m_pFrame->GetPreviewDock()->isVisible());
}
