// SPDX-License-Identifier: Apache-2.0
#include "tests/app/AppFixture.h"

#include "controls/CXHeaderCtrl.h"

namespace {

using OutputPathRule = TempDirTest;

class ViewTest : public FrameFixture
{
protected:
    // Which of the view's commands the frame (the test's own when none is given) enables once the
    // event loop has turned, in id order: "RAudMSVB" with '-' for disabled ones.
    std::string EnableStates(const CMainFrame* pFrame = nullptr) const
    {
        QCoreApplication::processEvents();
        std::string states = "RAudMSVB";
        for (int nID = ID_FILE_REMOVE; nID <= ID_BUTTON2; ++nID)
            if (!(pFrame ? pFrame : m_pFrame.get())->GetAction(nID)->isEnabled())
                states[nID - ID_FILE_REMOVE] = '-';
        return states;
    }
    // Does what a user does in one step: "add NAME PAGES" (a new file), "tick ROW" (its check box),
    // "tick all" (the header's box), "click ROW COLUMN", "edit ROW COLUMN TEXT" (press on the cell,
    // type, Enter), "press COMMAND" or "key KEYS" ("Ctrl+Up", say, to the widget with the focus).
    void Do(const QString& szStep)
    {
        const QStringList words = szStep.split(' ');
        const auto number = [&words](int i) { return words[i].toInt(); };
        if (words[0] == "add")
            return AddFiles({MakePdf(words[1].toStdString(), number(2))});
        if (words[0] == "press")
            return Trigger(words[1].toLatin1().constData());
        if (words[0] == "key") {
            const QKeyCombination key = QKeySequence(words[1])[0];
            // The commands' states are brought up to date between two key presses, as for a user.
            QCoreApplication::processEvents();
            return QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
        }
        if (szStep == "tick all") {
            CXHeaderCtrl* pHeader = List()->GetHeaderCtrl();
            return QTest::mouseClick(pHeader->viewport(), Qt::LeftButton, {}, pHeader->CheckboxRect(0).center());
        }
        QRect rect = List()->GetCheckboxRect(number(1), 0);
        if (words[0] != "tick" && !List()->GetSubItemRect(number(1), number(2), rect))
            rect = {};
        ASSERT_FALSE(rect.isEmpty()) << szStep.toStdString();
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, rect.center());
        if (words[0] == "edit") {
            CXEdit* pEdit = List()->GetEditControl();
            ASSERT_NE(pEdit, nullptr);
            pEdit->selectAll();
            QTest::keyClicks(pEdit, words.mid(3).join(' '));
            QTest::keyClick(pEdit, Qt::Key_Return);
        }
    }
};

} // namespace

