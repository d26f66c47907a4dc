// SPDX-License-Identifier: Apache-2.0
#include "CXListCtrl.h"

#include "CXEdit.h"
#include "FileListFixture.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QWheelEvent>

#include <optional>

using namespace controls_test;

namespace {

struct LabelEdit
{
    int nItem;
    int nSubItem;
    std::optional<QString> text;
};

class CXListCtrlEditTest : public FileListFixture
{
protected:
    void SetUp() override
    {
        FileListFixture::SetUp();
        m_window.resize(560, 320);
        m_list.setParent(&m_window);
        m_pOther = new QLineEdit(&m_window);
        m_pOther->setGeometry(0, 280, 200, 24);
        AddRow(true, "a.pdf", "12", "1", "12", "Alpha");
        AddRow(true, "b.pdf", "30", "5", "30", "Beta");
        AddRow(false, "c.pdf", "8", "1", "8", "Gamma");
        m_list.SetBeginLabelEditHook([this](int nItem, int nSubItem, const QString& szText) {
            m_begins.push_back({nItem, nSubItem, szText});
            return m_bRefuse;
        });
        m_list.SetEndLabelEditHook([this](int nItem, int nSubItem, const QString* pszText) {
            m_ends.push_back({nItem, nSubItem, pszText ? std::optional<QString>(*pszText) : std::nullopt});
            if (m_pOnEnd)
                m_pOnEnd();
            return m_bAccept;
        });
        ASSERT_TRUE(ShowActive(&m_window));
        m_list.setFocus();
    }

    void TearDown() override
    {
        m_list.setParent(nullptr);
        FileListFixture::TearDown();
    }

    CXEdit* OpenEdit(int nItem, int nSubItem)
    {
        Click(CellRect(nItem, nSubItem).center());
        return m_list.GetEditControl();
    }

