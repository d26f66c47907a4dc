// SPDX-License-Identifier: Apache-2.0
#include "CXListCtrl.h"

#include "CXHeaderCtrl.h"
#include "CXListCtrlModel.h"
#include "FileListFixture.h"

#include <QAbstractItemModelTester>
#include <QHelpEvent>
#include <QLineEdit>
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
    // The tick's middle pixel of the box drawn for a cell, in list coordinates.
    QPoint TickPoint(int nItem, int nSubItem) const
    {
        return InList(m_list.GetCheckboxRect(nItem, nSubItem).topLeft() + QPoint(6, 6));
    }
    QPoint HeaderBoxCentre() const { return m_list.GetHeaderCtrl()->CheckboxRect(0).center(); }
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
    QTest::mouseClick(m_list.GetHeaderCtrl()->viewport(), Qt::LeftButton, {}, HeaderBoxCentre());
    Click(m_list.GetCheckboxRect(0, COL_CHECK).center());
    EXPECT_EQ(m_list.GetItemCount(), 4);
    EXPECT_EQ(m_list.GetColumns(), 7);
    EXPECT_EQ(m_list.GetItemText(1, COL_CHECK), QStringLiteral("middle"));
    EXPECT_EQ(m_list.GetItemText(2, COL_NAME), QStringLiteral("file1.pdf"));
}

TEST_F(CXListCtrlTest, OperationsOutsideTheRowsAndColumnsDoNothing)
{
    AddRows(2);
    EXPECT_EQ(m_list.InsertItem(-1, QStringLiteral("x")), -1);
    EXPECT_EQ(m_list.InsertColumn(-1, QStringLiteral("x")), -1);
    EXPECT_EQ(m_list.InsertItem(99, QStringLiteral("x")), 2) << "beyond the end appends";
    EXPECT_FALSE(m_list.SetItemText(5, 1, QStringLiteral("x")));
    EXPECT_FALSE(m_list.SetItemText(0, 6, QStringLiteral("x")));
    EXPECT_FALSE(m_list.SetCheckbox(-1, 0, 2));
    EXPECT_FALSE(m_list.SetEdit(0, -1));
    EXPECT_FALSE(m_list.SetItemToolTipText(3, 0, QStringLiteral("x")));
    EXPECT_EQ(m_list.GetItemText(0, 9), QString());
    EXPECT_EQ(m_list.GetCheckedState(7, 0), 0);
    EXPECT_FALSE(m_list.SetCurSel(3));
    EXPECT_EQ(m_list.GetCurSel(), -1);
    QRect rect(1, 2, 3, 4);
    EXPECT_FALSE(m_list.GetSubItemRect(0, 6, rect));
    EXPECT_EQ(rect, QRect(1, 2, 3, 4));
    EXPECT_EQ(m_list.GetHeaderCheckedState(6), 0);
    EXPECT_TRUE(m_list.GetEnabled(0));
    EXPECT_FALSE(m_list.GetEnabled(3));
}

TEST_F(CXListCtrlTest, AColumnInsertedAfterTheRowsHasNoCellsInThem)
{
    AddRows(2);
    m_list.setColumnWidth(COL_BOOKMARK, 60);
    const int nLate = m_list.InsertColumn(6, QStringLiteral("Late"), Qt::AlignLeft, 60);
    ASSERT_EQ(nLate, 6);
    EXPECT_FALSE(m_list.SetItemText(0, nLate, QStringLiteral("x")));
    EXPECT_FALSE(m_list.SetCheckbox(0, nLate, 2));
    EXPECT_EQ(m_list.GetCheckedState(0, nLate), 0);

    ASSERT_TRUE(ShowActive(&m_list));
    m_list.clearFocus();
    const QImage image = Grab(&m_list);
    const QRect cell = CellRect(0, nLate);
    EXPECT_EQ(Pixel(image, InList(cell.center())), Palette(QPalette::Base));
}