// Ticks and edits reach the records at once: what the commands act on, and so which are enabled, is
// the selection and the boxes on screen (Merge is also the context menu's Start Convert). Adding,
// removing and moving keep every edit. Every other change is one step: Ctrl+Z puts back the rows and
// the selected row, Ctrl+Shift+Z and Ctrl+Y bring the change again; adding a file ends the steps before.
TEST_F(ViewTest, CommandsFollowTheSelectionAndTheBoxesOnScreenAtOnceAndEachChangeIsOneUndoStep)
{
    // Without a view the frame takes the list as empty.
    const CMainFrame bare(Settings(), m_renderer);
    EXPECT_EQ(EnableStates(&bare), "-------B");
    m_pFrame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_pFrame.get()));
    List()->setFocus();
    const auto state = [this] { return Rows() + " @" + std::to_string(List()->GetCurSel()); };
    // The text of Undo after a change from `before` ("": disabled), and the undo keys back and forth.
    const auto expectOneStep = [&](const std::string& before, const char* szUndo) {
        QCoreApplication::processEvents();
        EXPECT_EQ(Action("ID_EDIT_UNDO")->isEnabled() ? Action("ID_EDIT_UNDO")->text() : "", QLatin1String(szUndo));
        const std::string after = state();
        for (const char* szKey : {"key Ctrl+Z", "key Ctrl+Shift+Z", "key Ctrl+Z", "key Ctrl+Y"}) {
            Do(QLatin1String(szKey));
            EXPECT_EQ(state(), *szUndo && std::string(szKey) == "key Ctrl+Z" ? before : after) << szKey;
        }
    };
    // A step, the enabled commands after it, the rows when they changed, Undo's text when they did.
    const std::tuple<const char*, const char*, const char*, const char*> steps[] = {
        {"add a.pdf 5", "-A---S-B", "[x] a.pdf 5 1 5 a", ""},
        {"add b.pdf 5", "-A--MS-B", "[x] a.pdf 5 1 5 a | [x] b.pdf 5 1 5 b", ""},
        {"tick all", "-A-----B", "[ ] a.pdf 5 1 5 a | [ ] b.pdf 5 1 5 b", "Undo Untick All"},
        {"tick 0", "RA-d-SVB", "[x] a.pdf 5 1 5 a | [ ] b.pdf 5 1 5 b", "Undo Tick"},
        {"tick 1", "RAu-MSVB", "[x] a.pdf 5 1 5 a | [x] b.pdf 5 1 5 b", "Undo Tick"},
        {"tick all", "RAu---VB", "[ ] a.pdf 5 1 5 a | [ ] b.pdf 5 1 5 b", "Undo Untick All"},
        {"add c.pdf 5", "-A---S-B", "[ ] a.pdf 5 1 5 a | [ ] b.pdf 5 1 5 b | [x] c.pdf 5 1 5 c", ""},
        {"click 2 1", "RAu--SVB", nullptr, nullptr},
        {"click 0 1", "RA-d-SVB", nullptr, nullptr},
        {"edit 0 3 2", "RA-d-SVB", "[ ] a.pdf 5 2 5 a | [ ] b.pdf 5 1 5 b | [x] c.pdf 5 1 5 c", "Undo Edit Begin Page"},
        {"edit 2 5 Third part", "RAu--SVB", "[ ] a.pdf 5 2 5 a | [ ] b.pdf 5 1 5 b | [x] c.pdf 5 1 5 Third part",
         "Undo Edit Bookmark"},
        {"edit 2 4 4", "RAu--SVB", "[ ] a.pdf 5 2 5 a | [ ] b.pdf 5 1 5 b | [x] c.pdf 5 1 4 Third part",
         "Undo Edit End Page"},
        {"tick 2", "RAu---VB", "[ ] a.pdf 5 2 5 a | [ ] b.pdf 5 1 5 b | [ ] c.pdf 5 1 4 Third part", "Undo Untick"},
        {"tick 0", "RA-d-SVB", "[x] a.pdf 5 2 5 a | [ ] b.pdf 5 1 5 b | [ ] c.pdf 5 1 4 Third part", "Undo Tick"},
        {"add d.pdf 1", "-A--MS-B",
         "[x] a.pdf 5 2 5 a | [ ] b.pdf 5 1 5 b | [ ] c.pdf 5 1 4 Third part | [x] d.pdf 1 1 1 d", ""},
        {"edit 0 5 Intro", "RA-dMSVB",
         "[x] a.pdf 5 2 5 Intro | [ ] b.pdf 5 1 5 b | [ ] c.pdf 5 1 4 Third part | [x] d.pdf 1 1 1 d",
         "Undo Edit Bookmark"},
        {"click 1 1", "RAudMSVB", nullptr, nullptr},
        {"press ID_FILE_REMOVE", "-A--MS-B", "[x] a.pdf 5 2 5 Intro | [ ] c.pdf 5 1 4 Third part | [x] d.pdf 1 1 1 d",
         "Undo Remove"},
        {"tick 2", "RAu--SVB", "[x] a.pdf 5 2 5 Intro | [ ] c.pdf 5 1 4 Third part | [ ] d.pdf 1 1 1 d", "Undo Untick"},
        {"key Delete", "-A---S-B", "[x] a.pdf 5 2 5 Intro | [ ] c.pdf 5 1 4 Third part", "Undo Remove"},
        {"click 1 1", "RAu--SVB", nullptr, nullptr},
        {"press ID_FILE_MOVE_UP", "RA-d-SVB", "[ ] c.pdf 5 1 4 Third part | [x] a.pdf 5 2 5 Intro", "Undo Move Up"},
        {"key Ctrl+Down", "RAu--SVB", "[x] a.pdf 5 2 5 Intro | [ ] c.pdf 5 1 4 Third part", "Undo Move Down"},
        {"key Ctrl+Up", "RA-d-SVB", "[ ] c.pdf 5 1 4 Third part | [x] a.pdf 5 2 5 Intro", "Undo Move Up"},
        {"tick all", "RA-dMSVB", "[x] c.pdf 5 1 4 Third part | [x] a.pdf 5 2 5 Intro", "Undo Tick All"},
        {"press ID_FILE_VIEW_SELECTION", "RA-dMSVB", nullptr, nullptr},
    };
    std::string rows;
    for (const auto& [szStep, szStates, szRows, szUndo] : steps) {
        SCOPED_TRACE(szStep);
        // The row a tick or an edit is in is selected first: Ctrl+Z puts back the selection of the change.
        const QStringList words = QString(szStep).split(' ');
        if (szUndo && (words[0] == "tick" || words[0] == "edit") && words[1] != "all")
            Do("click " + words[1] + " 1");
        const std::string before = state();
        Do(QLatin1String(szStep));
        rows = szRows ? szRows : rows;
        EXPECT_EQ(EnableStates(), szStates);
        EXPECT_EQ(Rows(), rows);
        if (szUndo)
            expectOneStep(before, szUndo);
    }
    EXPECT_EQ(List()->GetItemToolTipText(0, 5), QStringLiteral("Third part"));
    // The clicked row shows its path, View Selection opens the selected one, and the context menu shares
    // the actions.
    EXPECT_EQ(m_pFrame->GetMessageText(), Path("c.pdf"));
    EXPECT_EQ(CShell::TakeOpened(), QStringList {Path("c.pdf")});
    const auto actions = m_pView->GetContextMenu()->actions();
    ASSERT_EQ(actions.size(), 5);
    EXPECT_TRUE(actions[3]->isSeparator());
    EXPECT_EQ(actions,
              (QList<QAction*> {Action("ID_FILE_REMOVE"), Action("ID_FILE_REMOVE_ALL"), Action("ID_FILE_SORT_BY_NAME"),
                                actions[3], Action("ID_FILE_CONVERT_MERGE")}));

    const std::string before = state();
    Trigger("ID_FILE_REMOVE_ALL");
    EXPECT_EQ(Rows(), "");
    expectOneStep(before, "Undo Remove All");
    EXPECT_EQ(m_pView->GetItems().GetCount(), 0);
}

