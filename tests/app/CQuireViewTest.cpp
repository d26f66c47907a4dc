// SPDX-License-Identifier: Apache-2.0
#include "app/CQuireView.h"
#include "app/CMainFrame.h"
#include "app/CommandIds.h"
#include "controls/CXEdit.h"
#include "controls/CXListCtrl.h"
#include "tests/app/AppFixture.h"
#include "tests/support/PdfFixtures.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTest>

#include <filesystem>
#include <map>

#include <sys/stat.h>

namespace fx = quire::fixtures;

namespace {

// The main window with its view, as the program builds it.
class ViewTest : public AppFixture
{
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        m_app.m_nOpenResult = 0;
        m_pFrame = std::make_unique<CMainFrame>(m_app);
        m_pView = new CQuireView(*m_pFrame);
        m_pFrame->SetView(m_pView, m_pView);
        m_pFrame->resize(1000, 700);
        m_pFrame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_pFrame.get()));
    }
    void TearDown() override
    {
        m_pFrame.reset();
        AppFixture::TearDown();
    }

    std::string MakePdf(const std::string& name, int pages, bool outline = false, const std::string& password = "")
    {
        fx::PdfSpec desc;
        desc.tag = name;
        desc.pages = pages;
        desc.userPassword = password;
        if (outline)
            desc.outline = fx::OnePerPage(pages, name + " chapter");
        const std::string path = m_tmp.File(name + ".pdf");
        fx::WritePdf(path, desc);
        return path;
    }

    void AddFiles(const std::vector<std::string>& paths)
    {
        QStringList names;
        for (const std::string& path : paths)
            names << QString::fromStdString(path);
        CFileDialog::SetNextFileNames(names);
        Action(ID_FILE_OPEN)->trigger();
    }

    QAction* Action(int nID) const { return m_pFrame->GetAction(nID); }
    CXListCtrl* List() const { return m_pView->GetListCtrl(); }
    // Types `text` over whatever "Merge Output" shows.
    void TypeOutput(const std::string& text)
    {
        QLineEdit* pEdit = m_pFrame->GetOutputPathEdit();
        pEdit->selectAll();
        QTest::keyClick(pEdit, Qt::Key_Backspace);
        QTest::keyClicks(pEdit, QString::fromStdString(text));
        ASSERT_EQ(pEdit->text().toStdString(), text);
    }
    // Every entry of the test's folder, each regular file with its bytes.
    std::map<std::string, std::string> FolderContents() const
    {
        std::map<std::string, std::string> entries;
        for (const auto& entry : std::filesystem::directory_iterator(m_tmp.Path()))
            entries[entry.path().filename().string()]
                = entry.is_regular_file() ? ReadWholeFile(entry.path().string()) : std::string("(not a file)");
        return entries;
    }

    // The rows, one string each: "[x] name pages begin end bookmark", joined by " | ".
    std::string Rows() const
    {
        std::string rows;
        for (int nRow = 0; nRow < List()->GetItemCount(); ++nRow) {
            rows += nRow ? " | " : "";
            rows += List()->GetCheckedState(nRow, 0) == 2 ? "[x]" : "[ ]";
            for (int nCol = 1; nCol <= 5; ++nCol)
                rows += " " + List()->GetItemText(nRow, nCol).toStdString();
        }
        return rows;
    }

    // Which of the view's commands are enabled, in id order: "RAudMSVB" with '-' for disabled ones.
    std::string EnableStates() const
    {
        m_pFrame->UpdateCommandUI();
        const char letters[] = "RAudMSVB";
        std::string states;
        for (int nID = ID_FILE_REMOVE; nID <= ID_BUTTON2; ++nID)
            states += Action(nID)->isEnabled() ? letters[nID - ID_FILE_REMOVE] : '-';
        return states;
    }

    // Opens the in-place editor on a cell by pressing on it, types `text` and presses Enter.
    void EditCell(int nRow, int nCol, const QString& text)
    {
        QRect rect;
        ASSERT_TRUE(List()->GetSubItemRect(nRow, nCol, rect));
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, rect.center());
        CXEdit* edit = List()->GetEditControl();
        ASSERT_NE(edit, nullptr);
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    void ClickCheckbox(int nRow)
    {
        const QRect box = List()->GetCheckboxRect(nRow, 0);
        ASSERT_FALSE(box.isEmpty());
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, box.center());
    }

    std::unique_ptr<CMainFrame> m_pFrame;
    CQuireView* m_pView = nullptr;
};

} // namespace

TEST_F(ViewTest, AddedFilesBecomeTickedRowsWithTheirPageCountsAndBookmarks)
{
    AddFiles({MakePdf("alpha", 10), MakePdf("beta", 4, true), MakePdf("gamma.v2", 6)});
    EXPECT_EQ(Rows(), "[x] alpha.pdf 10 1 10 alpha | [x] beta.pdf 4 1 4  | [x] gamma.v2.pdf 6 1 6 gamma.v2");
    EXPECT_EQ(List()->GetItemToolTipText(0, 1), QStringLiteral("alpha.pdf"));
    EXPECT_EQ(List()->GetHeaderCheckedState(0), 2);
}

