// SPDX-License-Identifier: Apache-2.0
#include "CQuireView.h"
#include "CFileDialog.h"
#include "CMainFrame.h"
#include "CMessageBox.h"
#include "CQuireApp.h"
#include "CShell.h"
#include "CXEdit.h"
#include "CXListCtrl.h"
#include "CXThemeHelper.h"
#include "CommandIds.h"
#include "PdfFixtures.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>
#include <QTest>

#include <filesystem>
#include <utility>

namespace fx = quire::fixtures;

namespace {

// The main window with its view, as the program builds it, with every modal seam in test mode.
class ViewTest : public TempDirTest
{
protected:
    void SetUp() override
    {
        m_oldHome = qgetenv("HOME");
        qputenv("HOME", QByteArray::fromStdString(m_tmp.Path().string()));
        CShell::SetTestMode(true);
        CMessageBox::SetTestMode(true);
        CFileDialog::SetTestMode(true);
        m_app.GetAppPath();
        m_app.GetAppDataPath();
        m_app.m_szSettingsFile = m_app.m_szAppDataPath + QStringLiteral("Settings.ini");
        m_app.GetAppSettings();
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
        CShell::SetTestMode(false);
        CMessageBox::SetTestMode(false);
        CFileDialog::SetTestMode(false);
        qputenv("HOME", m_oldHome);
    }

