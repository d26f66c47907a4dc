// SPDX-License-Identifier: Apache-2.0
#include "controls/CXEdit.h"
#include "tests/controls/FileListFixture.h"

#include <QRegularExpressionValidator>
#include <QWheelEvent>

#include <functional>
#include <tuple>

using namespace controls_test;

namespace {

class CXListCtrlEditTest : public FileListFixture
{
protected:
    void SetUp() override
    {
        FileListFixture::SetUp();
        Rebuild();
        m_list.SetBeginLabelEditHook([this](int nItem, int nSubItem, const QString& szText) {
            m_editing = QPoint(nItem, nSubItem);
            m_szBegun = szText;
            return std::exchange(m_bRefuse, false);
        });
        // Records what it hears, '-' for a cancel.
        m_list.SetEndLabelEditHook([this](int nItem, int nSubItem, const QString* pszText) {
            m_heard << (pszText ? *pszText : QStringLiteral("-"));
            EXPECT_EQ(QPoint(nItem, nSubItem), m_editing) << "the cell the edit began in";
            if (m_bOwnerMovesFocus)
                m_pOther->setFocus();
            return m_bAccept;
        });
    }

    void Rebuild()
    {
        m_list.DeleteAllItems();
        AddRow(true, {"a.pdf", "12", "1", "12", "Alpha"});
        AddRow(true, {"b.pdf", "30", "5", "30", "Beta"});
        AddRow(false, {"c.pdf", "8", "1", "8", "Gamma"});
    }

    CXEdit* OpenEdit(int nItem, int nSubItem)
    {
        QTest::mouseClick(m_list.viewport(), Qt::LeftButton, {}, CellRect(nItem, nSubItem).center());
        return m_list.GetEditControl();
    }

