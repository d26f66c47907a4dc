// SPDX-License-Identifier: Apache-2.0
#include "controls/CXListCtrl.h"

#include "controls/CXEdit.h"
#include "tests/controls/FileListFixture.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QWheelEvent>

#include <functional>
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
        AddFileRows();
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

    void AddFileRows()
    {
        AddRow(true, "a.pdf", "12", "1", "12", "Alpha");
        AddRow(true, "b.pdf", "30", "5", "30", "Beta");
        AddRow(false, "c.pdf", "8", "1", "8", "Gamma");
    }

    CXEdit* OpenEdit(int nItem, int nSubItem)
    {
        Click(CellRect(nItem, nSubItem).center());
        return m_list.GetEditControl();
    }

    void TurnTheWheel()
    {
        const QPointF at = CellRect(2, COL_NAME).center();
        QWheelEvent wheel(at, m_list.viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(m_list.viewport(), &wheel);
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
    QSignalSpy editEnd(&m_list, &CXListCtrl::editEnd);
    CXEdit* pEdit = OpenEdit(1, COL_BEGIN);
    ASSERT_NE(pEdit, nullptr);
    EXPECT_EQ(m_list.GetCurSel(), 1);
    ASSERT_EQ(m_begins.size(), 1u);
    EXPECT_EQ(m_begins[0].text, QStringLiteral("5")) << "row 1's begin page";

    EXPECT_TRUE(pEdit->hasFocus());
    EXPECT_EQ(pEdit->selectedText(), QStringLiteral("5"));
    const QRect expected(m_list.columnViewportPosition(COL_BEGIN) + 2, m_list.rowViewportPosition(1),
                         m_list.columnWidth(COL_BEGIN) - 4, m_list.rowHeight(1) + 1);
    EXPECT_EQ(pEdit->geometry(), expected);
    EXPECT_EQ(pEdit->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);

    // Typing replaces the selection, a press inside the box is ordinary editing.
    EXPECT_FALSE(pEdit->isUndoAvailable());
    QTest::keyClicks(pEdit, "7");
    QTest::mouseClick(pEdit, Qt::LeftButton, {}, QPoint(3, 5));
    EXPECT_TRUE(m_ends.empty()) << "still editing";
    QTest::keyClick(pEdit, Qt::Key_Return);
    EXPECT_EQ(m_list.GetItemText(1, COL_BEGIN), QStringLiteral("7"));
    ASSERT_EQ(editEnd.count(), 1);
    EXPECT_EQ(editEnd.front(), (QList<QVariant> {1, COL_BEGIN}));
    EXPECT_TRUE(m_list.hasFocus()) << "the focus comes back to the list";
}

// Each way an edit can end either commits (the text is stored and reported once) or cancels (the old
// text stays, the end hook hears no text, no editEnd); a loss of focus afterwards changes nothing.
TEST_F(CXListCtrlEditTest, EveryWayOfEndingAnEditCommitsOrCancelsExactlyOnce)
{
    // Enough width to need a horizontal scroll bar; the view lays it out on the next turns of the loop.
    m_list.setColumnWidth(COL_BOOKMARK, 600);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QScrollBar* pBar = m_list.horizontalScrollBar();
    ASSERT_TRUE(pBar->isVisible());
    struct Case
    {
        const char* szHow;
        std::function<void()> end;
        bool bCommits;
        bool bOwnerMovesFocus = false;
    };
    const Case cases[] = {
        {"Enter", [this] { QTest::keyClick(m_list.GetEditControl(), Qt::Key_Return); }, true},
        {"focus loss", [this] { m_pOther->setFocus(); }, true},
        {"wheel", [this] { TurnTheWheel(); }, true},
        // A wheel turn commits directly, while the box has not reported yet.
        {"wheel, owner moves the focus", [this] { TurnTheWheel(); }, true, true},
        {"scroll bar press",
         [pBar] { QTest::mouseClick(pBar, Qt::LeftButton, {}, QPoint(pBar->width() - 30, pBar->height() / 2)); }, true},
        {"Escape", [this] { QTest::keyClick(m_list.GetEditControl(), Qt::Key_Escape); }, false},
        {"cancel request", [this] { m_list.CancelEditLabel(); }, false},
        {"deleting all rows",
         [this] {
             m_list.DeleteAllItems();
             AddFileRows();
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.szHow);
        m_list.DeleteAllItems();
        AddFileRows();
        m_ends.clear();
        m_pOnEnd = c.bOwnerMovesFocus ? std::function<void()>([this] { m_pOther->setFocus(); }) : nullptr;
        m_list.setFocus();
        QSignalSpy editEnd(&m_list, &CXListCtrl::editEnd);
        CXEdit* pEdit = OpenEdit(0, COL_BEGIN);
        ASSERT_NE(pEdit, nullptr);
        QTest::keyClicks(pEdit, "9");

        c.end();
        m_pOther->setFocus();
        FlushDeletes();

        EXPECT_EQ(m_list.GetEditControl(), nullptr);
        EXPECT_EQ(m_list.GetItemText(0, COL_BEGIN), c.bCommits ? QStringLiteral("9") : QStringLiteral("1"));
        EXPECT_EQ(m_list.GetModified(0, COL_BEGIN), c.bCommits);
        EXPECT_EQ(editEnd.count(), c.bCommits ? 1 : 0);
        ASSERT_EQ(m_ends.size(), 1u);
        EXPECT_EQ(m_ends[0].text, c.bCommits ? std::optional<QString>(QStringLiteral("9")) : std::nullopt);
    }
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
    EXPECT_TRUE(pSecond->hasFocus());
    QTest::keyClicks(pSecond, "6");
    QTest::keyClick(pSecond, Qt::Key_Enter);
    EXPECT_EQ(m_list.GetItemText(2, COL_END), QStringLiteral("6"));
    EXPECT_EQ(editEnd.count(), 2);
}

TEST_F(CXListCtrlEditTest, ModifiedOnlyWhenTheTextReallyChangedLetterCaseIncluded)
{
    QTest::keyClick(OpenEdit(0, COL_BOOKMARK), Qt::Key_Return);
    EXPECT_FALSE(m_list.GetModified(0, COL_BOOKMARK));
    EXPECT_FALSE(m_list.GetListModified());

    QTest::keyClicks(OpenEdit(0, COL_BOOKMARK), "ALPHA");
    QTest::keyClick(m_list.GetEditControl(), Qt::Key_Return);
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
    QTest::keyClicks(OpenEdit(0, COL_BEGIN), "4");
    QTest::keyClick(m_list.GetEditControl(), Qt::Key_Return);
    EXPECT_EQ(m_list.GetItemText(0, COL_BEGIN), QStringLiteral("1"));
    EXPECT_FALSE(m_list.GetModified(0, COL_BEGIN));
    EXPECT_EQ(editEnd.count(), 1) << "the edit still ends";
}

TEST_F(CXListCtrlEditTest, ACellInAColumnScrolledPartlyOutStartsAtTheLeftEdge)
{
    m_window.resize(300, 320);
    m_list.resize(300, 260);
    m_list.horizontalScrollBar()->setValue(m_list.columnViewportPosition(COL_BEGIN) + 30);
    ASSERT_LT(m_list.columnViewportPosition(COL_BEGIN), 0);
    Click(QPoint(10, m_list.rowViewportPosition(1) + m_list.rowHeight(1) / 2));
    CXEdit* pEdit = m_list.GetEditControl();
    ASSERT_NE(pEdit, nullptr);
    EXPECT_EQ(m_list.columnViewportPosition(COL_BEGIN), 0);
    EXPECT_EQ(pEdit->geometry().left(), 2);
    EXPECT_EQ(pEdit->geometry().width(), m_list.columnWidth(COL_BEGIN) - 4);
}

} // namespace