TEST_F(ViewTest, EnableRulesCountTheRecordsNotTheBoxesOnScreen)
{
    EXPECT_EQ(EnableStates(), "-------B");
    AddFiles({MakePdf("one", 3)});
    EXPECT_EQ(EnableStates(), "-A---S-B"); // one checked record, nothing selected
    AddFiles({MakePdf("two", 3)});
    EXPECT_EQ(EnableStates(), "-A--MS-B");

    // Unticking on screen changes nothing until the rows are copied into the records.
    ClickCheckbox(0);
    ClickCheckbox(1);
    EXPECT_EQ(EnableStates().substr(4, 2), "MS");

    AddFiles({MakePdf("three", 3)}); // adding copies rows into records first
    List()->SetCurSel(-1);
    EXPECT_EQ(EnableStates(), "-A---S-B");

    List()->SetCurSel(0, true);
    EXPECT_EQ(EnableStates(), "RA-d-SVB"); // first row: no Move Up
    List()->SetCurSel(2, true);
    EXPECT_EQ(EnableStates(), "RAu--SVB"); // last row: no Move Down
}

// Edits and ticks live in the list until a command copies them into the records: adding, removing
// and moving must copy them first, not rebuild the rows from stale records.
TEST_F(ViewTest, AddRemoveAndMoveKeepEditsAndTicksThatWereNotCopiedYet)
{
    AddFiles({MakePdf("a", 5), MakePdf("b", 5)});
    AddFiles({MakePdf("c", 5)});
    List()->SetCurSel(1, true);
    EditCell(0, 3, QStringLiteral("2"));
    EditCell(2, 5, QStringLiteral("Third part"));
    ClickCheckbox(2);
    AddFiles({MakePdf("d", 1)});
    EXPECT_EQ(Rows(), "[x] a.pdf 5 2 5 a | [x] b.pdf 5 1 5 b | [ ] c.pdf 5 1 5 Third part | [x] d.pdf 1 1 1 d");
    EXPECT_EQ(List()->GetItemToolTipText(2, 5), QStringLiteral("Third part"));
    EXPECT_EQ(List()->GetCurSel(), -1);

    // Not copied again before each command.
    EditCell(0, 5, QStringLiteral("Intro"));
    List()->SetCurSel(1, true);
    Action(ID_FILE_REMOVE)->trigger();
    EXPECT_EQ(Rows(), "[x] a.pdf 5 2 5 Intro | [ ] c.pdf 5 1 5 Third part | [x] d.pdf 1 1 1 d");
    ClickCheckbox(2);
    List()->SetCurSel(1, true);
    Action(ID_FILE_MOVE_UP)->trigger();
    EXPECT_EQ(Rows(), "[ ] c.pdf 5 1 5 Third part | [x] a.pdf 5 2 5 Intro | [ ] d.pdf 1 1 1 d");
    EXPECT_EQ(List()->GetCurSel(), 0);

    Action(ID_FILE_REMOVE_ALL)->trigger();
    EXPECT_EQ(List()->GetItemCount(), 0);
    EXPECT_EQ(m_pView->GetItems().GetCount(), 0);
}

TEST_F(ViewTest, MergeWritesTheEditedRangesWithBookmarksAndDocumentInformation)
{
    const std::string out = m_tmp.File("merged.pdf");
    AddFiles({MakePdf("first", 10), MakePdf("second", 4, true), MakePdf("third", 6)});
    EditCell(0, 3, QStringLiteral("3"));
    EditCell(0, 4, QStringLiteral("5"));
    EditCell(2, 5, QStringLiteral("Report (final)"));
    TypeOutput(out);
    m_app.m_szPDFTitle = QStringLiteral("Quarterly pack");
    m_app.m_nOpenResult = 1;

    Action(ID_FILE_CONVERT_MERGE)->trigger();

    const auto texts = fx::PageTexts(out);
    ASSERT_EQ(texts.size(), 3u + 4u + 6u);
    EXPECT_EQ(texts[0], "first page 3");
    EXPECT_EQ(fx::PdfInfo(out).at("Title"), "Quarterly pack");
    const auto outline = fx::OutlineOf(out);
    ASSERT_FALSE(outline.empty());
    EXPECT_EQ(outline.front(), "first -> 1");
    EXPECT_EQ(outline.back(), "Report final -> 8");
    EXPECT_EQ(CShell::TakeOpened(), QStringList {QString::fromStdString(out)});
}