    QPoint m_editing;
    QString m_szBegun;
    QStringList m_heard;
    bool m_bRefuse = false; // the next edit only
    bool m_bAccept = true;
    bool m_bOwnerMovesFocus = false;
};

// In a list scrolled so that the Begin Page column is partly out on the left: an edit there first
// scrolls the column to start at the left edge.
TEST_F(CXListCtrlEditTest, PressOnAnEditCellOpensABoxOverItAndAPressOnAnotherCommitsAndMovesOn)
{
    m_list.resize(300, 260);
    m_list.horizontalScrollBar()->setValue(m_list.columnViewportPosition(COL_BEGIN) + 30);
    ASSERT_LT(m_list.columnViewportPosition(COL_BEGIN), 0);
    m_bRefuse = true;
    EXPECT_EQ((std::pair {OpenEdit(0, COL_END), m_list.hasFocus()}), (std::pair<CXEdit*, bool> {nullptr, true}))
        << "the owner refuses";

    QSignalSpy editEnd(&m_list, &CXListCtrl::editEnd);
    CXEdit* pFirst = OpenEdit(1, COL_BEGIN);
    ASSERT_NE(pFirst, nullptr);
    // The row is selected; the box has the focus and row 1's begin page, selected, centred as the
    // column, with nothing to undo.
    EXPECT_EQ((std::tuple {m_list.GetCurSel(), m_szBegun, pFirst->hasFocus(), pFirst->selectedText(),
                           pFirst->alignment() & Qt::AlignHorizontal_Mask, pFirst->isUndoAvailable()}),
              (std::tuple {1, QStringLiteral("5"), true, QStringLiteral("5"), Qt::Alignment(Qt::AlignHCenter), false}));
    EXPECT_EQ(pFirst->geometry(),
              QRect(2, m_list.rowViewportPosition(1), m_list.columnWidth(COL_BEGIN) - 4, m_list.rowHeight(1) + 1));

    // Typing replaces the selection, a press inside the box is ordinary editing.
    QTest::keyClicks(pFirst, "7");
    QTest::mouseClick(pFirst, Qt::LeftButton, {}, QPoint(3, 5));
    EXPECT_TRUE(m_heard.empty()) << "still editing";

    CXEdit* pSecond = OpenEdit(2, COL_END);
    ASSERT_NE(pSecond, nullptr);
    EXPECT_EQ((std::tuple {m_list.GetItemText(1, COL_BEGIN), editEnd.front(), pSecond->hasFocus(), pSecond->x()}),
              (std::tuple {QStringLiteral("7"), QList<QVariant> {1, COL_BEGIN}, true,
                           m_list.columnViewportPosition(COL_END) + 2}));
}

// Each way an edit can end either commits or cancels, exactly once (a loss of focus afterwards
// changes nothing). The outcome: what the end hook heard ('-' for a cancel), how many editEnd
// signals came, the cell's text, and '*' when the cell is marked modified.
TEST_F(CXListCtrlEditTest, EveryWayOfEndingAnEditCommitsOrCancelsExactlyOnce)
{
    // Narrower than the columns, so that there is a horizontal scroll bar to press.
    m_list.resize(500, 260);
    QCoreApplication::processEvents();
    QScrollBar* pBar = m_list.horizontalScrollBar();
    ASSERT_TRUE(pBar->isVisible());
    const auto key = [this](Qt::Key k) { return [this, k] { QTest::keyClick(m_list.GetEditControl(), k); }; };
    const auto wheel = [this] {
        const QPointF at = CellRect(2, COL_NAME).center();
        QWheelEvent turn(at, m_list.viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(m_list.viewport(), &turn);
    };
    const std::tuple<const char*, const char*, std::function<void()>, const char*, bool, bool> cases[] = {
        {"Enter, same text", "Alpha", key(Qt::Key_Return), "Alpha 1 Alpha", true, false},
        {"Enter, the owner keeps the old text", "Omega", key(Qt::Key_Return), "Omega 1 Alpha", false, false},
        {"Enter", "Omega", key(Qt::Key_Return), "Omega 1 Omega*", true, false},
        {"Enter, only the letter case changed", "ALPHA", key(Qt::Key_Return), "ALPHA 1 ALPHA*", true, false},
        {"focus loss", "Omega", [this] { m_pOther->setFocus(); }, "Omega 1 Omega*", true, false},
        {"wheel", "Omega", wheel, "Omega 1 Omega*", true, false},
        // A wheel turn commits directly, while the box has not reported yet.
        {"wheel, the owner moves the focus", "Omega", wheel, "Omega 1 Omega*", true, true},
        {"scroll bar press", "Omega",
         [pBar] { QTest::mouseClick(pBar, Qt::LeftButton, {}, QPoint(pBar->width() - 30, pBar->height() / 2)); },
         "Omega 1 Omega*", true, false},
        {"Escape", "Omega", key(Qt::Key_Escape), "- 0 Alpha", true, false},
        {"cancel request", "Omega", [this] { m_list.CancelEditLabel(); }, "- 0 Alpha", true, false},
        {"deleting all rows", "Omega", [this] { Rebuild(); }, "- 0 Alpha", true, false},
    };
    bool bListModified = false;
    for (const auto& [szHow, szTyped, end, szOutcome, bAccept, bOwnerMovesFocus] : cases) {
        SCOPED_TRACE(szHow);
        Rebuild();
        pBar->setValue(0);
        m_heard.clear();
        m_bAccept = bAccept;
        m_bOwnerMovesFocus = bOwnerMovesFocus;
        QSignalSpy editEnd(&m_list, &CXListCtrl::editEnd);
        ASSERT_NE(OpenEdit(0, COL_BOOKMARK), nullptr);
        QTest::keyClicks(m_list.GetEditControl(), szTyped);

        end();
        EXPECT_EQ(m_list.GetEditControl(), nullptr);
        m_pOther->setFocus();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const bool bModified = m_list.GetModified(0, COL_BOOKMARK);
        const QString szText = m_list.GetItemText(0, COL_BOOKMARK) + (bModified ? "*" : "");
        EXPECT_EQ(QStringLiteral("%1 %2 %3").arg(m_heard.join('+')).arg(editEnd.count()).arg(szText).toStdString(),
                  szOutcome);
        bListModified |= bModified;
        EXPECT_EQ(m_list.GetListModified(), bListModified) << "once modified, the list stays modified";
    }
}

// Keys pressed on whatever has the focus, starting beside the list: the cell being edited ('-' none)
// and what has the focus, row 0's three edit cells, what the end hook heard since the step before,
// and the current row. Begin pages take digits only.
TEST_F(CXListCtrlEditTest, KeysReachTheListAndOpenARowsEditCellsOneAfterAnother)
{
    QRegularExpressionValidator digits(QRegularExpression(QStringLiteral("\\d*")));
    m_list.SetColumnValidator(COL_BEGIN, &digits);
    m_pOther->setFocus();
    const auto state = [&] {
        const CXEdit* pEdit = m_list.GetEditControl();
        const char* szFocus = m_list.hasFocus() ? "list" : pEdit && pEdit->hasFocus() ? "box" : "away";
        return QStringLiteral("%1 %2 %3,%4,%5 [%6] row %7")
            .arg(pEdit ? QString::number(m_editing.y()) : "-", szFocus, m_list.GetItemText(0, COL_BEGIN),
                 m_list.GetItemText(0, COL_END), m_list.GetItemText(0, COL_BOOKMARK),
                 std::exchange(m_heard, {}).join(','), QString::number(m_list.currentIndex().row()))
            .toStdString();
    };
    const std::tuple<const char*, Qt::Key, Qt::KeyboardModifiers, const char*> steps[] = {
        {"", Qt::Key_Tab, {}, "- list 1,12,Alpha [] row 0"},
        {"", Qt::Key_F2, {}, "3 box 1,12,Alpha [] row 0"},
        {"x2", Qt::Key_Tab, {}, "4 box 2,12,Alpha [2] row 0"},
        {"40", Qt::Key_Tab, {}, "5 box 2,40,Alpha [40] row 0"},
        {"X", Qt::Key_Tab, {}, "5 box 2,40,X [X] row 0"},
        {"", Qt::Key_Backtab, {}, "4 box 2,40,X [X] row 0"},
        {"", Qt::Key_Tab, Qt::ShiftModifier, "3 box 2,40,X [40] row 0"},
        {"", Qt::Key_Backtab, {}, "3 box 2,40,X [2] row 0"},
        {"9", Qt::Key_Escape, {}, "- list 2,40,X [-] row 0"},
        {"", Qt::Key_Return, {}, "3 box 2,40,X [] row 0"},
        {"a7", Qt::Key_Enter, Qt::KeypadModifier, "- list 7,40,X [7] row 0"},
        {"", Qt::Key_Down, {}, "- list 7,40,X [] row 1"},
        {"", Qt::Key_Tab, {}, "- away 7,40,X [] row 1"},
    };
    for (const auto& [szTyped, key, modifiers, szState] : steps) {
        SCOPED_TRACE(QKeySequence(key | modifiers).toString().toStdString());
        QTest::keyClicks(QApplication::focusWidget(), szTyped);
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        EXPECT_EQ(state(), szState);
    }
}

} // namespace
