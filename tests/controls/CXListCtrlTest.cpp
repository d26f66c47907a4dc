// SPDX-License-Identifier: Apache-2.0
#include "controls/CXHeaderCtrl.h"
#include "tests/controls/FileListFixture.h"

#include <QHelpEvent>
#include <QToolTip>

#include <tuple>

using namespace controls_test;

namespace {

const QColor kFrame(51, 102, 153);
const QColor kTick(51, 153, 51);

class CXListCtrlTest : public FileListFixture
{
protected:
    enum class Mouse { Click, ClickBeside, PressAndLeave, DoubleClick, SpaceKey };

    // Uses the check box of column 0 in row `nRow`, or the header's for -1.
    void UseBox(int nRow, Mouse how)
    {
        if (how == Mouse::SpaceKey) {
            m_list.SetCurSel(nRow);
            return QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        }
        QWidget* pTarget = nRow < 0 ? m_pHeader->viewport() : m_list.viewport();
        const QRect box = nRow < 0 ? m_pHeader->CheckboxRect(COL_CHECK) : m_list.GetCheckboxRect(nRow, COL_CHECK);
        const QPoint at = how == Mouse::ClickBeside ? box.topRight() + QPoint(4, 6) : box.center();
        QTest::mousePress(pTarget, Qt::LeftButton, {}, at);
        QTest::mouseRelease(pTarget, Qt::LeftButton, {}, how == Mouse::PressAndLeave ? at + QPoint(60, 0) : at);
        if (how == Mouse::DoubleClick) {
            QTest::mouseDClick(pTarget, Qt::LeftButton, {}, at);
            QTest::mouseRelease(pTarget, Qt::LeftButton, {}, at);
        }
    }
    // The header box, then each row's box in column 0: 'x' checked, '-' partial, '.' unchecked, as the
    // list holds them and as it draws them ('?' when the two differ).
    std::string Boxes()
    {
        const QImage image = Grab(&m_list);
        const auto box = [&](int nState, const QPoint& topLeft) {
            const char drawn = image.pixelColor(topLeft + QPoint(6, 6)) != kTick ? '.'
                : image.pixelColor(topLeft + QPoint(3, 3)) == kTick              ? '-'
                                                                                 : 'x';
            return drawn == ".x-"[nState - 1] ? drawn : '?';
        };
        const QPoint header = m_pHeader->mapTo(&m_list, m_pHeader->CheckboxRect(0).topLeft());
        std::string boxes(1, box(m_list.GetHeaderCheckedState(COL_CHECK), header));
        for (int n = 0; n < m_list.GetItemCount(); ++n)
            boxes += box(m_list.GetCheckedState(n, COL_CHECK), InList(m_list.GetCheckboxRect(n, COL_CHECK).topLeft()));
        return boxes;
    }