TEST_F(CXListCtrlTest, EmptyListShowsTheMessageTenPixelsBelowTheHeaderCentredOnWhite)
{
    ASSERT_TRUE(ShowActive(&m_list));
    const QImage image = Grab(&m_list);
    const QRect viewport = m_list.viewport()->geometry();
    const QRect message(viewport.left(), viewport.top() + 10, viewport.width(), viewport.height() - 10);
    const QRect ink = InkBounds(image, message, Qt::white);
    ASSERT_FALSE(ink.isNull());
    const int lineHeight = m_list.fontMetrics().height();
    EXPECT_GE(ink.top(), message.top());
    EXPECT_LT(ink.top(), message.top() + lineHeight / 2);
    EXPECT_LT(ink.bottom(), message.top() + lineHeight + 1) << "one line";
    EXPECT_NEAR((ink.left() + ink.right()) / 2, message.center().x(), 3);
    EXPECT_EQ(Pixel(image, message.left() + 2, message.top() + 1), QColor(Qt::white));
    EXPECT_EQ(Pixel(image, message.left() + 2, message.bottom() - 1), QColor(Qt::white));
    bool bBlack = false;
    for (int y = ink.top(); y <= ink.bottom(); ++y) {
        for (int x = ink.left(); x <= ink.right(); ++x)
            bBlack |= Pixel(image, x, y).lightness() < 40;
    }
    EXPECT_TRUE(bBlack) << "the message is black";

    // No rows and no message: the default text, as wide as its own words make it.
    m_list.SetNoItemsMessage(QString());
    const QRect defaultInk = InkBounds(Grab(&m_list), message, Qt::white);
    EXPECT_GT(defaultInk.width(), ink.width()) << "\"There are no items to show in this view.\" is longer";

    // A narrow list wraps the message onto more lines.
    m_list.SetNoItemsMessage(QStringLiteral("Please Add PDF Files to Convert."));
    m_list.resize(120, 260);
    const QRect narrow = m_list.viewport()->geometry();
    const QRect wrapped
        = InkBounds(Grab(&m_list), QRect(narrow.left(), narrow.top() + 10, narrow.width(), 200), Qt::white);
    EXPECT_GT(wrapped.height(), lineHeight);

    AddRows(1);
    m_list.resize(560, 260);
    EXPECT_FALSE(HasInk(Grab(&m_list), QRect(InList(CellRect(0, 0).bottomLeft() + QPoint(0, 20)), QSize(400, 40)),
                        Palette(QPalette::Base)))
        << "no message once the list has rows";
}

TEST_F(CXListCtrlTest, SelectedRowIsHighlightedWithFocusAndButtonFaceWithout)
{
    QWidget window;
    m_list.setParent(&window);
    QLineEdit other(&window);
    other.move(0, 270);
    window.resize(560, 300);
    AddRows(3);
    ASSERT_TRUE(ShowActive(&window));
    m_list.SetCurSel(1);
    m_list.setFocus();
    ASSERT_TRUE(m_list.hasFocus());

    const QPoint name = InList(CellRect(1, COL_NAME).topLeft() + QPoint(2, 2));
    const QPoint bookmark = InList(CellRect(1, COL_BOOKMARK).bottomRight() - QPoint(2, 2));
    const QPoint unselected = InList(CellRect(0, COL_NAME).topLeft() + QPoint(2, 2));
    QImage image = Grab(&m_list);
    EXPECT_EQ(Pixel(image, name), Palette(QPalette::Highlight));
    EXPECT_EQ(Pixel(image, bookmark), Palette(QPalette::Highlight)) << "the whole row";
    EXPECT_EQ(Pixel(image, unselected), Palette(QPalette::Base));
    EXPECT_TRUE(HasInk(image, QRect(InList(CellRect(1, COL_NAME).topLeft()), CellRect(1, COL_NAME).size()),
                       Palette(QPalette::Highlight)));

    other.setFocus();
    ASSERT_FALSE(m_list.hasFocus());
    image = Grab(&m_list);
    EXPECT_EQ(Pixel(image, name), Palette(QPalette::Button));
    EXPECT_EQ(Pixel(image, bookmark), Palette(QPalette::Button));
    const QRect nameCell(InList(CellRect(1, COL_NAME).topLeft()), CellRect(1, COL_NAME).size());
    const QRect ink = InkBounds(image, nameCell, Palette(QPalette::Button));
    ASSERT_FALSE(ink.isNull());
    bool bWindowText = false;
    for (int x = ink.left(); x <= ink.right(); ++x) {
        for (int y = ink.top(); y <= ink.bottom(); ++y)
            bWindowText |= Pixel(image, x, y) == Palette(QPalette::Text);
    }
    EXPECT_TRUE(bWindowText) << "text in the window-text colour";

    m_list.SetAlwaysShowSelection(false);
    EXPECT_EQ(Pixel(Grab(&m_list), name), Palette(QPalette::Base));
    m_list.setParent(nullptr);
}

