// SPDX-License-Identifier: Apache-2.0
#include "controls/CXListCtrl.h"

#include "controls/CXHeaderCtrl.h"
#include "controls/CXListCtrlModel.h"
#include "controls/CXThemeHelper.h"
#include "tests/controls/FileListFixture.h"

#include <QAbstractItemModelTester>
#include <QHelpEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolTip>

using namespace controls_test;

namespace {

const QColor kFrame(51, 102, 153);
const QColor kTick(51, 153, 51);

class CXListCtrlTest : public FileListFixture
{
protected:
    // A cell's rectangle in list coordinates, for reading grabbed images of the whole list.
    QRect Cell(int nItem, int nSubItem) const
    {
        return QRect(InList(CellRect(nItem, nSubItem).topLeft()), CellRect(nItem, nSubItem).size());
    }
    // The tick's middle pixel of the box drawn for a cell, in list coordinates.
    QPoint TickPoint(int nItem, int nSubItem) const
    {
        return InList(m_list.GetCheckboxRect(nItem, nSubItem).topLeft() + QPoint(6, 6));
    }
    void ClickHeaderBox()
    {
        QTest::mouseClick(m_list.GetHeaderCtrl()->viewport(), Qt::LeftButton, {},
                          m_list.GetHeaderCtrl()->CheckboxRect(0).center());
    }
    // The header box, then each row's box in column 0: 'x' checked, '.' unchecked, as the list holds
    // them and as it draws them ('?' when the two differ).
    std::string Boxes()
    {
        const QImage image = Grab(&m_list);
        const auto box = [&](int nState, const QPoint& tick) {
            return (nState == 2) != (image.pixelColor(tick) == kTick) ? '?' : nState == 2 ? 'x' : '.';
        };
        CXHeaderCtrl* pHeader = m_list.GetHeaderCtrl();
        std::string boxes(1,
                          box(m_list.GetHeaderCheckedState(COL_CHECK),
                              pHeader->mapTo(&m_list, pHeader->CheckboxRect(0).topLeft() + QPoint(6, 6))));
        for (int n = 0; n < m_list.GetItemCount(); ++n)
            boxes += box(m_list.GetCheckedState(n, COL_CHECK), TickPoint(n, COL_CHECK));
        return boxes;
    }
};

TEST_F(CXListCtrlTest, ModelStaysConsistentThroughARebuildAndUserChanges)
{
    QAbstractItemModelTester tester(m_list.GetCellModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    AddRows(5);
    m_list.DeleteAllToolTips();
    m_list.DeleteAllItems();
    AddRows(3, false);
    m_list.InsertColumn(6, QStringLiteral("Late"));
    m_list.InsertItem(1, QStringLiteral("middle"));
    ASSERT_TRUE(ShowActive(&m_list));
    ClickHeaderBox();
    Click(m_list.GetCheckboxRect(0, COL_CHECK).center());
    EXPECT_EQ(m_list.GetItemCount(), 4);
    EXPECT_EQ(m_list.GetColumns(), 7);
    EXPECT_EQ(m_list.GetItemText(1, COL_CHECK), QStringLiteral("middle"));
    EXPECT_EQ(m_list.GetItemText(2, COL_NAME), QStringLiteral("file1.pdf"));
}

// The file list rebuilds its rows wholesale and may ask for cells that are not there.
TEST_F(CXListCtrlTest, CellsOutsideTheRowsAndColumnsAreIgnored)
{
    AddRows(2);
    EXPECT_EQ(m_list.InsertItem(-1, QStringLiteral("x")), -1);
    EXPECT_EQ(m_list.InsertItem(99, QStringLiteral("x")), 2) << "beyond the end appends";
    EXPECT_FALSE(m_list.SetItemText(5, 1, QStringLiteral("x")));
    EXPECT_FALSE(m_list.SetCheckbox(-1, 0, 2));
    EXPECT_EQ(m_list.GetItemText(0, 9), QString());

    // A column inserted after the rows has no cells in them, and they draw as empty.
    m_list.setColumnWidth(COL_BOOKMARK, 60);
    ASSERT_EQ(m_list.InsertColumn(6, QStringLiteral("Late"), Qt::AlignLeft, 60), 6);
    EXPECT_FALSE(m_list.SetItemText(0, 6, QStringLiteral("x")));
    ASSERT_TRUE(ShowActive(&m_list));
    m_list.clearFocus();
    EXPECT_EQ(Grab(&m_list).pixelColor(Cell(0, 6).center()), Palette(QPalette::Base));
}

TEST_F(CXListCtrlTest, EmptyListShowsTheMessageTenPixelsBelowTheHeaderCentredInBlack)
{
    ASSERT_TRUE(ShowActive(&m_list));
    const QRect viewport = m_list.viewport()->geometry();
    const QRect message = viewport.adjusted(0, 10, 0, 0);
    const QImage image = Grab(&m_list);
    const QRect ink = InkBounds(image, message, Qt::white);
    const int lineHeight = m_list.fontMetrics().height();
    EXPECT_NEAR(ink.top(), message.top() + lineHeight / 4.0, lineHeight / 4.0);
    EXPECT_LT(ink.bottom(), message.top() + lineHeight + 1) << "one line";
    EXPECT_NEAR(ink.center().x(), message.center().x(), 3);
    EXPECT_FALSE(Bounds(image, ink, [](const QColor& c) { return c.lightness() < 40; }).isNull()) << "in black";

    // A narrow list wraps the message onto more lines.
    m_list.resize(120, 260);
    EXPECT_GT(InkBounds(Grab(&m_list), m_list.viewport()->geometry().adjusted(0, 10, 0, 0), Qt::white).height(),
              lineHeight);

    AddRows(1);
    m_list.resize(560, 260);
    EXPECT_TRUE(InkBounds(Grab(&m_list), QRect(Cell(0, 0).bottomLeft() + QPoint(0, 20), QSize(400, 40)),
                          Palette(QPalette::Base))
                    .isNull())
        << "no message once the list has rows";
}

TEST_F(CXListCtrlTest, SelectedRowIsHighlightedWithFocusAndButtonFaceWithout)
{
    AddRows(3);
    ASSERT_TRUE(ShowActive(&m_list));
    m_list.SetCurSel(1);
    m_list.setFocus();
    const QPoint name = Cell(1, COL_NAME).topLeft() + QPoint(2, 2);
    QImage image = Grab(&m_list);
    EXPECT_EQ(image.pixelColor(name), Palette(QPalette::Highlight));
    EXPECT_EQ(image.pixelColor(Cell(1, COL_BOOKMARK).bottomRight() - QPoint(2, 2)), Palette(QPalette::Highlight))
        << "the whole row";
    EXPECT_EQ(image.pixelColor(Cell(0, COL_NAME).topLeft() + QPoint(2, 2)), Palette(QPalette::Base));

    m_list.clearFocus();
    image = Grab(&m_list);
    EXPECT_EQ(image.pixelColor(name), Palette(QPalette::Button));
    EXPECT_FALSE(
        Bounds(image, Cell(1, COL_NAME), [this](const QColor& c) { return c == Palette(QPalette::Text); }).isNull())
        << "text in the window-text colour";

    m_list.SetAlwaysShowSelection(false);
    EXPECT_EQ(Grab(&m_list).pixelColor(name), Palette(QPalette::Base));
}

TEST_F(CXListCtrlTest, CheckBoxSitsFivePixelsInWithTextAndCentredWithout)
{
    AddRows(2);
    m_list.SetItemText(1, COL_CHECK, QString());
    m_list.SetCheckbox(0, COL_PAGES, 2);
    ASSERT_TRUE(ShowActive(&m_list));
    m_list.clearFocus();
    const QImage image = Grab(&m_list);

    const QRect spaced = CellRect(0, COL_CHECK);
    const int top = spaced.top() + (spaced.height() - 13) / 2;
    EXPECT_EQ(m_list.GetCheckboxRect(0, COL_CHECK), QRect(spaced.left() + 5, top, 13, 13));
    // The classic box, with the cell's background one pixel all round: '#' frame, 'v' tick, '.' the
    // window colour, '?' anything else.
    std::string picture;
    for (int y = -1; y < 14; ++y) {
        picture += '\n';
        for (int x = -1; x < 14; ++x) {
            const QColor c = image.pixelColor(InList(m_list.GetCheckboxRect(0, COL_CHECK).topLeft() + QPoint(x, y)));
            picture += c == kFrame ? '#' : c == kTick ? 'v' : c == Palette(QPalette::Base) ? '.' : '?';
        }
    }
    EXPECT_EQ(picture,
              "\n..............."
              "\n.#############."
              "\n.#...........#."
              "\n.#...........#."
              "\n.#........v..#."
              "\n.#.......vv..#."
              "\n.#..v...vvv..#."
              "\n.#..vv.vvv...#."
              "\n.#..vvvvv....#."
              "\n.#...vvv.....#."
              "\n.#....v......#."
              "\n.#...........#."
              "\n.#...........#."
              "\n.#############."
              "\n...............");

    const QRect empty = CellRect(1, COL_CHECK);
    EXPECT_EQ(m_list.GetCheckboxRect(1, COL_CHECK).left(), empty.left() + (empty.width() - 13) / 2 - 1);
    EXPECT_EQ(image.pixelColor(TickPoint(1, COL_CHECK) - QPoint(6, 0)), kFrame);

    // Text after a box starts 4 pixels right of it.
    EXPECT_NEAR(InkBounds(image, Cell(0, COL_PAGES).adjusted(19, 0, 0, 0), Palette(QPalette::Base)).left(),
                Cell(0, COL_PAGES).left() + 5 + 17 + 1.5, 1.5);

    // The themed look leaves the box to the style: drawn, but not in the classic colours.
    CXThemeHelper::SetClassicLook(false);
    const QRect box(InList(m_list.GetCheckboxRect(0, COL_CHECK).topLeft()), QSize(13, 13));
    const QImage themed = Grab(&m_list);
    EXPECT_FALSE(InkBounds(themed, box, Palette(QPalette::Base)).isNull());
    EXPECT_TRUE(Bounds(themed, box, [](const QColor& c) { return c == kTick || c == kFrame; }).isNull());
}

TEST_F(CXListCtrlTest, CellTextIsPaddedAlignedAsItsHeaderAndCutWithEllipsis)
{
    AddRow(true, "a", "7", "1", "7", "A bookmark title that is much too long for the column");
    ASSERT_TRUE(ShowActive(&m_list));
    m_list.clearFocus();
    const QImage image = Grab(&m_list);
    const auto inkOf = [&](int nSubItem) { return InkBounds(image, Cell(0, nSubItem), Palette(QPalette::Base)); };

    EXPECT_NEAR(inkOf(COL_NAME).left(), Cell(0, COL_NAME).left() + 5 + 1.5, 1.5);
    EXPECT_NEAR(inkOf(COL_PAGES).center().x(), Cell(0, COL_PAGES).center().x(), 2.5);
    const QRect bookmark = inkOf(COL_BOOKMARK);
    EXPECT_NEAR(bookmark.right(), Cell(0, COL_BOOKMARK).right() + 1 - 5 - 6, 6) << "the cut text fills the cell";
    EXPECT_LE(bookmark.height(), m_list.fontMetrics().height());

    // Without ellipsis the text is clipped at the padding instead of shortened.
    m_list.SetUseEllipsis(false);
    EXPECT_NE(Grab(&m_list).copy(Cell(0, COL_BOOKMARK)), image.copy(Cell(0, COL_BOOKMARK)));
}

TEST_F(CXListCtrlTest, OneClickTogglesABoxOnceAndTheHeaderBoxFollowsTheRows)
{
    AddRow(true, "a.pdf", "1", "1", "1", "a");
    AddRow(false, "b.pdf", "2", "1", "2", "b");
    AddRow(true, "c.pdf", "3", "1", "3", "c");
    ASSERT_TRUE(ShowActive(&m_list));
    EXPECT_EQ(Boxes(), ".x.x");
    QSignalSpy boxes(&m_list, &CXListCtrl::checkboxClicked);
    QSignalSpy clicks(&m_list, &QAbstractItemView::clicked);

    Click(m_list.GetCheckboxRect(1, COL_CHECK).center());
    EXPECT_EQ(Boxes(), "xxxx") << "the last unchecked row was checked";
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.front(), (QList<QVariant> {1, 0}));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(m_list.GetCurSel(), 1) << "the click selects the row";
    EXPECT_TRUE(m_list.GetModified(1, COL_CHECK));
    EXPECT_FALSE(m_list.GetModified(0, COL_CHECK));
    EXPECT_TRUE(m_list.GetListModified());

    Click(m_list.GetCheckboxRect(0, COL_CHECK).center());
    EXPECT_EQ(Boxes(), "..xx");

    // A press on the box released elsewhere, and a click beside the box, toggle nothing; a quick
    // double click is two clicks.
    QTest::mousePress(m_list.viewport(), Qt::LeftButton, {}, m_list.GetCheckboxRect(2, COL_CHECK).center());
    QTest::mouseRelease(m_list.viewport(), Qt::LeftButton, {}, CellRect(2, COL_NAME).center());
    Click(CellRect(2, COL_CHECK).topRight() + QPoint(-2, 2));
    EXPECT_EQ(boxes.count(), 2);
    Click(m_list.GetCheckboxRect(2, COL_CHECK).center());
    QTest::mouseDClick(m_list.viewport(), Qt::LeftButton, {}, m_list.GetCheckboxRect(2, COL_CHECK).center());
    QTest::mouseRelease(m_list.viewport(), Qt::LeftButton, {}, m_list.GetCheckboxRect(2, COL_CHECK).center());
    EXPECT_EQ(boxes.count(), 4);
    EXPECT_EQ(Boxes(), "..xx");

    // Setting the boxes from code moves the header box too, also while the column is hidden.
    m_list.setColumnHidden(COL_CHECK, true);
    m_list.SetCheckbox(0, COL_CHECK, 2);
    EXPECT_EQ(m_list.GetHeaderCheckedState(COL_CHECK), 2);
}

TEST_F(CXListCtrlTest, HeaderBoxSitsFivePixelsInAndTheCaptionFollowsIt)
{
    m_list.setColumnWidth(COL_BOOKMARK, 60);
    ASSERT_EQ(m_list.InsertColumn(6, QStringLiteral("Late"), Qt::AlignLeft, 100, 1), 6);
    ASSERT_TRUE(ShowActive(&m_list));
    CXHeaderCtrl* pHeader = m_list.GetHeaderCtrl();
    const QImage image = Grab(pHeader);
    const QColor face = pHeader->palette().color(QPalette::Active, QPalette::Button);
    const int top = (pHeader->viewport()->height() - 13) / 2;
    const int late = pHeader->sectionViewportPosition(6);
    EXPECT_EQ(pHeader->CheckboxRect(6), QRect(late + 5, top, 13, 13));
    EXPECT_EQ(image.pixelColor(late + 5, top + 6), kFrame);
    EXPECT_EQ(image.pixelColor(late + 4, top + 6), face);
    // The caption starts 4 pixels after the box (give or take the first glyph's bearing); without a
    // box, 5 pixels in.
    EXPECT_NEAR(InkBounds(image, QRect(late + 19, 0, 80, image.height()), face).left(), late + 5 + 17 + 1.5, 1.5);
    const int name = pHeader->sectionViewportPosition(COL_NAME);
    EXPECT_TRUE(pHeader->CheckboxRect(COL_NAME).isNull());
    EXPECT_NEAR(InkBounds(image, QRect(name + 1, 0, 140, image.height()), face).left(), name + 5 + 1.5, 1.5);
}

TEST_F(CXListCtrlTest, ClickingTheHeaderBoxSetsEveryRowAndMarksThemModified)
{
    AddRow(true, "a.pdf", "1", "1", "1", "a");
    AddRows(2, false);
    m_list.SetCheckbox(2, COL_NAME, 1);
    ASSERT_TRUE(ShowActive(&m_list));
    QSignalSpy boxes(&m_list, &CXListCtrl::checkboxClicked);
    ClickHeaderBox();
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.front(), (QList<QVariant> {-1, 0}));
    EXPECT_EQ(Boxes(), "xxxx");
    for (int n = 0; n < 3; ++n)
        EXPECT_TRUE(m_list.GetModified(n, COL_CHECK)) << n;
    EXPECT_EQ(m_list.GetCheckedState(2, COL_NAME), 1) << "other columns keep their boxes";