// Sort by Name counts as people do, keeps equal names in their order and the selected file selected,
// and is one step; it needs two rows.
TEST_F(ViewTest, SortByNameOrdersNumbersByValueAndLettersWithoutCaseInOneUndoStep)
{
    const auto names = [this] {
        QStringList shown;
        for (int nRow = 0; nRow < List()->GetItemCount(); ++nRow)
            shown << List()->GetItemText(nRow, 1);
        return shown.join(' ') + " @" + QString::number(List()->GetCurSel());
    };
    QCoreApplication::processEvents();
    EXPECT_FALSE(Action("ID_FILE_SORT_BY_NAME")->isEnabled());
    AddFiles({MakePdf("10.pdf", 1)});
    QCoreApplication::processEvents();
    EXPECT_FALSE(Action("ID_FILE_SORT_BY_NAME")->isEnabled());
    AddFiles({MakePdf("2.pdf", 1), MakePdf("b.pdf", 1), MakePdf("A.pdf", 1), MakePdf("1.pdf", 1), MakePdf("a.pdf", 1)});
    Do("click 2 1");
    const QString unsorted = names();
    EXPECT_EQ(unsorted, "10.pdf 2.pdf b.pdf A.pdf 1.pdf a.pdf @2");
    m_pView->GetContextMenu()->popup({0, 0});
    QTest::keyClick(m_pView->GetContextMenu(), Qt::Key_N);
    const QString sorted = "1.pdf 2.pdf 10.pdf A.pdf a.pdf b.pdf @5";
    EXPECT_EQ(names(), sorted);
    for (const auto& [szCommand, szNames] : {std::pair {"ID_EDIT_UNDO", unsorted}, {"ID_EDIT_REDO", sorted}}) {
        Trigger(szCommand);
        EXPECT_EQ(names(), szNames) << szCommand;
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(Action("ID_EDIT_UNDO")->text(), "Undo Sort by Name");
}

// The status line says what each job did, and Open Folder opens where its result is.
TEST_F(ViewTest, SplitAndMergeTakeTheEditedRangesAndAMergeNameIsAPdfInTheSavePathFolder)
{
    EXPECT_FALSE(Action("ID_OPEN_RESULT_FOLDER")->isEnabled());
    AddFiles({MakePdf("first.pdf", 10), MakePdf("second.pdf", 4, true), MakePdf("third.pdf", 6)});
    for (const char* szStep : {"edit 0 3 3", "edit 0 4 5", "edit 2 5 Report (final)"})
        Do(QLatin1String(szStep));
    Trigger("ID_FILE_CONVERT_SPLIT");
    EXPECT_EQ(m_pFrame->GetMessageText(), QStringLiteral("Split 3 files into 3 files beside their sources"));
    Trigger("ID_OPEN_RESULT_FOLDER");
    EXPECT_EQ(CShell::TakeOpened(), QStringList {Q(m_tmp.Path().string())});
    // The file names carry the ranges the split was given.
    for (const char* szName : {"first_p3-5.pdf", "third_p1-6.pdf"})
        EXPECT_TRUE(fx::QpdfCheckPasses(m_tmp.File(szName))) << szName;

    // A relative name is a PDF in the folder of the file last browsed to, not in the working folder.
    const std::string folder = m_tmp.File("Merged");
    std::filesystem::create_directory(folder);
    CFileDialog::SetNextFileName(Q(folder + "/last.pdf"));
    Trigger("ID_OPTIONS_OUTPUT_PATH_BUTTON");
    const QString szWorking = QDir::currentPath();
    QDir::setCurrent(Path(""));
    m_pFrame->GetOutputPathEdit()->selectAll();
    QTest::keyClicks(m_pFrame->GetOutputPathEdit(), QStringLiteral("bound"));
    // The dialog is answered once it shows: the texts are taken trimmed, and Enter in an edit means OK.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&answer] {
        if (QWidget* pModal = QApplication::activeModalWidget()) {
            answer.stop();
            auto* pTitle = Child<QLineEdit>(*pModal, "IDC_EDIT_TITLE");
            QTest::keyClicks(pTitle, QStringLiteral("  Quarterly pack \t"));
            QTest::keyClick(pTitle, Qt::Key_Return);
        }
    });
    answer.start(10);
    Trigger("ID_OPTIONS_DOC_PROPERTIES");
    Trigger("ID_OPTIONS_AUTO_OPEN");

    Trigger("ID_FILE_CONVERT_MERGE");
    Trigger("ID_BUTTON2");
    Trigger("ID_OPEN_RESULT_FOLDER");

    QDir::setCurrent(szWorking);
    const std::string out = folder + "/bound.pdf";
    EXPECT_TRUE(CMessageBox::TakeShownTexts().isEmpty());
    fx::ExpectSound(out, fx::Pages({{"first", 3, 5}, {"second", 1, 4}, {"third", 1, 6}}));
    EXPECT_EQ(fx::PdfInfo(out).at("Title"), "Quarterly pack");
    EXPECT_EQ(m_pFrame->GetMessageText(), "Merged 3 files, 13 pages into " + Q(out));
    // The typed bookmark reached the job.
    EXPECT_EQ(std::ranges::count(fx::OutlineOf(out), std::string("Report final -> 8")), 1);
    // Opened once by Auto Open, once by View Merged Result, then its folder.
    EXPECT_EQ(CShell::TakeOpened(), (QStringList {Q(out), Q(out), Q(folder)}));
    EXPECT_FALSE(std::filesystem::exists(m_tmp.File("bound.pdf")));
    EXPECT_FALSE(std::filesystem::exists(m_tmp.File("bound")));

    // Merging over the output first copies it to one time-stamped backup beside it while Auto Backup
    // is on, and to none once it is switched off.
    for (const bool bAutoBackup : {true, false}) {
        if (!bAutoBackup)
            Trigger("ID_OPTIONS_AUTO_BACKUP");
        Trigger("ID_FILE_CONVERT_MERGE");
        const auto written = FolderContents(folder);
        ASSERT_EQ(written.size(), 2u) << "the output and one backup, Auto Backup " << bAutoBackup;
        EXPECT_TRUE(
            QRegularExpression("^bound_[0-9]{17}\\.pdf$").match(Q(std::next(written.begin())->first)).hasMatch());
    }
    EXPECT_EQ(fx::PageTexts(out).size(), 13u);

    // Outside test mode the folder is looked for, and a message says why it cannot be opened.
    std::filesystem::remove_all(folder);
    CShell::SetTestMode(false);
    Trigger("ID_OPEN_RESULT_FOLDER");
    CShell::SetTestMode(true);
    EXPECT_EQ(CMessageBox::TakeShownTexts(),
              QStringList {"The folder " + Q(folder) + " could not be opened: it does not exist."});
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
    Trigger("ID_OPTIONS_AUTO_BACKUP");
    Settings().SetSavePath(Path(""));
    // What is typed as the output, and what the message must name.
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {first, {"first.pdf"}},
        {"notes.txt", {"The merge output " + notes + " is not a PDF file, so it was left as it is."}},
        {"pipe", {"The merge output " + pipe + " is not a regular file"}},
        {out, {"first.pdf", "password"}},
    };
    for (const auto& [typed, expected] : cases) {
        SCOPED_TRACE(typed);
        // A source that gained a password after it was added.
        if (typed == out)
            MakePdf("first.pdf", 2, false, "secret");
        const auto before = FolderContents(m_tmp.Path());
        m_pFrame->GetOutputPathEdit()->selectAll();
        QTest::keyClicks(m_pFrame->GetOutputPathEdit(), Q(typed));

        Trigger("ID_FILE_CONVERT_MERGE");

        const QStringList shown = CMessageBox::TakeShownTexts();
        ASSERT_EQ(shown.size(), 1);
        for (const std::string& part : expected)
            EXPECT_TRUE(shown[0].contains(Q(part))) << shown[0].toStdString();
        EXPECT_EQ(FolderContents(m_tmp.Path()), before);
    }
}