TEST_F(ViewTest, SplitWritesOneFileBesideEachTickedSource)
{
    AddFiles({MakePdf("b", 7), MakePdf("Report", 10)});
    EditCell(1, 3, QStringLiteral("3"));
    EditCell(1, 4, QStringLiteral("5"));
    Action(ID_FILE_CONVERT_SPLIT)->trigger();

    EXPECT_EQ(fx::PageTexts(m_tmp.File("b_p1-7.pdf")).size(), 7u);
    EXPECT_EQ(fx::PageTexts(m_tmp.File("Report_p3-5.pdf")),
              (std::vector<std::string> {"Report page 3", "Report page 4", "Report page 5"}));
}

TEST_F(ViewTest, AMergeThatCannotRunSaysWhyNamingTheFileAndChangesNothing)
{
    const std::string first = MakePdf("first", 2);
    AddFiles({first, MakePdf("second", 3)});
    const std::string out = MakePdf("merged", 1);
    const std::string notes = m_tmp.File("notes.txt");
    WriteWholeFile(notes, "Minutes of the meeting\n");
    const std::string pipe = m_tmp.File("pipe.pdf");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    m_app.m_nAutoBackup = 0;
    m_app.m_szSavePath = Path("");
    struct Case
    {
        std::string typed;
        std::vector<std::string> expected;
        std::string lockedPassword; // rewrites the first source with a password before the merge
    };
    const Case cases[] = {
        {m_tmp.Path().string() + "/", {"is a folder"}, ""},
        {first, {"first.pdf"}, ""},
        {"notes.txt", {"The merge output " + notes + " is not a PDF file, so it was left as it is."}, ""},
        {"pipe", {"The merge output " + pipe + " is not a regular file"}, ""},
        // A source that gained a password after it was added.
        {out, {"first.pdf", "password"}, "secret"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        if (!c.lockedPassword.empty())
            MakePdf("first", 2, false, c.lockedPassword);
        const auto before = FolderContents();
        TypeOutput(c.typed);

        Action(ID_FILE_CONVERT_MERGE)->trigger();

        const QStringList shown = CMessageBox::TakeShownTexts();
        ASSERT_EQ(shown.size(), 1);
        for (const std::string& expected : c.expected)
            EXPECT_TRUE(shown[0].contains(QString::fromStdString(expected))) << shown[0].toStdString();
        EXPECT_EQ(FolderContents(), before);
    }
}

TEST_F(ViewTest, ARelativeOutputNameIsAPdfInTheSavePathFolderNotTheWorkingFolder)
{
    AddFiles({MakePdf("one", 2), MakePdf("two", 3)});
    const std::string folder = m_tmp.File("Merged");
    std::filesystem::create_directory(folder);
    m_app.m_szSavePath = QString::fromStdString(folder + "/last.pdf");
    const QString szWorking = QDir::currentPath();
    QDir::setCurrent(Path(""));
    TypeOutput("bound");

    Action(ID_FILE_CONVERT_MERGE)->trigger();
    Action(ID_BUTTON2)->trigger();

    QDir::setCurrent(szWorking);
    const std::string out = folder + "/bound.pdf";
    EXPECT_TRUE(CMessageBox::TakeShownTexts().isEmpty());
    std::string log;
    EXPECT_TRUE(fx::QpdfCheckPasses(out, &log)) << log;
    EXPECT_EQ(fx::PageTexts(out).size(), 5u);
    EXPECT_EQ(CShell::TakeOpened(), QStringList {QString::fromStdString(out)});
    EXPECT_FALSE(std::filesystem::exists(m_tmp.File("bound.pdf")));
    EXPECT_FALSE(std::filesystem::exists(m_tmp.File("bound")));
}

TEST_F(ViewTest, ColumnsFillTheListWithoutAScrollBarAtAnyWidth)
{
    for (const int nFrameWidth : {1000, 1377}) {
        m_pFrame->resize(nFrameWidth, 700);
        QApplication::processEvents();
        int nTotal = 0;
        for (int i = 0; i < 6; ++i)
            nTotal += List()->columnWidth(i);
        EXPECT_EQ(nTotal, List()->viewport()->width() - 2) << nFrameWidth;
        EXPECT_FALSE(List()->horizontalScrollBar()->isVisible());
        // The file name takes the largest share, the check box the smallest.
        EXPECT_NEAR(List()->columnWidth(1), 19 * List()->columnWidth(0) / 3, 7);
    }
}

TEST_F(ViewTest, ClickingARowShowsItsPathAndTheContextMenuSharesTheActions)
{
    const std::string path = MakePdf("clicked", 1);
    AddFiles({path});
    QRect rect;
    ASSERT_TRUE(List()->GetSubItemRect(0, 1, rect));
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(m_pFrame->GetMessageText(), QString::fromStdString(path));

    const auto actions = m_pView->GetContextMenu()->actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_TRUE(actions[2]->isSeparator());
    EXPECT_EQ(actions,
              (QList<QAction*> {Action(ID_FILE_REMOVE), Action(ID_FILE_REMOVE_ALL), actions[2],
                                Action(ID_FILE_CONVERT_MERGE)}));
}