    static void FlushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    QWidget m_window;
    QLineEdit* m_pOther = nullptr;
    std::vector<LabelEdit> m_begins;
    std::vector<LabelEdit> m_ends;
    bool m_bRefuse = false;
    bool m_bAccept = true;
    std::function<void()> m_pOnEnd;
};

TEST_F(CXListCtrlEditTest, PressOnBeginPageSelectsTheRowAndOpensABoxOverTheCell)
{
    CXEdit* pEdit = OpenEdit(1, COL_BEGIN);
    ASSERT_NE(pEdit, nullptr);
    EXPECT_EQ(m_list.GetCurSel(), 1);
    ASSERT_EQ(m_begins.size(), 1u);
    EXPECT_EQ(m_begins[0].nItem, 1);
    EXPECT_EQ(m_begins[0].nSubItem, COL_BEGIN);
    EXPECT_EQ(m_begins[0].text, QStringLiteral("5"));

    EXPECT_TRUE(pEdit->isVisible());
    EXPECT_TRUE(pEdit->hasFocus());
    EXPECT_EQ(pEdit->selectedText(), QStringLiteral("5"));
    const QRect expected(m_list.columnViewportPosition(COL_BEGIN) + 2, m_list.rowViewportPosition(1),
                         m_list.columnWidth(COL_BEGIN) - 4, m_list.rowHeight(1) + 1);
    EXPECT_EQ(pEdit->geometry(), expected);
    EXPECT_EQ(pEdit->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);

    // The box has the focus, so the selected row shows window text on button face.
    EXPECT_FALSE(m_list.hasFocus());
    const QImage image = Grab(&m_list);
    EXPECT_EQ(Pixel(image, InList(CellRect(1, COL_NAME).topLeft() + QPoint(2, 2))), Palette(QPalette::Button));
}

TEST_F(CXListCtrlEditTest, EnterStoresTheTextAndCommitsExactlyOnce)
{
    QSignalSpy editEnd(&m_list, &CXListCtrl::editEnd);
    CXEdit* pEdit = OpenEdit(0, COL_END);
    ASSERT_NE(pEdit, nullptr);
    QTest::keyClicks(pEdit, "9");
    QTest::keyClick(pEdit, Qt::Key_Return);
    FlushDeletes();

    EXPECT_EQ(m_list.GetEditControl(), nullptr);
    EXPECT_EQ(m_list.GetItemText(0, COL_END), QStringLiteral("9"));
    ASSERT_EQ(m_ends.size(), 1u);
    EXPECT_EQ(m_ends[0].text, QStringLiteral("9"));
    ASSERT_EQ(editEnd.count(), 1);
    EXPECT_EQ(editEnd.front(), (QList<QVariant> {0, COL_END}));
    EXPECT_TRUE(m_list.GetModified(0, COL_END));
    EXPECT_TRUE(m_list.GetListModified());
    EXPECT_TRUE(m_list.hasFocus()) << "the focus comes back to the list";

    m_pOther->setFocus();
    EXPECT_EQ(editEnd.count(), 1);
    EXPECT_EQ(m_ends.size(), 1u);
}

TEST_F(CXListCtrlEditTest, EscapeRestoresTheOldTextAndSendsNoEditEnd)
{
    QSignalSpy editEnd(&m_list, &CXListCtrl::editEnd);
    CXEdit* pEdit = OpenEdit(1, COL_BOOKMARK);
    ASSERT_NE(pEdit, nullptr);
    QTest::keyClicks(pEdit, "Changed");
    QTest::keyClick(pEdit, Qt::Key_Escape);
    m_pOther->setFocus();
    FlushDeletes();

    EXPECT_EQ(m_list.GetItemText(1, COL_BOOKMARK), QStringLiteral("Beta"));
    ASSERT_EQ(m_ends.size(), 1u);
    EXPECT_FALSE(m_ends[0].text.has_value()) << "a cancel carries no text";
    EXPECT_EQ(editEnd.count(), 0);
    EXPECT_FALSE(m_list.GetModified(1, COL_BOOKMARK));
}

TEST_F(CXListCtrlEditTest, PressOnAnotherRowsEditCellCommitsTheFirstAndOpensTheSecond)
{
    QSignalSpy editEnd(&m_list, &CXListCtrl::editEnd);
    CXEdit* pFirst = OpenEdit(0, COL_BEGIN);
    ASSERT_NE(pFirst, nullptr);
    QTest::keyClicks(pFirst, "3");

    CXEdit* pSecond = OpenEdit(2, COL_END);
    ASSERT_NE(pSecond, nullptr);
    EXPECT_NE(pSecond, pFirst);
    EXPECT_EQ(m_list.GetItemText(0, COL_BEGIN), QStringLiteral("3"));
    ASSERT_EQ(editEnd.count(), 1);
    EXPECT_EQ(editEnd.front(), (QList<QVariant> {0, COL_BEGIN}));
    EXPECT_EQ(m_list.GetCurSel(), 2);
    EXPECT_EQ(pSecond->text(), QStringLiteral("8"));
    EXPECT_EQ(pSecond->geometry().topLeft(),
              QPoint(m_list.columnViewportPosition(COL_END) + 2, m_list.rowViewportPosition(2)));
    EXPECT_TRUE(pSecond->hasFocus());

    QTest::keyClicks(pSecond, "6");
    QTest::keyClick(pSecond, Qt::Key_Enter);
    EXPECT_EQ(m_list.GetItemText(2, COL_END), QStringLiteral("6"));
    EXPECT_EQ(m_list.GetItemText(0, COL_BEGIN), QStringLiteral("3"));
    EXPECT_EQ(editEnd.count(), 2);
}

TEST_F(CXListCtrlEditTest, ModifiedOnlyWhenTheTextReallyChangedLetterCaseIncluded)
{
    CXEdit* pEdit = OpenEdit(0, COL_BOOKMARK);
    ASSERT_NE(pEdit, nullptr);
    QTest::keyClick(pEdit, Qt::Key_Return);
    EXPECT_FALSE(m_list.GetModified(0, COL_BOOKMARK));
    EXPECT_FALSE(m_list.GetListModified());

    pEdit = OpenEdit(0, COL_BOOKMARK);
    ASSERT_NE(pEdit, nullptr);
    QTest::keyClicks(pEdit, "ALPHA");
    QTest::keyClick(pEdit, Qt::Key_Return);
    EXPECT_EQ(m_list.GetItemText(0, COL_BOOKMARK), QStringLiteral("ALPHA"));
    EXPECT_TRUE(m_list.GetModified(0, COL_BOOKMARK));
    EXPECT_TRUE(m_list.GetListModified());
}

TEST_F(CXListCtrlEditTest, OwnerCanRefuseTheEditOrKeepTheOldText)
{
    m_bRefuse = true;
    EXPECT_EQ(OpenEdit(0, COL_BEGIN), nullptr);
    EXPECT_EQ(m_begins.size(), 1u);
    EXPECT_TRUE(m_list.hasFocus());

    m_bRefuse = false;
    m_bAccept = false;
    QSignalSpy editEnd(&m_list, &CXListCtrl::editEnd);
    CXEdit* pEdit = OpenEdit(0, COL_BEGIN);
    ASSERT_NE(pEdit, nullptr);
    QTest::keyClicks(pEdit, "4");
    QTest::keyClick(pEdit, Qt::Key_Return);
    EXPECT_EQ(m_list.GetItemText(0, COL_BEGIN), QStringLiteral("1"));
    EXPECT_FALSE(m_list.GetModified(0, COL_BEGIN));
    EXPECT_EQ(editEnd.count(), 1) << "the edit still ends";
}

TEST_F(CXListCtrlEditTest, FocusLossAWheelTurnOrAScrollBarPressCommit)
{
    QSignalSpy editEnd(&m_list, &CXListCtrl::editEnd);
    QTest::keyClicks(OpenEdit(0, COL_BEGIN), "2");
    m_pOther->setFocus();
    EXPECT_EQ(m_list.GetItemText(0, COL_BEGIN), QStringLiteral("2"));
    EXPECT_EQ(editEnd.count(), 1);

    m_list.setFocus();
    QTest::keyClicks(OpenEdit(1, COL_BEGIN), "7");
    const QPointF at = CellRect(2, COL_NAME).center();
    QWheelEvent wheel(at, m_list.viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(m_list.viewport(), &wheel);
    EXPECT_EQ(m_list.GetEditControl(), nullptr);
    EXPECT_EQ(m_list.GetItemText(1, COL_BEGIN), QStringLiteral("7"));
    EXPECT_EQ(editEnd.count(), 2);
    EXPECT_EQ(m_ends.size(), 2u);

    // Enough columns to need a horizontal scroll bar.
    m_list.setColumnWidth(COL_BOOKMARK, 600);
    // The view lays its scroll bars out on the next turns of the event loop.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QTest::keyClicks(OpenEdit(2, COL_BEGIN), "5");
    QScrollBar* pBar = m_list.horizontalScrollBar();
    ASSERT_TRUE(pBar->isVisible());
    QTest::mouseClick(pBar, Qt::LeftButton, {}, QPoint(pBar->width() - 30, pBar->height() / 2));
    EXPECT_EQ(m_list.GetItemText(2, COL_BEGIN), QStringLiteral("5"));
    EXPECT_EQ(editEnd.count(), 3);
    EXPECT_EQ(m_ends.size(), 3u);
}

TEST_F(CXListCtrlEditTest, AnOwnerMovingTheFocusDuringTheCommitCausesNoSecondCommit)
{
    QSignalSpy editEnd(&m_list, &CXListCtrl::editEnd);
    m_pOnEnd = [this] { m_pOther->setFocus(); };
    QTest::keyClicks(OpenEdit(0, COL_END), "11");
    // A wheel turn commits directly, while the box has not reported yet.
    const QPointF at = CellRect(2, COL_NAME).center();
    QWheelEvent wheel(at, m_list.viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(m_list.viewport(), &wheel);
    FlushDeletes();
    EXPECT_EQ(m_ends.size(), 1u);
    EXPECT_EQ(editEnd.count(), 1);
    EXPECT_EQ(m_list.GetItemText(0, COL_END), QStringLiteral("11"));
}

TEST_F(CXListCtrlEditTest, CancelRequestRestoresTheTextAndBlocksCommitsUntilTheNextEdit)
{
    QSignalSpy editEnd(&m_list, &CXListCtrl::editEnd);
    QTest::keyClicks(OpenEdit(0, COL_BEGIN), "9");
    m_list.CancelEditLabel();
    EXPECT_EQ(m_list.GetEditControl(), nullptr);
    EXPECT_EQ(m_list.GetItemText(0, COL_BEGIN), QStringLiteral("1"));
    EXPECT_EQ(editEnd.count(), 0);

    CXEdit* pEdit = OpenEdit(1, COL_BEGIN);
    ASSERT_NE(pEdit, nullptr);
    QTest::keyClicks(pEdit, "4");
    QTest::keyClick(pEdit, Qt::Key_Return);
    EXPECT_EQ(m_list.GetItemText(1, COL_BEGIN), QStringLiteral("4"));
    EXPECT_EQ(editEnd.count(), 1);
}

TEST_F(CXListCtrlEditTest, ACellInAColumnScrolledPartlyOutStartsAtTheLeftEdge)
{
    m_window.resize(300, 320);
    m_list.resize(300, 260);
    QScrollBar* pBar = m_list.horizontalScrollBar();
    pBar->setValue(m_list.columnViewportPosition(COL_BEGIN) + 30);
    ASSERT_LT(m_list.columnViewportPosition(COL_BEGIN), 0);
    const QRect visiblePart(0, m_list.rowViewportPosition(1), 20, m_list.rowHeight(1));
    Click(visiblePart.center());
    CXEdit* pEdit = m_list.GetEditControl();
    ASSERT_NE(pEdit, nullptr);
    EXPECT_EQ(m_list.columnViewportPosition(COL_BEGIN), 0);
    EXPECT_EQ(pEdit->geometry().left(), 2);
    EXPECT_EQ(pEdit->geometry().width(), m_list.columnWidth(COL_BEGIN) - 4);
}

TEST_F(CXListCtrlEditTest, DeletingAllRowsCancelsAnOpenEditSoItsTextLandsNowhere)
{
    QSignalSpy editEnd(&m_list, &CXListCtrl::editEnd);
    QTest::keyClicks(OpenEdit(0, COL_BOOKMARK), "Typed");
    m_list.DeleteAllItems();
    AddRow(true, "new.pdf", "3", "1", "3", "Fresh");
    m_pOther->setFocus();
    FlushDeletes();
    EXPECT_EQ(m_list.GetItemText(0, COL_BOOKMARK), QStringLiteral("Fresh"));
    EXPECT_EQ(editEnd.count(), 0);
    EXPECT_EQ(m_list.GetEditControl(), nullptr);
    ASSERT_EQ(m_ends.size(), 1u);
    EXPECT_FALSE(m_ends[0].text.has_value());
}

} // namespace