// Document Properties protects the merged file for this session only; Split keeps a source's protection
// unless asked to remove it, which needs the owner password. The message first tells the protection.
TEST_F(ViewTest, AMergeIsProtectedAsAskedUntilTheEndAndASplitRemovesProtectionOnlyWithTheOwnerPassword)
{
    const std::string locked = m_tmp.File("locked.pdf");
    fx::WritePdf(locked, {.tag = "locked", .pages = 2, .ownerPassword = "o"});
    fx::WriteRepairablePdf(m_tmp.File("worn.pdf"), "W", 3); // its repair is told after the protection
    AddFiles({locked, m_tmp.File("worn.pdf")});
    const std::string out = m_tmp.File("out.pdf");
    m_pFrame->GetOutputPathEdit()->setText(Q(out));
    // The keys pressed in Document Properties ("": not opened), the message's first line, the status line's end.
    const std::tuple<const char*, std::string, const char*> merges[]
        = {{"", out + " is not password-protected; " + locked + " was", "password-protected, though a source was"},
           {"Alt+P Alt+O =U-open1 Tab =U-open1 Alt+M =O-perm1 Tab =O-perm1 Alt+I Return",
            out + " is protected with a password (AES-256). Printing is not allowed.",
            "out.pdf, protected with a password (AES-256)"}};
    for (const auto& [szKeys, first, szStatus] : merges) {
        if (*szKeys) {
            QTimer::singleShot(100, [szKeys] {
                ASSERT_TRUE(QTest::qWaitForWindowActive(QApplication::activeModalWidget()));
                PressKeys(szKeys);
            });
            Trigger("ID_OPTIONS_DOC_PROPERTIES");
        }
        Trigger("ID_FILE_CONVERT_MERGE");
        EXPECT_EQ(CMessageBox::TakeShownTexts().join("").section('\n', 0, 0).toStdString(), first);
        EXPECT_TRUE(m_pFrame->GetMessageText().endsWith(szStatus)) << m_pFrame->GetMessageText().toStdString();
    }
    const std::string encryption = fx::RunChild({"pdfinfo", "-upw", "U-open1", out}).out
        + fx::RunChild({"qpdf", "--show-encryption", "--password=O-perm1", out}).out;
    for (const char* szLine :
         {"algorithm:AES-256", "R = 6\n", "file encryption method: AESv3", "print high resolution: not allowed"})
        EXPECT_NE(encryption.find(szLine), std::string::npos) << szLine << encryption;

    // The part stays protected; asked to remove the protection without the owner password, Split refuses.
    Trigger("ID_FILE_CONVERT_SPLIT");
    const std::string part = ReadWholeFile(m_tmp.File("locked_p1-2.pdf"));
    EXPECT_EQ(fx::PdfInfo(m_tmp.File("locked_p1-2.pdf"))["Encrypted"].substr(0, 3), "yes");
    for (const Qt::Key key : {Qt::Key_Alt, Qt::Key_H, Qt::Key_N})
        QTest::keyClick(m_pFrame.get(), key);
    Trigger("ID_FILE_CONVERT_SPLIT");
    EXPECT_TRUE(CMessageBox::TakeShownTexts().join("").contains("removing it needs the owner password"));
    EXPECT_EQ(ReadWholeFile(m_tmp.File("locked_p1-2.pdf")), part);

    // Neither the passwords nor the options were kept anywhere.
    m_pFrame->close();
    ASSERT_TRUE(Settings().Save());
    const QRegularExpression kept("open1|perm1|protect|password", QRegularExpression::CaseInsensitiveOption);
    for (const std::string& file : {Ini(), QSettings().fileName().toStdString()})
        EXPECT_TRUE(Q(ReadWholeFile(file)).contains("[General]") && !Q(ReadWholeFile(file)).contains(kept)) << file;
    Restart();
    EXPECT_FALSE(Action("ID_OPTIONS_REMOVE_PROTECTION")->isChecked() || m_pFrame->GetMergeProtection().IsSet());
}