TEST_F(CXListCtrlTest, CheckBoxSitsFivePixelsInWithTextAndCentredWithout)
{
    AddRows(2);
    m_list.SetItemText(1, COL_CHECK, QString());
    m_list.SetCheckbox(0, COL_PAGES, 2);
    m_list.SetItemText(0, COL_PAGES, QStringLiteral("10"));
    ASSERT_TRUE(ShowActive(&m_list));
    m_list.clearFocus();
    const QImage image = Grab(&m_list);

    const QRect spaced = CellRect(0, COL_CHECK);
    const int top = spaced.top() + (spaced.height() - 13) / 2;
    EXPECT_EQ(m_list.GetCheckboxRect(0, COL_CHECK), QRect(spaced.left() + 5, top, 13, 13));
    EXPECT_EQ(Pixel(image, InList(QPoint(spaced.left() + 5, top + 6))), kFrame);
    EXPECT_EQ(Pixel(image, InList(QPoint(spaced.left() + 4, top + 6))), Palette(QPalette::Base));
    EXPECT_EQ(Pixel(image, TickPoint(0, COL_CHECK)), kTick);

    const QRect empty = CellRect(1, COL_CHECK);
    const int centred = empty.left() + (empty.width() - 13) / 2 - 1;
    EXPECT_EQ(m_list.GetCheckboxRect(1, COL_CHECK).left(), centred);
    EXPECT_EQ(Pixel(image, InList(QPoint(centred, top + CellRect(1, 0).top() - spaced.top() + 6))), kFrame);

    // Text after a box starts 4 pixels right of it.
    const QRect pages = CellRect(0, COL_PAGES);
    const QRect ink
        = InkBounds(image, QRect(InList(pages.topLeft() + QPoint(19, 0)), QSize(pages.width() - 19, pages.height())),
                    Palette(QPalette::Base));
    ASSERT_FALSE(ink.isNull());
    EXPECT_GE(ink.left(), InList(pages.topLeft()).x() + 5 + 17);
    EXPECT_LE(ink.left(), InList(pages.topLeft()).x() + 5 + 17 + 3);
}

TEST_F(CXListCtrlTest, CellTextIsPaddedAlignedAsItsHeaderAndCutWithEllipsis)
{
    AddRow(true, QStringLiteral("a"), QStringLiteral("7"), QStringLiteral("1"), QStringLiteral("7"),
           QStringLiteral("A bookmark title that is much too long for the column"));
    ASSERT_TRUE(ShowActive(&m_list));
    m_list.clearFocus();
    const QImage image = Grab(&m_list);
    const QColor base = Palette(QPalette::Base);
    const auto inkOf = [&](int nSubItem) {
        const QRect cell = CellRect(0, nSubItem);
        return InkBounds(image, QRect(InList(cell.topLeft()), cell.size()), base);
    };
    const auto leftOf = [&](int nSubItem) { return InList(CellRect(0, nSubItem).topLeft()).x(); };

    const QRect name = inkOf(COL_NAME);
    EXPECT_GE(name.left(), leftOf(COL_NAME) + 5);
    EXPECT_LE(name.left(), leftOf(COL_NAME) + 5 + 3);

    const QRect pages = inkOf(COL_PAGES);
    EXPECT_NEAR((pages.left() + pages.right()) / 2.0, leftOf(COL_PAGES) + CellRect(0, COL_PAGES).width() / 2.0, 2.5);

    const QRect bookmark = inkOf(COL_BOOKMARK);
    const int right = leftOf(COL_BOOKMARK) + CellRect(0, COL_BOOKMARK).width();
    EXPECT_LE(bookmark.right(), right - 5);
    EXPECT_GE(bookmark.right(), right - 5 - 12) << "the cut text fills the cell";
    const int oneLine = m_list.fontMetrics().height();
    EXPECT_LE(bookmark.height(), oneLine);

    // Without ellipsis the text is clipped at the padding instead of shortened.
    m_list.SetUseEllipsis(false);
    const QImage clipped = Grab(&m_list);
    const QRect cell = CellRect(0, COL_BOOKMARK);
    EXPECT_NE(clipped.copy(QRect(InList(cell.topLeft()), cell.size())),
              image.copy(QRect(InList(cell.topLeft()), cell.size())));
}