    CXHeaderCtrl* m_pHeader = m_list.GetHeaderCtrl();
};

// The file list rebuilds its rows wholesale and may ask for cells that are not there; the fixture's
// model tester checks every change. Then where the ink of boxes and texts starts, in the cells and in
// the header alike: a box 5 pixels in (centred in a cell without text), a text 5 pixels in or 4 after a
// box (give or take the first glyph's bearing).
TEST_F(CXListCtrlTest, RowsAndColumnsInsertInPlaceAndBoxesAndTextsKeepTheirPlaces)
{
    AddRows(5);
    m_list.DeleteAllToolTips();
    m_list.DeleteAllItems();
    AddRows(2, false);
    // Braces: the calls run in this order.
    EXPECT_EQ((std::tuple {m_list.InsertItem(1, "middle"), m_list.InsertItem(99, "x"), m_list.InsertItem(-1, "x"),
                           m_list.GetItemText(2, COL_NAME), m_list.SetCheckbox(-1, 0, 2), m_list.GetItemText(0, 9)}),
              (std::tuple {1, 3, -1, QStringLiteral("file1.pdf"), false, QString()}))
        << "beyond the end appends";
    m_list.SetItemText(2, COL_CHECK, QString());
    m_list.SetCheckbox(0, COL_PAGES, 2);
    // A column inserted after the rows has no cells in them, and they draw as empty.
    m_list.setColumnWidth(COL_BOOKMARK, 60);
    ASSERT_EQ(m_list.InsertColumn(6, QStringLiteral("Late"), Qt::AlignLeft, 100, 1), 6);
    EXPECT_FALSE(m_list.SetItemText(0, 6, QStringLiteral("x")));
    m_list.clearFocus();
    const QImage list = Grab(&m_list);
    const QImage header = Grab(m_pHeader);
    const QColor base = Palette(QPalette::Base);
    const QColor face = m_pHeader->palette().color(QPalette::Active, QPalette::Button);
    EXPECT_EQ(list.pixelColor(Cell(0, 6).center()), base);
    const auto section = [&](int nCol) {
        return QRect(m_pHeader->sectionViewportPosition(nCol), 0, m_pHeader->sectionSize(nCol), header.height());
    };
    // Where to look: the cell or section less `nSkip` pixels on the left; where the ink starts: `dLeft`
    // pixels into it, give or take `dSlack`.
    const std::tuple<const char*, const QImage&, QRect, int, QColor, double, double> cases[] = {
        {"box beside text", list, Cell(0, COL_CHECK), 0, base, 5, 0},
        {"box without text", list, Cell(2, COL_CHECK), 0, base, (m_list.columnWidth(COL_CHECK) - 13) / 2 - 1, 0},
        {"header box", header, section(6), 1, face, 5, 0},
        {"text", list, Cell(0, COL_NAME), 0, base, 5 + 1.5, 1.5},
        {"text after a box", list, Cell(0, COL_PAGES), 19, base, 5 + 17 + 1.5, 1.5},
        {"caption", header, section(COL_NAME), 1, face, 5 + 1.5, 1.5},
        {"caption after a box", header, section(6), 19, face, 5 + 17 + 1.5, 1.5},
    };
    for (const auto& [szWhat, image, area, nSkip, background, dLeft, dSlack] : cases)
        EXPECT_NEAR(InkBounds(image, area.adjusted(nSkip, 0, 0, 0), background).left(), area.left() + dLeft, dSlack)
            << szWhat;
    const QRect cell = CellRect(0, COL_CHECK);
    EXPECT_EQ(m_list.GetCheckboxRect(0, COL_CHECK).top(), cell.top() + (cell.height() - 13) / 2) << "centred";
    EXPECT_TRUE(m_pHeader->CheckboxRect(COL_NAME).isNull());
}

// An empty list, then rows: the selection, the boxes, the texts and their tips.
TEST_F(CXListCtrlTest, EmptyListShowsAMessageAndRowsShowTheSelectionTheirBoxesTextsAndTips)
{
    // Ten pixels below the header, centred, in black.
    const QRect message = m_list.viewport()->geometry().adjusted(0, 10, 0, 0);
    QImage image = Grab(&m_list);
    const QRect ink = InkBounds(image, message, Qt::white);
    const int lineHeight = m_list.fontMetrics().height();
    EXPECT_NEAR(ink.top(), message.top() + lineHeight / 4.0, lineHeight / 4.0);
    EXPECT_LT(ink.bottom(), message.top() + lineHeight + 1) << "one line";
    EXPECT_NEAR(ink.center().x(), message.center().x(), 3);
    EXPECT_FALSE(Bounds(image, ink, [](const QColor& c) { return c.lightness() < 40; }).isNull()) << "in black";

    m_list.resize(120, 260);
    EXPECT_GT(InkBounds(Grab(&m_list), message, Qt::white).height(), lineHeight) << "a narrow list wraps it";
    // A drop shows as a frame of two pixels in the highlight colour.
    const Legend highlight {{Palette(QPalette::Highlight), '#'}};
    m_list.SetDropHighlight(true);
    EXPECT_EQ(Picture(Grab(m_list.viewport()), QRect(0, 40, 3, 1), highlight), "##?");
    m_list.SetDropHighlight(false);

    const QString longText = QStringLiteral("A bookmark title that is much too long for the column");
    AddRow(true, {"a", "7", "1", "", longText});
    AddRows(2);
    m_list.resize(560, 260);
    const QRect belowTheRows(Cell(2, 0).bottomLeft() + QPoint(0, 20), QSize(400, 40));
    EXPECT_TRUE(InkBounds(Grab(&m_list), belowTheRows, Palette(QPalette::Base)).isNull()) << "no message with rows";

    m_list.SetCurSel(1);
    const QPoint name = Cell(1, COL_NAME).topLeft() + QPoint(2, 2);
    image = Grab(&m_list);
    EXPECT_EQ(image.pixelColor(name), Palette(QPalette::Highlight));
    const QPoint focusFrame = Cell(1, COL_PAGES).topLeft() + QPoint(2, 1);
    EXPECT_EQ(image.pixelColor(focusFrame), Palette(QPalette::HighlightedText)) << "the focus frame";
    EXPECT_EQ(image.pixelColor(Cell(1, COL_BOOKMARK).bottomRight() - QPoint(2, 2)), Palette(QPalette::Highlight));
    EXPECT_EQ(image.pixelColor(Cell(0, COL_NAME).topLeft() + QPoint(2, 2)), Palette(QPalette::Base));

    m_list.clearFocus();
    image = Grab(&m_list);
    EXPECT_EQ(image.pixelColor(name), Palette(QPalette::Button));
    EXPECT_EQ(image.pixelColor(focusFrame), Palette(QPalette::Button));
    EXPECT_FALSE(
        Bounds(image, Cell(1, COL_NAME), [this](const QColor& c) { return c == Palette(QPalette::Text); }).isNull());

    m_list.SetAlwaysShowSelection(false);
    image = Grab(&m_list);
    EXPECT_EQ(image.pixelColor(name), Palette(QPalette::Base));

    // The first row, in the classic look and then in the themed one.
    const QRect box(InList(m_list.GetCheckboxRect(0, COL_CHECK).topLeft()), QSize(13, 13));
    // The box with the cell's background one pixel all round: '#' frame, 'v' tick, '.' the window
    // colour, '?' anything else.
    const Legend legend {{kFrame, '#'}, {kTick, 'v'}, {Palette(QPalette::Base), '.'}};
    EXPECT_EQ(Picture(image, box.adjusted(-1, -1, 1, 1), legend),
              "..............."
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

    // Texts are aligned as their header says and cut with an ellipsis; the tip shows the whole text,
    // and an empty tip text no tip.
    const auto inkOf = [&](int nSubItem) { return InkBounds(image, Cell(0, nSubItem), Palette(QPalette::Base)); };
    EXPECT_NEAR(inkOf(COL_PAGES).center().x(), Cell(0, COL_PAGES).center().x(), 2.5);
    const QRect bookmark = inkOf(COL_BOOKMARK);
    EXPECT_NEAR(bookmark.right(), Cell(0, COL_BOOKMARK).right() + 1 - 5 - 6, 6) << "the cut text fills the cell";
    EXPECT_LE(bookmark.height(), m_list.fontMetrics().height());
    for (const int nSubItem : {COL_END, COL_BOOKMARK}) {
        const QPoint at = CellRect(0, nSubItem).center();
        QHelpEvent help(QEvent::ToolTip, at, m_list.viewport()->mapToGlobal(at));
        QApplication::sendEvent(m_list.viewport(), &help);
        EXPECT_EQ(QToolTip::isVisible() ? QToolTip::text() : "-", nSubItem == COL_BOOKMARK ? longText : "-");
    }
    QToolTip::hideText();
    // Without ellipsis the text is clipped at the padding instead of shortened.
    m_list.SetUseEllipsis(false);
    EXPECT_NE(Grab(&m_list).copy(Cell(0, COL_BOOKMARK)), image.copy(Cell(0, COL_BOOKMARK)));

    CXThemeHelper::SetClassicLook(false);
    const QImage themed = Grab(&m_list);
    EXPECT_FALSE(InkBounds(themed, box, Palette(QPalette::Base)).isNull());
    EXPECT_TRUE(Bounds(themed, box, [](const QColor& c) { return c == kTick || c == kFrame; }).isNull());
    // The hot header item follows the pointer and returns to normal when it leaves.
    QTest::mouseMove(m_pHeader->viewport(), QPoint(m_pHeader->sectionViewportPosition(COL_PAGES) + 10, 10));
    EXPECT_EQ(m_pHeader->GetHotColumn(), COL_PAGES);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(m_pHeader, &leave);
    EXPECT_EQ(m_pHeader->GetHotColumn(), -1);
}

// From rows 0 and 2 checked and row 1 not: what the boxes show (header first, partial), which toggles
// were reported (the row; -1 for the header) and which rows are marked modified (the list stays
// modified once a row was). Space on the current row acts as a click on its box.
TEST_F(CXListCtrlTest, OnlyAPressAndReleaseOnOneBoxTogglesItAndTheHeaderBoxAndTheRowsFollowEachOther)
{
    const std::tuple<const char*, int, Mouse, std::string> cases[] = {
        {"the last unchecked box", 1, Mouse::Click, "xxxx|1|.m."},
        {"a checked box", 0, Mouse::Click, "-..x|0|m.."},
        {"Space on the last unchecked row", 1, Mouse::SpaceKey, "xxxx|1|.m."},
        {"Space on a checked row", 0, Mouse::SpaceKey, "-..x|0|m.."},
        {"a box pressed, released elsewhere", 1, Mouse::PressAndLeave, "-x.x||..."},
        {"beside a box", 1, Mouse::ClickBeside, "-x.x||..."},
        {"a quick double click is two clicks", 2, Mouse::DoubleClick, "-x.x|2,2|..m"},
        {"the partial header box", -1, Mouse::Click, "xxxx|-1|mmm"},
        {"the header box pressed, released elsewhere", -1, Mouse::PressAndLeave, "-x.x||..."},
        {"the header box double clicked", -1, Mouse::DoubleClick, "....|-1,-1|mmm"},
    };
    bool bListModified = false;
    for (const auto& [szWhat, nRow, how, szSeen] : cases) {
        SCOPED_TRACE(szWhat);
        m_list.DeleteAllItems();
        AddRows(3);
        m_list.SetCheckbox(1, COL_CHECK, 1);
        m_list.SetCheckbox(2, COL_NAME, 1);
        ASSERT_EQ(Boxes(), "-x.x");
        EXPECT_EQ(m_list.GetListModified(), bListModified) << "boxes set in code do not modify the list";
        QSignalSpy boxes(&m_list, &CXListCtrl::checkboxClicked);
        UseBox(nRow, how);
        QStringList reported;
        for (const QList<QVariant>& args : boxes)
            reported << QString::number(args[0].toInt()) + (args[1].toInt() == COL_CHECK ? "" : "?");
        std::string modified;
        for (int n = 0; n < 3; ++n)
            modified += m_list.GetModified(n, COL_CHECK) ? 'm' : '.';
        EXPECT_EQ(Boxes() + '|' + reported.join(',').toStdString() + '|' + modified, szSeen);
        bListModified |= modified.find('m') != std::string::npos;
        EXPECT_EQ(m_list.GetListModified(), bListModified);
        EXPECT_EQ(m_list.GetCheckedState(2, COL_NAME), 1) << "other columns keep their boxes";
        EXPECT_TRUE(how != Mouse::SpaceKey || m_list.currentIndex().row() == nRow) << "Space does not move on";
    }

    // A click on a row's box also selects the row, as any click on it would.
    QSignalSpy clicks(&m_list, &QAbstractItemView::clicked);
    UseBox(1, Mouse::Click);
    EXPECT_EQ(std::pair(clicks.count(), m_list.GetCurSel()), (std::pair<qsizetype, int>(1, 1)));

    // A disabled column, or a header with clicks off, swallows the click.
    const std::string before = Boxes();
    QSignalSpy sections(m_pHeader, &QHeaderView::sectionClicked);
    m_pHeader->SetColumnEnabled(0, false);
    UseBox(-1, Mouse::Click);
    m_pHeader->SetColumnEnabled(0, true);
    m_pHeader->EnableClicks(false);
    UseBox(-1, Mouse::Click);
    EXPECT_EQ(Boxes() + std::to_string(sections.count()), before + "0");

    // Boxes set in code move the header box too, also while the column is hidden.
    m_list.setColumnHidden(COL_CHECK, true);
    m_list.SetCheckbox(0, COL_CHECK, 2);
    m_list.SetCheckbox(2, COL_CHECK, 2);
    EXPECT_EQ(m_list.GetHeaderCheckedState(COL_CHECK), 2);

    // An empty list has nothing to tick, whatever the header box is told.
    m_list.setColumnHidden(COL_CHECK, false);
    m_list.DeleteAllItems();
    EXPECT_EQ(Boxes(), ".");
    UseBox(-1, Mouse::Click);
    EXPECT_EQ(Boxes(), ".");

    CXThemeHelper::SetClassicLook(false);
    const QImage unchecked = Grab(m_pHeader).copy(m_pHeader->CheckboxRect(COL_CHECK));
    m_list.SetHeaderCheckedState(COL_CHECK, 3);
    EXPECT_NE(Grab(m_pHeader).copy(m_pHeader->CheckboxRect(COL_CHECK)), unchecked) << "the style draws a partial box";
}

// Rows of their own colours, so that a row cut off at the top shows its visible part.
TEST_F(CXListCtrlTest, KeysScrollTheSelectedRowJustIntoViewAndARowAboveTheViewportShowsItsVisiblePart)
{
    for (int n = 0; n < 40; ++n)
        m_list.InsertItem(n, QStringLiteral("row %1").arg(n), Qt::black, n % 2 ? Qt::yellow : Qt::cyan);
    const int nVisible = m_list.viewport()->height() / m_list.rowHeight(0);
    m_list.SetCurSel(nVisible - 1);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(&m_list, Qt::Key_Down);
    EXPECT_EQ(m_list.GetCurSel(), nVisible + 2);
    EXPECT_EQ(m_list.rowViewportPosition(nVisible + 2) + m_list.rowHeight(0), m_list.viewport()->height());

    // SetCurSel without the flag selects without scrolling.
    const int nScroll = m_list.verticalScrollBar()->value();
    m_list.SetCurSel(39);
    EXPECT_EQ(m_list.verticalScrollBar()->value(), nScroll);
    m_list.SetCurSel(0, true);
    EXPECT_EQ(m_list.rowViewportPosition(0), 0);

    m_list.verticalScrollBar()->setValue(3 * m_list.rowHeight(0) + m_list.rowHeight(0) / 2);
    ASSERT_LT(m_list.rowViewportPosition(3), 0);
    EXPECT_EQ(Grab(&m_list).pixelColor(InList(QPoint(CellRect(3, 0).right() - 2, 1))), QColor(Qt::yellow));
}

} // namespace