// A user without a mouse: Tab reaches the list, Space ticks, F2 edits the range cell after cell with
// digits only; a reader hears every control by name and each tick with its row's file.
TEST_F(ViewTest, TheWholeListIsReachedAndEditedFromTheKeyboardAndNamedForReaders)
{
    AddFiles({MakePdf("a.pdf", 5), MakePdf("b.pdf", 5)});
    m_pFrame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_pFrame.get()));
    m_pFrame->GetOutputPathEdit()->setFocus();
    for (int i = 0; i < 20 && QApplication::focusWidget() != List(); ++i)
        Do("key Tab");
    ASSERT_EQ(QApplication::focusWidget(), List());
    for (const char* szKey : {"Down", "Up", "Space", "F2", "X", "2", "Tab", "4", "Tab", "P", "Return"})
        Do(QStringLiteral("key %1").arg(QLatin1String(szKey)));
    EXPECT_EQ(Rows(), "[ ] a.pdf 5 2 4 p | [x] b.pdf 5 1 5 b");
    EXPECT_EQ(EnableStates(), "RA-d-SVB");
    EXPECT_EQ(List()->GetItemToolTipText(0, 3), QStringLiteral("1 \u2013 5"));

    const QAccessibleInterface* pCell = QAccessible::queryAccessibleInterface(List())->tableInterface()->cellAt(1, 0);
    EXPECT_EQ(pCell->text(QAccessible::Name) + (pCell->state().checkable && pCell->state().checked ? ", checked" : ""),
              "b.pdf, checked");
    for (QWidget* pWidget : m_pFrame->findChildren<QWidget*>()) {
        const bool bNamed = !QAccessible::queryAccessibleInterface(pWidget)->text(QAccessible::Name).isEmpty();
        const bool bFocusable = pWidget->isVisible() && pWidget->focusPolicy() != Qt::NoFocus;
        EXPECT_TRUE(bNamed || !bFocusable || pWidget->inherits("QScrollBar")) << pWidget->metaObject()->className();
    }

    // Delete and Ctrl+Up/Down work on the focused list, not in an edit cell nor in Merge Output.
    const std::string rows = Rows();
    for (const char* szKey : {"key Delete", "key Ctrl+Up", "key Ctrl+Down"}) {
        for (QLineEdit* pOutput : {static_cast<QLineEdit*>(nullptr), m_pFrame->GetOutputPathEdit()}) {
            Do(pOutput ? "click 1 1" : "click 1 3"); // row 1 selected, and its Begin Page edited
            if (pOutput)
                pOutput->setFocus();
            Do(QLatin1String(szKey));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            EXPECT_EQ(Rows(), rows) << szKey << (pOutput ? " in Merge Output" : " in a cell");
        }
    }
}