TEST_F(CXListCtrlTest, OneClickTogglesABoxOnceAndTheHeaderBoxFollowsTheRows)
{
    AddRow(true, "a.pdf", "1", "1", "1", "a");
    AddRow(false, "b.pdf", "2", "1", "2", "b");
    AddRow(true, "c.pdf", "3", "1", "3", "c");
    ASSERT_TRUE(ShowActive(&m_list));
    EXPECT_EQ(m_list.GetHeaderCheckedState(COL_CHECK), 1);
    QSignalSpy boxes(&m_list, &CXListCtrl::checkboxClicked);
    QSignalSpy clicks(&m_list, &QAbstractItemView::clicked);

    Click(m_list.GetCheckboxRect(1, COL_CHECK).center());
    EXPECT_EQ(m_list.GetCheckedState(1, COL_CHECK), 2);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.front(), (QList<QVariant> {1, 0}));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(m_list.GetCurSel(), 1) << "the click selects the row";
    EXPECT_TRUE(m_list.GetModified(1, COL_CHECK));
    EXPECT_FALSE(m_list.GetModified(0, COL_CHECK));
    EXPECT_TRUE(m_list.GetListModified());
    EXPECT_EQ(m_list.CountCheckedItems(COL_CHECK), 3);
    EXPECT_EQ(m_list.GetHeaderCheckedState(COL_CHECK), 2) << "the last unchecked row was checked";
    const QImage image = Grab(&m_list);
    EXPECT_EQ(Pixel(image, TickPoint(1, COL_CHECK)), kTick);
    const QPoint headerTick
        = m_list.GetHeaderCtrl()->mapTo(&m_list, m_list.GetHeaderCtrl()->CheckboxRect(0).topLeft() + QPoint(6, 6));
    EXPECT_EQ(Pixel(image, headerTick), kTick);

    Click(m_list.GetCheckboxRect(0, COL_CHECK).center());
    EXPECT_EQ(m_list.GetCheckedState(0, COL_CHECK), 1);
    EXPECT_EQ(m_list.GetHeaderCheckedState(COL_CHECK), 1) << "one row unchecked";
    EXPECT_EQ(boxes.count(), 2);

    // A press on the box released elsewhere, and a click beside the box, toggle nothing.
    QTest::mousePress(m_list.viewport(), Qt::LeftButton, {}, m_list.GetCheckboxRect(2, COL_CHECK).center());
    QTest::mouseRelease(m_list.viewport(), Qt::LeftButton, {}, CellRect(2, COL_NAME).center());
    Click(CellRect(2, COL_CHECK).topRight() + QPoint(-2, 2));
    EXPECT_EQ(m_list.GetCheckedState(2, COL_CHECK), 2);
    EXPECT_EQ(boxes.count(), 2);

    // Setting the boxes from code moves the header box too, also while the column is hidden.
    m_list.setColumnHidden(COL_CHECK, true);
    m_list.SetCheckbox(0, COL_CHECK, 2);
    EXPECT_EQ(m_list.GetHeaderCheckedState(COL_CHECK), 2);
}

TEST_F(CXListCtrlTest, DoubleClickOnABoxTogglesItTwice)
{
    AddRows(1, false);
    ASSERT_TRUE(ShowActive(&m_list));
    const QPoint box = m_list.GetCheckboxRect(0, COL_CHECK).center();
    Click(box);
    QTest::mouseDClick(m_list.viewport(), Qt::LeftButton, {}, box);
    QTest::mouseRelease(m_list.viewport(), Qt::LeftButton, {}, box);
    EXPECT_EQ(m_list.GetCheckedState(0, COL_CHECK), 1);
}