    // A press on the box released elsewhere changes nothing; a quick double click toggles twice.
    CXHeaderCtrl* pHeader = m_list.GetHeaderCtrl();
    const QPoint box = pHeader->CheckboxRect(0).center();
    QTest::mousePress(pHeader->viewport(), Qt::LeftButton, {}, box);
    QTest::mouseRelease(pHeader->viewport(), Qt::LeftButton, {}, QPoint(80, 10));
    EXPECT_EQ(boxes.count(), 1);
    ClickHeaderBox();
    QTest::mouseDClick(pHeader->viewport(), Qt::LeftButton, {}, box);
    QTest::mouseRelease(pHeader->viewport(), Qt::LeftButton, {}, box);
    EXPECT_EQ(boxes.count(), 3);
    EXPECT_EQ(Boxes(), "xxxx");

    // A disabled column, or a header with clicks off, swallows the click.
    QSignalSpy sectionClicked(pHeader, &QHeaderView::sectionClicked);
    pHeader->SetColumnEnabled(0, false);
    ClickHeaderBox();
    pHeader->SetColumnEnabled(0, true);
    pHeader->EnableClicks(false);
    ClickHeaderBox();
    EXPECT_EQ(boxes.count(), 3);
    EXPECT_EQ(sectionClicked.count(), 0);
    EXPECT_EQ(Boxes(), "xxxx");
}