    std::string MakePdf(const std::string& name, int pages, bool outline = false)
    {
        fx::PdfSpec desc;
        desc.tag = name;
        desc.pages = pages;
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

    // One row as one string: "[x] name pages begin end bookmark".
    std::string Row(int nRow) const
    {
        CXListCtrl* list = List();
        std::string row = list->GetCheckedState(nRow, 0) == 2 ? "[x]" : "[ ]";
        for (int nCol = 1; nCol <= 5; ++nCol)
            row += " " + list->GetItemText(nRow, nCol).toStdString();
        return row;
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

    QByteArray m_oldHome;
    CQuireApp m_app;
    std::unique_ptr<CMainFrame> m_pFrame;
    CQuireView* m_pView = nullptr;
};

} // namespace

TEST_F(ViewTest, AddedFilesBecomeTickedRowsWithTheirPageCountsAndBookmarks)
{
    EXPECT_EQ(List()->GetNoItemsMessage(), QStringLiteral("Please Add PDF Files to Convert."));
    AddFiles({MakePdf("alpha", 10), MakePdf("beta", 4, true), MakePdf("gamma.v2", 6)});

    ASSERT_EQ(List()->GetItemCount(), 3);
    EXPECT_EQ(Row(0), "[x] alpha.pdf 10 1 10 alpha");
    EXPECT_EQ(Row(1), "[x] beta.pdf 4 1 4 ");
    EXPECT_EQ(Row(2), "[x] gamma.v2.pdf 6 1 6 gamma.v2");
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
    EXPECT_EQ(List()->GetCheckedState(0, 0), 1);
    EXPECT_EQ(EnableStates().substr(4, 2), "MS");

    AddFiles({MakePdf("three", 3)}); // adding copies rows into records first
    List()->SetCurSel(-1);
    List()->clearSelection();
    EXPECT_EQ(EnableStates(), "-A---S-B");

    List()->SetCurSel(0, true);
    EXPECT_EQ(EnableStates(), "RA-d-SVB"); // first row: no Move Up
    List()->SetCurSel(2, true);
    EXPECT_EQ(EnableStates(), "RAu--SVB"); // last row: no Move Down
}

TEST_F(ViewTest, RemoveAndMoveKeepEditsAndTicksThatWereNotCopiedYet)
{
    AddFiles({MakePdf("a", 5), MakePdf("b", 5), MakePdf("c", 5)});
    EditCell(0, 3, QStringLiteral("2"));
    EditCell(2, 5, QStringLiteral("Third part"));
    ClickCheckbox(2);

    List()->SetCurSel(1, true);
    Action(ID_FILE_REMOVE)->trigger();
    ASSERT_EQ(List()->GetItemCount(), 2);
    EXPECT_EQ(Row(0), "[x] a.pdf 5 2 5 a");
    EXPECT_EQ(Row(1), "[ ] c.pdf 5 1 5 Third part");
    EXPECT_EQ(List()->GetCurSel(), -1);

    List()->SetCurSel(1, true);
    Action(ID_FILE_MOVE_UP)->trigger();
    EXPECT_EQ(Row(0), "[ ] c.pdf 5 1 5 Third part");
    EXPECT_EQ(Row(1), "[x] a.pdf 5 2 5 a");
    EXPECT_EQ(List()->GetCurSel(), 0);

    Action(ID_FILE_MOVE_DOWN)->trigger();
    EXPECT_EQ(Row(1), "[ ] c.pdf 5 1 5 Third part");
    EXPECT_EQ(List()->GetCurSel(), 1);
    // Move Down on the last row is disabled, and does nothing when invoked anyway.
    m_pView->OnCommandFile(ID_FILE_MOVE_DOWN);
    EXPECT_EQ(Row(1), "[ ] c.pdf 5 1 5 Third part");

    Action(ID_FILE_REMOVE_ALL)->trigger();
    EXPECT_EQ(List()->GetItemCount(), 0);
    EXPECT_EQ(m_pView->GetItems().GetCount(), 0);
    EXPECT_EQ(List()->GetNoItemsMessage(), QStringLiteral("Please Add PDF Files to Convert."));
}

TEST_F(ViewTest, MergeWritesTheEditedRangesWithBookmarksAndDocumentInformation)
{
    const std::string out = m_tmp.File("merged.pdf");
    AddFiles({MakePdf("first", 10), MakePdf("second", 4, true), MakePdf("third", 6)});
    EditCell(0, 3, QStringLiteral("3"));
    EditCell(0, 4, QStringLiteral("5"));
    EditCell(2, 5, QStringLiteral("Report (final)"));
    m_pFrame->GetOutputPathEdit()->setText(QString::fromStdString(out));
    m_app.m_szPDFTitle = QStringLiteral("Quarterly pack");
    m_app.m_szPDFAuthor = QStringLiteral("Ann Example");
    m_app.m_nOpenResult = 1;

    Action(ID_FILE_CONVERT_MERGE)->trigger();

    ASSERT_TRUE(fx::QpdfCheckPasses(out));
    const auto texts = fx::PageTexts(out);
    ASSERT_EQ(texts.size(), 3u + 4u + 6u);
    EXPECT_EQ(texts[0], "first page 3");
    EXPECT_EQ(texts[2], "first page 5");
    EXPECT_EQ(texts[3], "second page 1");
    EXPECT_EQ(texts[7], "third page 1");
    const auto info = fx::PdfInfo(out);
    EXPECT_EQ(info.at("Title"), "Quarterly pack");
    EXPECT_EQ(info.at("Author"), "Ann Example");
    EXPECT_EQ(info.at("Creator"), "Quire Binder");
    const auto outline = fx::OutlineOf(out);
    ASSERT_FALSE(outline.empty());
    EXPECT_EQ(outline.front(), "first -> 1");
    EXPECT_EQ(outline.back(), "Report final -> 8");
    EXPECT_EQ(CShell::TakeOpened(), QStringList {QString::fromStdString(out)});
    EXPECT_TRUE(CMessageBox::TakeShownTexts().isEmpty());
}

TEST_F(ViewTest, SplitWritesOneFileBesideEachTickedSource)
{
    AddFiles({MakePdf("b", 7), MakePdf("Report", 10)});
    EditCell(1, 3, QStringLiteral("3"));
    EditCell(1, 4, QStringLiteral("5"));
    Action(ID_FILE_CONVERT_SPLIT)->trigger();

    const std::string whole = m_tmp.File("b_p1-7.pdf");
    const std::string part = m_tmp.File("Report_p3-5.pdf");
    ASSERT_TRUE(fx::QpdfCheckPasses(whole));
    ASSERT_TRUE(fx::QpdfCheckPasses(part));
    EXPECT_EQ(fx::PageTexts(whole).size(), 7u);
    EXPECT_EQ(fx::PageTexts(part), (std::vector<std::string> {"Report page 3", "Report page 4", "Report page 5"}));
}

TEST_F(ViewTest, MergeRefusesAFolderOrOneOfItsSourcesAsOutputAndKeepsEverything)
{
    const std::string first = MakePdf("first", 2);
    AddFiles({first, MakePdf("second", 3)});
    const std::string before = ReadWholeFile(first);
    const auto nFiles = std::distance(std::filesystem::directory_iterator(m_tmp.Path()), {});
    const std::pair<std::string, QString> cases[] = {
        {m_tmp.Path().string() + "/", QStringLiteral("is a folder")},
        {first, QStringLiteral("first.pdf")},
    };
    for (const auto& [output, expected] : cases) {
        m_pFrame->GetOutputPathEdit()->setText(QString::fromStdString(output));

        Action(ID_FILE_CONVERT_MERGE)->trigger();

        const QStringList shown = CMessageBox::TakeShownTexts();
        ASSERT_EQ(shown.size(), 1) << output;
        EXPECT_TRUE(shown[0].contains(expected)) << shown[0].toStdString();
        EXPECT_EQ(ReadWholeFile(first), before);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_tmp.Path()), {}), nFiles);
        EXPECT_EQ(List()->GetItemCount(), 2);
        EXPECT_TRUE(m_pFrame->isVisible());
    }
}

