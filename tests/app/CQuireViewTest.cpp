// SPDX-License-Identifier: Apache-2.0
#include "app/CQuireView.h"

#include "app/CommandIds.h"
#include "controls/CXEdit.h"
#include "tests/app/AppFixture.h"

#include <map>

#include <sys/stat.h>

namespace fx = quire::fixtures;

namespace {

class ViewTest : public FrameFixture
{
protected:
    // Types `text` over whatever "Merge Output" shows.
    void TypeOutput(const std::string& text)
    {
        QLineEdit* pEdit = m_pFrame->GetOutputPathEdit();
        pEdit->selectAll();
        QTest::keyClick(pEdit, Qt::Key_Backspace);
        QTest::keyClicks(pEdit, Q(text));
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
    // Which of the view's commands `frame` enables once the event loop has turned, in id order:
    // "RAudMSVB" with '-' for disabled ones.
    static std::string EnableStates(const CMainFrame& frame)
    {
        QCoreApplication::processEvents();
        const char letters[] = "RAudMSVB";
        std::string states;
        for (int nID = ID_FILE_REMOVE; nID <= ID_BUTTON2; ++nID)
            states += frame.GetAction(nID)->isEnabled() ? letters[nID - ID_FILE_REMOVE] : '-';
        return states;
    }
    std::string EnableStates() const { return EnableStates(*m_pFrame); }
    // Opens the in-place editor on a cell by pressing on it, types `text` and presses Enter.
    void EditCell(int nRow, int nCol, const QString& text)
    {
        ClickCell(nRow, nCol);
        CXEdit* pEdit = List()->GetEditControl();
        ASSERT_NE(pEdit, nullptr);
        pEdit->selectAll();
        QTest::keyClicks(pEdit, text);
        QTest::keyClick(pEdit, Qt::Key_Return);
    }
    void ClickCheckbox(int nRow)
    {
        const QRect box = List()->GetCheckboxRect(nRow, 0);
        ASSERT_FALSE(box.isEmpty());
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, box.center());
    }
};

} // namespace

TEST_F(ViewTest, EnableRulesFollowTheSelectionAndTheTicksAsOfTheLastCopyIntoTheRecords)
{
    // Without a view the frame takes the list as empty.
    const CMainFrame bare(Settings());
    EXPECT_EQ(EnableStates(bare), "-------B");
    EXPECT_EQ(EnableStates(), "-------B");
    AddFiles({MakePdf("one.pdf", 3)});
    EXPECT_EQ(EnableStates(), "-A---S-B");
    AddFiles({MakePdf("two.pdf", 3)});
    EXPECT_EQ(EnableStates(), "-A--MS-B");

    // Unticking on screen changes nothing until the rows are copied into the records.
    ClickCheckbox(0);
    ClickCheckbox(1);
    EXPECT_EQ(EnableStates().substr(4, 2), "MS");
    AddFiles({MakePdf("three.pdf", 3)}); // adding copies rows into records first
    EXPECT_EQ(EnableStates(), "-A---S-B");

    ClickCell(0, 1);
    EXPECT_EQ(EnableStates(), "RA-d-SVB"); // first row: no Move Up
    ClickCell(2, 1);
    EXPECT_EQ(EnableStates(), "RAu--SVB"); // last row: no Move Down
}

// Edits and ticks live in the list until a command copies them into the records: adding, removing
// and moving must copy them first, not rebuild the rows from stale records.
TEST_F(ViewTest, AddRemoveAndMoveKeepEditsAndTicksThatWereNotCopiedYet)
{
    AddFiles({MakePdf("a.pdf", 5), MakePdf("b.pdf", 5)});
    AddFiles({MakePdf("c.pdf", 5)});
    EditCell(0, 3, QStringLiteral("2"));
    EditCell(2, 5, QStringLiteral("Third part"));
    ClickCheckbox(2);
    AddFiles({MakePdf("d.pdf", 1)});
    EXPECT_EQ(Rows(), "[x] a.pdf 5 2 5 a | [x] b.pdf 5 1 5 b | [ ] c.pdf 5 1 5 Third part | [x] d.pdf 1 1 1 d");
    EXPECT_EQ(List()->GetItemToolTipText(2, 5), QStringLiteral("Third part"));
    EXPECT_EQ(List()->GetCurSel(), -1);

    EditCell(0, 5, QStringLiteral("Intro"));
    ClickCell(1, 1);
    Trigger("ID_FILE_REMOVE");
    EXPECT_EQ(Rows(), "[x] a.pdf 5 2 5 Intro | [ ] c.pdf 5 1 5 Third part | [x] d.pdf 1 1 1 d");
    ClickCheckbox(2);
    ClickCell(1, 1);
    Trigger("ID_FILE_MOVE_UP");
    EXPECT_EQ(Rows(), "[ ] c.pdf 5 1 5 Third part | [x] a.pdf 5 2 5 Intro | [ ] d.pdf 1 1 1 d");
    EXPECT_EQ(List()->GetCurSel(), 0);

    Trigger("ID_FILE_REMOVE_ALL");
    EXPECT_EQ(Rows(), "");
    EXPECT_EQ(m_pView->GetItems().GetCount(), 0);
}