TEST_F(ViewTest, ColumnsShareTheListExactlyUntilTheUserDragsOneThenKeepItsWidthsAcrossResizesAndRuns)
{
    AddFiles(std::vector<std::string>(30, MakePdf("a.pdf", 1))); // rows enough for the vertical scroll bar
    QHeaderView* pHeader = List()->horizontalHeader();
    for (const int nFrameWidth : {1000, 1200, 1377}) {
        m_pFrame->resize(nFrameWidth, 600);
        QApplication::processEvents();
        EXPECT_EQ(pHeader->length(), List()->viewport()->width()) << nFrameWidth;
        EXPECT_TRUE(List()->verticalScrollBar()->isVisible() && !List()->horizontalScrollBar()->isVisible());
        // The file name takes the largest share, the check box the smallest.
        EXPECT_NEAR(List()->columnWidth(1), 19 * List()->columnWidth(0) / 3, 7);
    }
    // The user drags the right edge of "File Name" 60 pixels to the right.
    const int nDragged = List()->columnWidth(1) + 60;
    const QPoint edge(pHeader->sectionViewportPosition(2) - 1, pHeader->height() / 2);
    QTest::mousePress(pHeader->viewport(), Qt::LeftButton, {}, edge);
    QTest::mouseMove(pHeader->viewport(), edge + QPoint(60, 0));
    QTest::mouseRelease(pHeader->viewport(), Qt::LeftButton, {}, edge + QPoint(60, 0));
    m_pFrame->resize(1000, 700);
    Do("add b.pdf 1");
    EXPECT_EQ(List()->columnWidth(1), nDragged) << "after a resize and an added file";
    ASSERT_TRUE(Settings().Save());
    Restart();
    EXPECT_EQ(List()->columnWidth(1), nDragged) << "at the next start";
}