TEST_F(CXListCtrlTest, HotHeaderItemFollowsThePointerAndReturnsToNormalWhenItLeaves)
{
    CXThemeHelper::SetClassicLook(false);
    ASSERT_TRUE(ShowActive(&m_list));
    CXHeaderCtrl* pHeader = m_list.GetHeaderCtrl();
    const QPointF at(pHeader->sectionViewportPosition(COL_PAGES) + 10, 10);
    QMouseEvent move(QEvent::MouseMove, at, pHeader->viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(pHeader->viewport(), &move);
    EXPECT_EQ(pHeader->GetHotColumn(), COL_PAGES);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(pHeader, &leave);
    EXPECT_EQ(pHeader->GetHotColumn(), -1);
}

TEST_F(CXListCtrlTest, RowStartingAboveTheViewportShowsItsVisiblePart)
{
    for (int n = 0; n < 30; ++n)
        m_list.InsertItem(n, QStringLiteral("row %1").arg(n), Qt::black,
                          n % 2 ? QColor(250, 200, 0) : QColor(0, 200, 250));
    ASSERT_TRUE(ShowActive(&m_list));
    m_list.clearFocus();
    m_list.verticalScrollBar()->setValue(3 * m_list.rowHeight(0) + m_list.rowHeight(0) / 2);
    ASSERT_LT(m_list.rowViewportPosition(3), 0);
    EXPECT_EQ(Grab(&m_list).pixelColor(InList(QPoint(CellRect(3, 0).right() - 2, 1))), QColor(250, 200, 0))
        << "row 3 starts above the viewport; its lower half is drawn";
}

TEST_F(CXListCtrlTest, TooltipShowsTheWholeCellText)
{
    const QString longText = QStringLiteral("/home/someone/Documents/archive/2024/reports/quarterly/"
                                            "a file name long enough to be cut off in its column.pdf");
    AddRow(true, longText, "1", "1", "1", "");
    m_list.SetItemToolTipText(0, COL_BOOKMARK, QString());
    ASSERT_TRUE(ShowActive(&m_list));
    const auto hover = [this](int nSubItem) {
        const QPoint at = CellRect(0, nSubItem).center();
        QHelpEvent help(QEvent::ToolTip, at, m_list.viewport()->mapToGlobal(at));
        QApplication::sendEvent(m_list.viewport(), &help);
    };

    hover(COL_BOOKMARK);
    EXPECT_FALSE(QToolTip::isVisible()) << "an empty tooltip text shows no tip";
    hover(COL_NAME);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), longText);
    QToolTip::hideText();
}

TEST_F(CXListCtrlTest, KeysScrollTheSelectedRowJustIntoView)
{
    AddRows(40);
    ASSERT_TRUE(ShowActive(&m_list));
    m_list.setFocus();
    const int nVisible = m_list.viewport()->height() / m_list.rowHeight(0);
    m_list.SetCurSel(nVisible - 1);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(&m_list, Qt::Key_Down);
    const int nSel = m_list.GetCurSel();
    EXPECT_EQ(nSel, nVisible + 2);
    EXPECT_EQ(m_list.rowViewportPosition(nSel) + m_list.rowHeight(nSel), m_list.viewport()->height());

    // SetCurSel without the flag selects without scrolling.
    const int nScroll = m_list.verticalScrollBar()->value();
    m_list.SetCurSel(39);
    EXPECT_EQ(m_list.verticalScrollBar()->value(), nScroll);
    m_list.SetCurSel(0, true);
    EXPECT_EQ(m_list.rowViewportPosition(0), 0);
}

} // namespace