TEST_F(CXListCtrlTest, ClickingTheHeaderBoxSetsEveryRowAndMarksThemModified)
{
    AddRow(true, "a.pdf", "1", "1", "1", "a");
    AddRow(false, "b.pdf", "2", "1", "2", "b");
    AddRow(false, "c.pdf", "3", "1", "3", "c");
    m_list.SetCheckbox(2, COL_NAME, 1);
    ASSERT_TRUE(ShowActive(&m_list));
    QSignalSpy boxes(&m_list, &CXListCtrl::checkboxClicked);
    QTest::mouseClick(m_list.GetHeaderCtrl()->viewport(), Qt::LeftButton, {}, HeaderBoxCentre());
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.front(), (QList<QVariant> {-1, 0}));
    EXPECT_EQ(m_list.GetHeaderCheckedState(COL_CHECK), 2);
    const QImage image = Grab(&m_list);
    for (int n = 0; n < 3; ++n) {
        EXPECT_EQ(m_list.GetCheckedState(n, COL_CHECK), 2) << n;
        EXPECT_TRUE(m_list.GetModified(n, COL_CHECK)) << n;
        EXPECT_EQ(Pixel(image, TickPoint(n, COL_CHECK)), kTick) << n;
    }
    EXPECT_EQ(m_list.GetCheckedState(2, COL_NAME), 1) << "other columns keep their boxes";

    QTest::mouseClick(m_list.GetHeaderCtrl()->viewport(), Qt::LeftButton, {}, HeaderBoxCentre());
    EXPECT_EQ(m_list.CountCheckedItems(COL_CHECK), 0);
    EXPECT_EQ(m_list.GetHeaderCheckedState(COL_CHECK), 1);
}

TEST_F(CXListCtrlTest, RowStartingAboveTheViewportShowsItsVisiblePart)
{
    for (int n = 0; n < 30; ++n)
        m_list.InsertItem(n, QStringLiteral("row %1").arg(n), Qt::black,
                          n % 2 ? QColor(250, 200, 0) : QColor(0, 200, 250));
    ASSERT_TRUE(ShowActive(&m_list));
    m_list.clearFocus();
    const int rowHeight = m_list.rowHeight(0);
    m_list.verticalScrollBar()->setValue(3 * rowHeight + rowHeight / 2);
    ASSERT_LT(m_list.rowViewportPosition(3), 0);
    const QImage image = Grab(&m_list);
    EXPECT_EQ(Pixel(image, InList(QPoint(CellRect(3, 0).right() - 2, 1))), QColor(250, 200, 0))
        << "row 3 starts above the viewport; its lower half is drawn";
}

TEST_F(CXListCtrlTest, TooltipShowsTheWholeCellText)
{
    const QString longText = QStringLiteral("/home/someone/Documents/archive/2024/reports/quarterly/"
                                            "a file name long enough to be cut off in its column.pdf");
    ASSERT_GT(longText.size(), 79);
    AddRow(true, longText, "1", "1", "1", "");
    m_list.SetItemToolTipText(0, COL_BOOKMARK, QString());
    ASSERT_TRUE(ShowActive(&m_list));

    const QPoint bookmark = CellRect(0, COL_BOOKMARK).center();
    QHelpEvent none(QEvent::ToolTip, bookmark, m_list.viewport()->mapToGlobal(bookmark));
    QApplication::sendEvent(m_list.viewport(), &none);
    EXPECT_FALSE(QToolTip::isVisible()) << "an empty tooltip text shows no tip";

    const QPoint name = CellRect(0, COL_NAME).center();
    QHelpEvent help(QEvent::ToolTip, name, m_list.viewport()->mapToGlobal(name));
    QApplication::sendEvent(m_list.viewport(), &help);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), longText);

    m_list.DeleteAllToolTips();
    EXPECT_EQ(m_list.GetItemToolTipText(0, COL_NAME), QString());
    QToolTip::hideText();
}

TEST_F(CXListCtrlTest, KeysScrollTheSelectedRowFullyIntoView)
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
    EXPECT_GE(m_list.rowViewportPosition(nSel), 0);
    EXPECT_LE(m_list.rowViewportPosition(nSel) + m_list.rowHeight(nSel), m_list.viewport()->height());
    EXPECT_EQ(m_list.rowViewportPosition(nSel) + m_list.rowHeight(nSel), m_list.viewport()->height())
        << "scrolled just enough";

    // SetCurSel without the flag selects without scrolling.
    const int nScroll = m_list.verticalScrollBar()->value();
    m_list.SetCurSel(39);
    EXPECT_EQ(m_list.verticalScrollBar()->value(), nScroll);
    m_list.SetCurSel(0, true);
    EXPECT_EQ(m_list.rowViewportPosition(0), 0);
}

} // namespace