TEST_F(OutputPathRule, TypedTextBecomesTheFileTheMergeWrites)
{
    // "@" stands for the test's folder; in the expected paths "~/" stands for the home folder.
    // What is typed, the SavePath setting, the file the merge writes.
    const char* const rows[][3] = {
        {"bound", "@/", "@/bound.pdf"},
        {"bound", "@/last.pdf", "@/bound.pdf"},
        {"  Report.PDF ", "@/", "@/Report.PDF"},
        {"notes.txt", "@/", "@/notes.txt"},
        {"gamma.v2", "@/", "@/gamma.v2"},
        {"minutes 2024.03.12", "@/", "@/minutes 2024.03.12.pdf"},
        {"report.", "@/", "@/report.pdf"},
        {".hidden", "@/", "@/.hidden.pdf"},
        {"sub/part", "@/", "@/sub/part.pdf"},
        {"Books", "@/", "@/Books"}, // an existing folder: the merge says so
        {"later/", "@/", "@/later/"},
        {"/srv/out/bound", "@/", "/srv/out/bound.pdf"},
        {"~/bound", "@/", "~/bound.pdf"},
        {"~user/bound", "@/", "@/~user/bound.pdf"},
        {"bound", "~/Merged/", "~/Merged/bound.pdf"},
        {"bound", "relative/last.pdf", "~/relative/bound.pdf"},
        {"bound", "", "~/bound.pdf"},
        {" ", "@/", ""},
    };
    QDir().mkpath(Q(m_tmp.File("Books")));
    const QString szFolder = Q(m_tmp.Path().string());
    const QString szHome = QDir::homePath() + QLatin1Char('/');
    const auto expand = [&](QString szPath, bool bHome = false) {
        szPath.replace(QRegularExpression("^@"), szFolder);
        return bHome ? szPath.replace(QRegularExpression("^~/"), szHome) : szPath;
    };
    for (const auto& [szTyped, szSavePath, szExpected] : rows) {
        SCOPED_TRACE(std::string(szTyped) + " with SavePath " + szSavePath);
        EXPECT_EQ(COutputPathRule::Resolve(expand(szTyped), expand(szSavePath)), expand(szExpected, true));
    }
    EXPECT_EQ(COutputPathRule::Resolve(QStringLiteral("~"), szFolder + QLatin1Char('/')), QDir::homePath());
}