TEST_F(ViewTest, ColumnsKeepTheirSharesAndTheLastTakesTheRest)
{
    for (const int nFrameWidth : {1000, 1377}) {
        m_pFrame->resize(nFrameWidth, 700);
        QApplication::processEvents();
        ASSERT_EQ(List()->width(), m_pView->width());
        const int nWidth = m_pView->width() - 2
            - (List()->verticalScrollBar()->isVisible() ? m_pView->style()->pixelMetric(QStyle::PM_ScrollBarExtent)
                                                        : 0);
        const int shares[5] = {3, 19, 8, 7, 7};
        int nUsed = 0;
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(List()->columnWidth(i), shares[i] * nWidth / 64) << "column " << i;
            nUsed += shares[i] * nWidth / 64;
        }
        EXPECT_EQ(List()->columnWidth(5), nWidth - nUsed - 2);
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

    QMenu* menu = m_pView->GetContextMenu();
    const auto actions = menu->actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_EQ(actions[0], Action(ID_FILE_REMOVE));
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Remove &File"));
    EXPECT_EQ(actions[1]->text(), QStringLiteral("Remove &All"));
    EXPECT_TRUE(actions[2]->isSeparator());
    EXPECT_EQ(actions[3], Action(ID_FILE_CONVERT_MERGE));
    EXPECT_EQ(actions[3]->text(), QStringLiteral("&Start Convert"));
    EXPECT_EQ(actions[3]->iconText(), QStringLiteral("Merge"));
}

TEST_F(ViewTest, TheWindows2000LookSwitchesTheListToItsClassicDrawing)
{
    Action(ID_VIEW_APPLOOK_WIN_2000)->trigger();
    EXPECT_FALSE(CXThemeHelper().IsAppThemed());
    Action(ID_VIEW_APPLOOK_OFF_2007_BLUE)->trigger();
    EXPECT_TRUE(CXThemeHelper().IsAppThemed());
}

TEST_F(ViewTest, ASourceThatGainedAPasswordAfterItWasAddedStopsTheMergeWithAMessage)
{
    const std::string locked = MakePdf("locked", 2);
    AddFiles({MakePdf("open", 2), locked});
    fx::PdfSpec desc;
    desc.tag = "locked";
    desc.pages = 2;
    desc.userPassword = "secret";
    fx::WritePdf(locked, desc);
    const std::string out = m_tmp.File("merged.pdf");
    WriteWholeFile(out, "previous output");
    m_app.m_nAutoBackup = 0;
    m_pFrame->GetOutputPathEdit()->setText(QString::fromStdString(out));

    Action(ID_FILE_CONVERT_MERGE)->trigger();

    const QStringList shown = CMessageBox::TakeShownTexts();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains(QStringLiteral("locked.pdf"))) << shown[0].toStdString();
    EXPECT_TRUE(shown[0].contains(QStringLiteral("password"))) << shown[0].toStdString();
    EXPECT_EQ(ReadWholeFile(out), "previous output");
    EXPECT_EQ(List()->GetItemCount(), 2);
}

TEST_F(ViewTest, AddingAFileKeepsWhatWasTypedAndTickedInTheRowsBefore)
{
    AddFiles({MakePdf("one", 4), MakePdf("two", 4)});
    AddFiles({MakePdf("three", 4)});
    List()->SetCurSel(1, true);
    EditCell(0, 4, QStringLiteral("2"));
    ClickCheckbox(1);
    AddFiles({MakePdf("four", 4)});

    ASSERT_EQ(List()->GetItemCount(), 4);
    EXPECT_EQ(Row(0), "[x] one.pdf 4 1 2 one");
    EXPECT_EQ(Row(1), "[ ] two.pdf 4 1 4 two");
    EXPECT_EQ(Row(2), "[x] three.pdf 4 1 4 three");
    EXPECT_EQ(Row(3), "[x] four.pdf 4 1 4 four");
    EXPECT_EQ(List()->GetItemToolTipText(0, 4), QStringLiteral("2"));
    EXPECT_EQ(List()->GetCurSel(), -1);
    EXPECT_EQ(List()->GetHeaderCheckedState(0), 1);

    AddFiles({MakePdf("five", 1)});
    EXPECT_EQ(Row(1), "[ ] two.pdf 4 1 4 two");
    EXPECT_EQ(Row(4), "[x] five.pdf 1 1 1 five");
    EXPECT_EQ(List()->GetItemToolTipText(4, 1), QStringLiteral("five.pdf"));
}