TEST_F(ViewTest, SplitAndMergeTakeTheEditedRangesAndAMergeNameIsAPdfInTheSavePathFolder)
{
    AddFiles({MakePdf("first.pdf", 10), MakePdf("second.pdf", 4, true), MakePdf("third.pdf", 6)});
    EditCell(0, 3, QStringLiteral("3"));
    EditCell(0, 4, QStringLiteral("5"));
    EditCell(2, 5, QStringLiteral("Report (final)"));
    Trigger("ID_FILE_CONVERT_SPLIT");
    EXPECT_EQ(fx::PageTexts(m_tmp.File("first_p3-5.pdf")),
              (std::vector<std::string> {"first page 3", "first page 4", "first page 5"}));
    EXPECT_EQ(fx::PageTexts(m_tmp.File("third_p1-6.pdf")).size(), 6u);

    // A relative name is a PDF in the folder of the file last browsed to, not in the working folder.
    const std::string folder = m_tmp.File("Merged");
    std::filesystem::create_directory(folder);
    CFileDialog::SetNextFileName(Q(folder + "/last.pdf"));
    Trigger("ID_OPTIONS_OUTPUT_PATH_BUTTON");
    const QString szWorking = QDir::currentPath();
    QDir::setCurrent(Path(""));
    TypeOutput("bound");
    // The dialog is answered once it shows: the texts are taken trimmed, and Enter in an edit means OK.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&answer] {
        if (auto* pDialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            answer.stop();
            auto* pTitle = pDialog->findChild<QLineEdit*>(QStringLiteral("IDC_EDIT_TITLE"));
            QTest::keyClicks(pTitle, QStringLiteral("  Quarterly pack \t"));
            QTest::keyClick(pTitle, Qt::Key_Return);
        }
    });
    answer.start(10);
    Trigger("ID_OPTIONS_DOC_PROPERTIES");
    Trigger("ID_OPTIONS_AUTO_OPEN");

    Trigger("ID_FILE_CONVERT_MERGE");
    Trigger("ID_BUTTON2");

    QDir::setCurrent(szWorking);
    const std::string out = folder + "/bound.pdf";
    EXPECT_TRUE(CMessageBox::TakeShownTexts().isEmpty());
    std::string log;
    EXPECT_TRUE(fx::QpdfCheckPasses(out, &log)) << log;
    const auto texts = fx::PageTexts(out);
    ASSERT_EQ(texts.size(), 3u + 4u + 6u);
    EXPECT_EQ(texts[0], "first page 3");
    EXPECT_EQ(fx::PdfInfo(out).at("Title"), "Quarterly pack");
    const auto outline = fx::OutlineOf(out);
    ASSERT_FALSE(outline.empty());
    EXPECT_EQ(outline.front(), "first -> 1");
    EXPECT_EQ(outline.back(), "Report final -> 8");
    // Opened once by Auto Open, once by View Merged Result.
    EXPECT_EQ(CShell::TakeOpened(), (QStringList {Q(out), Q(out)}));
    EXPECT_FALSE(std::filesystem::exists(m_tmp.File("bound.pdf")));
    EXPECT_FALSE(std::filesystem::exists(m_tmp.File("bound")));
}

TEST_F(ViewTest, AMergeThatCannotRunSaysWhyNamingTheFileAndChangesNothing)
{
    const std::string first = MakePdf("first.pdf", 2);
    AddFiles({first, MakePdf("second.pdf", 3)});
    const std::string out = MakePdf("merged.pdf", 1);
    const std::string notes = m_tmp.File("notes.txt");
    WriteWholeFile(notes, "Minutes of the meeting\n");
    const std::string pipe = m_tmp.File("pipe.pdf");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    Settings().SetAutoBackup(false);
    Settings().SetSavePath(Path(""));
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
            MakePdf("first.pdf", 2, false, c.lockedPassword);
        const auto before = FolderContents();
        TypeOutput(c.typed);

        Trigger("ID_FILE_CONVERT_MERGE");

        const QStringList shown = CMessageBox::TakeShownTexts();
        ASSERT_EQ(shown.size(), 1);
        for (const std::string& expected : c.expected)
            EXPECT_TRUE(shown[0].contains(Q(expected))) << shown[0].toStdString();
        EXPECT_EQ(FolderContents(), before);
    }
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
    const std::string path = MakePdf("clicked.pdf", 1);
    AddFiles({path});
    ClickCell(0, 1);
    EXPECT_EQ(m_pFrame->GetMessageText(), Q(path));
    Trigger("ID_FILE_VIEW_SELECTION");
    EXPECT_EQ(CShell::TakeOpened(), QStringList {Q(path)});

    const auto actions = m_pView->GetContextMenu()->actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_TRUE(actions[2]->isSeparator());
    EXPECT_EQ(actions,
              (QList<QAction*> {Action("ID_FILE_REMOVE"), Action("ID_FILE_REMOVE_ALL"), actions[2],
                                Action("ID_FILE_CONVERT_MERGE")}));
}
