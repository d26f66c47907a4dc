// SPDX-License-Identifier: Apache-2.0
#include "tests/app/AppFixture.h"

#include "engine/QpdfVersion.h"

namespace {

using MultiSelectDialog = AppFixture;

using MainFrame = FrameFixture;

// Notes the override cursor's shape (-1: none) at the moment the application's palette first changes.
struct CursorProbe : QObject
{
    bool eventFilter(QObject*, QEvent* pEvent) override
    {
        if (pEvent->type() == QEvent::ApplicationPaletteChange && !m_shape)
            m_shape = QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : -1;
        return false;
    }
    std::optional<int> m_shape;
};

// The contrast ratio of two colours as the accessibility guidelines define it, 1 to 21.
double Contrast(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& c) {
        const auto linear = [](float v) { return v <= 0.04045f ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF()) + 0.05;
    };
    return std::max(luminance(a), luminance(b)) / std::min(luminance(a), luminance(b));
}

} // namespace

TEST_F(MainFrame, EveryCommandIsOneActionSharedByRibbonMenuAndShortcut)
{
    // A second action for a command would leave a button or a shortcut behind when it is disabled.
    QStringList names;
    for (const QAction* pAction : m_pFrame->findChildren<QAction*>(QRegularExpression("^ID_")))
        names << pAction->objectName();
    EXPECT_GE(names.size(), 16 + 11 + 16);
    EXPECT_EQ(names.removeDuplicates(), 0);

    // The Home button, the application menu entry and Ctrl+O each run the one action, which asks for
    // the open dialog.
    QSignalSpy triggered(Action("ID_FILE_OPEN"), &QAction::triggered);
    CRibbonBar* pRibbon = m_pFrame->GetRibbonBar();
    QTest::mouseClick(Child<QToolButton>(*pRibbon->Category(0), "ID_FILE_OPEN"), Qt::LeftButton);
    pRibbon->ShowApplicationMenu();
    QTest::mouseClick(pRibbon->ApplicationMenu()->ButtonFor(Action("ID_FILE_OPEN")), Qt::LeftButton);
    m_pFrame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_pFrame.get()));
    QTest::keyClick(m_pFrame.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(triggered.count(), 3);
    EXPECT_EQ(CFileDialog::TakeShownTitles().size(), 3);
}

TEST_F(MainFrame, AutoOpenAndAutoBackupMarksShowWhatTheJobsWillDo)
{
    // A hand-edited 2 is off for the jobs, so the mark must not claim backups are made.
    WriteWholeFile(Ini(), "[General]\nOpenResult=0\nAutoBackup=2\n");
    Restart();
    // The ribbon's check box and the action are one command.
    auto* pBox = Child<QCheckBox>(*m_pFrame->GetRibbonBar(), "ID_OPTIONS_AUTO_OPEN");
    // Auto Backup's setting and mark, then Auto Open's setting, mark and check box.
    const auto marks = [&] {
        return QString::asprintf("%d%d %d%d%d", Settings().IsAutoBackupOn(),
                                 Action("ID_OPTIONS_AUTO_BACKUP")->isChecked(), Settings().IsOpenResultOn(),
                                 Action("ID_OPTIONS_AUTO_OPEN")->isChecked(), pBox->isChecked());
    };
    EXPECT_EQ(marks(), "00 000");
    Trigger("ID_OPTIONS_AUTO_BACKUP");
    EXPECT_EQ(marks(), "11 000");
    QTest::mouseClick(pBox, Qt::LeftButton);
    EXPECT_EQ(marks(), "11 111");
    Trigger("ID_OPTIONS_AUTO_OPEN");
    EXPECT_EQ(marks(), "11 000");
}

// A first merge into the documents folder asks for its file there, and a cancel merges nothing; Browse
// appends ".pdf", and puts the setting back into the edit whether confirmed or cancelled.
TEST_F(MainFrame, TheOutputFileIsAskedForAtAFirstMergeIntoAFolderAndOnBrowse)
{
    const QString szDocuments = Settings().SavePath();
    ASSERT_TRUE(QDir().mkpath(szDocuments));
    AddFiles({MakePdf("a.pdf", 2), MakePdf("b.pdf", 3)});
    CFileDialog::TakeShownPaths();
    EXPECT_EQ(m_pFrame->GetOutputPathText(), szDocuments);
    for (const QString& szAnswer : {QString(), szDocuments + "First"}) {
        CFileDialog::SetNextFileName(szAnswer);
        Trigger("ID_FILE_CONVERT_MERGE");
        EXPECT_EQ(CFileDialog::TakeShownPaths(), QStringList {szDocuments + "Merged.pdf"});
        EXPECT_EQ(CMessageBox::TakeShownTexts(), QStringList());
        EXPECT_EQ(QDir(szDocuments).entryList(QDir::Files),
                  szAnswer.isEmpty() ? QStringList() : QStringList {"First.pdf"});
    }
    const QString szOut = szDocuments + "First.pdf";
    EXPECT_EQ(std::pair(Settings().SavePath(), m_pFrame->GetOutputPathText()), std::pair(szOut, szOut));
    fx::ExpectSound(szOut.toStdString(), fx::Pages({{"a", 1, 2}, {"b", 1, 3}}));

    QLineEdit* pEdit = m_pFrame->GetOutputPathEdit();
    for (const auto& [chosen, expected] :
         {std::pair {Path("merged"), Path("merged.pdf")}, {Path("B.PDF"), Path("B.PDF")}}) {
        CFileDialog::SetNextFileName(chosen);
        Trigger("ID_OPTIONS_OUTPUT_PATH_BUTTON");
        EXPECT_EQ(std::pair(Settings().SavePath(), pEdit->text()), std::pair(expected, expected));
    }
    // Typing changes only the edit; a cancelled browse puts the setting back into it.
    QTest::keyClicks(pEdit, QStringLiteral("-typed"));
    EXPECT_EQ(std::pair(m_pFrame->GetOutputPathText(), Settings().SavePath()),
              std::pair(Path("B.PDF") + QStringLiteral("-typed"), Path("B.PDF")));
    Trigger("ID_OPTIONS_OUTPUT_PATH_BUTTON");
    EXPECT_EQ(pEdit->text(), Path("B.PDF"));
    // Each browse opens in the folder of the output as it stands.
    EXPECT_EQ(CFileDialog::TakeShownPaths().mid(1), QStringList(2, Q(m_tmp.Path().string())));
}

// Every look of the Style menu switched at run time, one after another: each takes its palette under a
// wait cursor, the list's column titles are drawn in the look's button text at once, and menus draw their
// marks (in their button text) readably on their base colour. In every look disabled texts keep 3:1 to
// each fill the ribbon draws them on.
TEST_F(MainFrame, EveryLookTakesEffectAtOnceReadablyUnderAWaitCursorKeepsOneMarkAndIsReadBackAtTheNextStart)
{
    CursorProbe probe;
    qApp->installEventFilter(&probe);
    QHeaderView* pHeader = List()->horizontalHeader();
    for (QAction* pLook : m_pFrame->GetStyleMenu()->actions()) {
        SCOPED_TRACE(pLook->text().toStdString());
        Trigger(pLook->objectName().toUtf8().constData());
        const QImage header = pHeader->grab().toImage();
        bool bInk = false;
        for (int x = pHeader->sectionViewportPosition(1); x < pHeader->sectionViewportPosition(2); ++x)
            bInk |= header.pixelColor(x, header.height() / 2) == QApplication::palette().color(QPalette::ButtonText);
        EXPECT_TRUE(bInk) << "the caption in the button text colour";
        const QPalette menu = m_pFrame->GetStyleMenu()->palette();
        EXPECT_GE(Contrast(menu.color(QPalette::ButtonText), menu.color(QPalette::Base)), 3.0);
    }
    qApp->removeEventFilter(&probe);
    EXPECT_EQ(probe.m_shape, Qt::WaitCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    for (int nLook = ID_VIEW_APPLOOK_WIN_2000; nLook <= ID_VIEW_APPLOOK_WINDOWS_7; ++nLook) {
        const QPalette pal = CAppLook::Palette(nLook);
        for (const QPalette::ColorRole role : {QPalette::Window, QPalette::Button, QPalette::Light})
            EXPECT_GE(Contrast(pal.color(QPalette::Disabled, QPalette::ButtonText), pal.color(role)), 3.0)
                << nLook << " on " << role;
    }

    // The looks without a menu item come from earlier versions' settings; 211 has no drawing of its
    // own and draws as Office 2007 in the colour chosen last (Aqua, the menu's last). The look stored
    // (0: as last chosen), the palette it takes, then its style, the list's drawing, the ribbon's and
    // the style menu's marks.
    for (const auto& [nStored, nPalette, szLook] :
         {std::tuple {0, 218, "fusion, themed, Office 2007 ribbon, &Aqua Style"},
          {205, 205, "windows, classic, Office 2007 ribbon"},
          {211, 218, "fusion, themed, Office 2007 ribbon"},
          {219, 219, "fusion, themed, Windows 7 ribbon"}}) {
        SCOPED_TRACE(nStored);
        if (nStored)
            QSettings().setValue(QStringLiteral("ApplicationLook"), nStored);
        Restart();
        QStringList look {QApplication::style()->name().toLower(), CXThemeHelper().IsAppThemed() ? "themed" : "classic",
                          m_pFrame->GetRibbonBar()->IsWindows7Look() ? "Windows 7 ribbon" : "Office 2007 ribbon"};
        for (QAction* pAction : m_pFrame->GetStyleMenu()->actions())
            if (pAction->isChecked())
                look << pAction->text();
        EXPECT_EQ(look.join(", "), QLatin1String(szLook));
        EXPECT_EQ(QApplication::palette().color(QPalette::Window), CAppLook::Palette(nPalette).color(QPalette::Window));
    }
}

TEST_F(MainFrame, HelpShowsTheGuideTheVersionsAndOpensOnlyTheAddressesTheBuildWasGiven)
{
    // Online Help shows the guide compiled in, starting with its first heading.
    Trigger("ID_HELP_ONLINE_HELP");
    auto* pGuide = Child<QTextBrowser>(*m_pFrame, "IDC_HELP_TEXT");
    ASSERT_NE(pGuide, nullptr);
    const std::string guide = ReadWholeFile(QUIRE_SOURCE_DIR "/docs/USER-GUIDE.md");
    EXPECT_EQ(pGuide->document()->firstBlock().text().toStdString(), guide.substr(2, guide.find('\n') - 2));
    // Its one link, reached with Tab and followed with Enter, leads to the heading it names.
    pGuide->setFocus();
    QTest::keyClick(pGuide, Qt::Key_Tab);
    QTest::keyClick(pGuide, Qt::Key_Return);
    EXPECT_EQ(pGuide->textCursor().block().text(), QStringLiteral("Keyboard"));

    // About, from the application menu, names the versions this program runs with.
    CRibbonBar* pRibbon = m_pFrame->GetRibbonBar();
    pRibbon->ShowApplicationMenu();
    QTest::mouseClick(pRibbon->ApplicationMenu()->ButtonFor(Action("ID_APP_ABOUT")), Qt::LeftButton);
    const QString szAbout = Child<QLabel>(*m_pFrame, "IDC_ABOUT_TEXT")->text();
    for (const QString& szPart : {QStringLiteral("Quire Binder " QUIRE_VERSION), QStringLiteral("Apache-2.0"),
                                  QStringLiteral("Qt %1").arg(qVersion()), "qpdf " + Q(quire::QpdfVersion())})
        EXPECT_TRUE(szAbout.contains(szPart)) << szPart.toStdString();

    // Homepage and Support Email open what the build was given, and are hidden without it; nothing else
    // opened anything.
    const QString szEmail = QStringLiteral(QUIRE_SUPPORT_EMAIL);
    for (const auto& [szName, szOpened] :
         {std::pair {"ID_HELP_HOMEPAGE", QStringLiteral(QUIRE_HOMEPAGE_URL)},
          {"ID_HELP_SUPPORT_EMAIL", szEmail.isEmpty() ? szEmail : "mailto:" + szEmail + "?subject=Quire%20Binder"}}) {
        EXPECT_EQ(Action(szName)->isVisible(), !szOpened.isEmpty()) << szName;
        if (!szOpened.isEmpty())
            Trigger(szName);
        EXPECT_EQ(CShell::TakeOpened(), szOpened.isEmpty() ? QStringList() : QStringList {szOpened}) << szName;
    }

    m_pFrame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_pFrame.get()));
    QTest::keyClick(m_pFrame.get(), Qt::Key_Alt);
    EXPECT_EQ(pRibbon->VisibleKeyTips(), (QStringList {"F", "H", "J", "V", "E", "Z", "Y", "S"}));
    // Alt, E shows the Help tab; its letters lead to the commands shown: C says which version runs.
    QTest::keyClick(m_pFrame.get(), Qt::Key_E);
    EXPECT_EQ(pRibbon->VisibleKeyTips().join(""),
              QStringLiteral("O%1C%2A").arg(*QUIRE_SUPPORT_EMAIL ? "E" : "", *QUIRE_HOMEPAGE_URL ? "H" : ""));
    QTest::keyClick(m_pFrame.get(), Qt::Key_C);
    EXPECT_FALSE(pRibbon->IsKeyTipMode());
    const QStringList shown = CMessageBox::TakeShownTexts();
    EXPECT_TRUE(shown.size() == 1 && shown[0].contains(QUIRE_VERSION) && shown[0].contains("packages"))
        << shown.join("").toStdString();
    // Alt, H, B toggles Auto Backup through its check box.
    for (const Qt::Key key : {Qt::Key_Alt, Qt::Key_H, Qt::Key_B})
        QTest::keyClick(m_pFrame.get(), key);
    EXPECT_FALSE(Settings().IsAutoBackupOn());
}

// Each control of the Split panel, worked from the keyboard, changes its setting at once: the split
// job is given what the panel shows, only the count of the mode shown is enabled, and the next start
// shows it again from Settings.ini. Single pages is every 1 page; Every N pages offers 2 and up.
TEST_F(MainFrame, TheSplitPanelAndTheNestingBoxGiveTheJobsTheirOptionsAndComeBackAtTheNextStart)
{
    // Values a hand-edited Settings.ini may hold read as the nearest the panel offers.
    WriteWholeFile(Ini(), "[General]\nOpenResult=0\n[Split]\nMode=7\nEvery=0\nLevel=500\n");
    Restart();
    const auto child = [this](const char* szName) { return Child<QWidget>(*m_pFrame->GetRibbonBar(), szName); };
    const auto mode = [&] { return static_cast<QComboBox*>(child("ID_SPLIT_MODE")); };
    // Each control: the word of its steps, its name, and the name assistive tools hear (its label's).
    const std::tuple<QString, const char*, const char*> controls[] = {{"mode", "ID_SPLIT_MODE", "Split"},
                                                                      {"every", "ID_SPLIT_EVERY", "Pages per part"},
                                                                      {"level", "ID_SPLIT_LEVEL", "Bookmark level"},
                                                                      {"names", "ID_SPLIT_NAME_TEMPLATE", "Part names"},
                                                                      {"folder", "ID_SPLIT_FOLDER", "Split folder"}};
    // "mode TEXT" picks the mode with the arrow keys, "every N" and "level N" type into their boxes,
    // "names TEXT" and "folder TEXT" into theirs, "browse FOLDER" chooses it in the folder dialog.
    const auto step = [&](const QString& szStep) {
        const QString szWord = szStep.section(' ', 0, 0), szRest = szStep.section(' ', 1);
        if (szWord == "browse") {
            CFileDialog::SetNextFileName(Path(szRest.toStdString()));
            return Trigger("ID_SPLIT_FOLDER_BUTTON");
        }
        QWidget* pControl = child(std::get<1>(*std::find_if(std::begin(controls), std::end(controls),
                                                            [&](auto& c) { return std::get<0>(c) == szWord; })));
        ASSERT_TRUE(pControl->isEnabled()) << szStep.toStdString();
        pControl->setFocus();
        if (szWord == "mode") {
            while (mode()->currentText() != szRest)
                QTest::keyClick(pControl,
                                mode()->findText(szRest) > mode()->currentIndex() ? Qt::Key_Down : Qt::Key_Up);
            return;
        }
        QTest::keyClick(pControl, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(pControl, szRest);
    };
    // The step, then the mode shown with "N" or "L" for an enabled count or level, and the split's
    // mode, pages per part, level, name template and folder.
    const std::tuple<const char*, const char*, int, int, int, const char*, std::string> rows[] = {
        {"", "Page range", 0, 1, 99, "", ""},
        {"mode Every N pages", "Every N pages N", 1, 2, 99, "", ""},
        {"every 17", "Every N pages N", 1, 17, 99, "", ""},
        {"mode At bookmarks", "At bookmarks L", 2, 17, 99, "", ""},
        {"level 2", "At bookmarks L", 2, 17, 2, "", ""},
        {"mode Single pages", "Single pages", 1, 1, 2, "", ""},
        {"names  {n} {bookmark}", "Single pages", 1, 1, 2, "{n} {bookmark}", ""},
        {"folder parts", "Single pages", 1, 1, 2, "{n} {bookmark}", m_tmp.File("parts")},
        {"mode Every N pages", "Every N pages N", 1, 2, 2, "{n} {bookmark}", m_tmp.File("parts")},
        {"browse out", "Every N pages N", 1, 2, 2, "{n} {bookmark}", m_tmp.File("out")},
        {"mode Page range", "Page range", 0, 2, 2, "{n} {bookmark}", m_tmp.File("out")},
    };
    for (const auto& [szStep, szShown, nMode, nEvery, nLevel, szNames, folder] : rows) {
        SCOPED_TRACE(szStep);
        // NOTE: a relative folder is taken from the home folder, which is the test's own.
        if (*szStep)
            step(QLatin1String(szStep));
        for (const bool bRestarted : {false, true}) {
            SCOPED_TRACE(bRestarted ? "after a restart" : "");
            QCoreApplication::processEvents();
            EXPECT_EQ(mode()->currentText() + (child("ID_SPLIT_EVERY")->isEnabled() ? " N" : "")
                          + (child("ID_SPLIT_LEVEL")->isEnabled() ? " L" : ""),
                      QLatin1String(szShown));
            const quire::SplitOptions options = SplitOptionsOf(MakeConvertJob(0, {}, Settings(), ""));
            EXPECT_EQ(std::tuple(static_cast<int>(options.mode), options.everyPages, options.bookmarkLevel,
                                 options.nameTemplate, options.folder),
                      std::tuple(nMode, nEvery, nLevel, std::string(szNames), folder));
            ASSERT_TRUE(Settings().Save());
            Restart();
        }
    }

    // The nesting box is clicked on its tab; the merge takes it, and so does the next start.
    for (const bool bOn : {true, false}) {
        m_pFrame->GetRibbonBar()->SetActiveCategory(1);
        QCoreApplication::processEvents();
        QTest::mouseClick(static_cast<QCheckBox*>(child("ID_OPTIONS_NEST_BOOKMARKS")), Qt::LeftButton);
        EXPECT_EQ(MergeOptionsOf(MakeConvertJob(1, {}, Settings(), "")).nestBookmarks, bOn);
        ASSERT_TRUE(Settings().Save());
        Restart();
        EXPECT_EQ(static_cast<QCheckBox*>(child("ID_OPTIONS_NEST_BOOKMARKS"))->isChecked(), bOn);
    }
    // Each control is named by its label and reached by a key tip.
    for (const auto& [szWord, szName, szAccessible] : controls)
        EXPECT_EQ(child(szName)->accessibleName(), QLatin1String(szAccessible));
    m_pFrame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_pFrame.get()));
    for (const Qt::Key key : {Qt::Key_Alt, Qt::Key_J, Qt::Key_G})
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : m_pFrame.get(), key);
    EXPECT_EQ(QApplication::focusWidget(), child("ID_SPLIT_NAME_TEMPLATE"));
}

TEST_F(MainFrame, StatusBarShowsCommandDescriptionsAndTheLockKeys)
{
    EXPECT_EQ(m_pFrame->GetMessageText(), QStringLiteral("Ready"));
    // The status tip a button sends when the pointer enters it shows over the pane; once it goes,
    // the pane is idle again.
    QToolButton* pExit = m_pFrame->GetRibbonBar()->ApplicationMenu()->ButtonFor(Action("ID_APP_EXIT"));
    for (const auto& [szTip, szShown] :
         {std::pair {pExit->statusTip(), "Quit the Application"}, {QString(), "Ready"}}) {
        QStatusTipEvent hover(szTip);
        QApplication::sendEvent(pExit, &hover);
        EXPECT_EQ(m_pFrame->GetMessageText(), QLatin1String(szShown));
    }

    const bool bScroll = m_pFrame->GetIndicator(2)->isEnabled();
    QTest::keyClick(m_pFrame.get(), Qt::Key_ScrollLock);
    EXPECT_NE(m_pFrame->GetIndicator(2)->isEnabled(), bScroll);
}

TEST_F(MainFrame, IntakeAddsTheAcceptedFilesInOrderNamesEveryFileNotAddedOncePerIntakeAndRemembersTheRecentOnes)
{
    const std::string a = MakePdf("a.v2.pdf", 2), b = MakePdf("b.PDF", 3, true), c = MakePdf("c.txt", 1);
    const std::string xpdf = MakePdf("report.xpdf", 1), notPdf = m_tmp.File("fake.pdf"),
                      damaged = m_tmp.File("broken.pdf");
    fx::WriteNotPdf(notPdf);
    fx::WriteDamagedPdf(damaged);

    // The open dialog takes a ".pdf" extension in any case and names, in order, what it does not add;
    // a file with an outline gets no bookmark text. It opens in the documents folder, then in the
    // folder files were added from.
    AddFiles({notPdf, a, b, c, damaged});
    AddFiles({});
    EXPECT_EQ(CFileDialog::TakeShownPaths(), (QStringList {Settings().SavePath(), Q(m_tmp.Path().string())}));
    EXPECT_EQ(List()->GetHeaderCheckedState(0), 2);
    const QStringList shown = CMessageBox::TakeShownTexts();
    ASSERT_EQ(shown.size(), 1);
    qsizetype nAt = 0;
    for (const QString& szNamed : {Q(notPdf), Q(c) + " is not a PDF file", Q(damaged)})
        EXPECT_GT(nAt = shown[0].indexOf(szNamed, nAt), 0) << szNamed.toStdString() << " after the one before";
    // Only what was added goes on the recent files, the last one first, in the list and the menu.
    QCoreApplication::processEvents();
    EXPECT_EQ(Action("ID_FILE_MRU_FILE1")->text(), QStringLiteral("&1 b.PDF"));
    // A recent entry adds its file again; one whose file has gone is named and taken off the list.
    const auto state = [&] {
        return Rows() + " / " + Settings().RecentFiles().Entries().join(' ').toStdString() + " / "
            + CMessageBox::TakeShownTexts().join(" + ").toStdString();
    };
    EXPECT_EQ(state(), "[x] a.v2.pdf 2 1 2 a.v2 | [x] b.PDF 3 1 3  / " + b + ' ' + a + " / ");
    Trigger("ID_FILE_REMOVE_ALL");
    std::filesystem::rename(b, b + ".gone");
    Trigger("ID_FILE_MRU_FILE1");
    EXPECT_EQ(state(), " / " + a + " / " + b + " no longer exists, so it was taken off the Recent Files list.");
    Trigger("ID_FILE_MRU_FILE1");
    WaitForIntake();
    EXPECT_EQ(state(), "[x] a.v2.pdf 2 1 2 a.v2 / " + a + " / ");

    // A drop while the open dialog's files are read waits for them. It tests only the last three
    // characters; nothing it passes over is named, and each intake names its own unreadable files.
    CFileDialog::SetNextFileNames({Q(damaged), Q(a)});
    Trigger("ID_FILE_OPEN");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Q(xpdf)), QUrl::fromLocalFile(Q(c)), QUrl::fromLocalFile(Q(damaged))});
    const QPoint at = m_pFrame->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    for (QDropEvent* pEvent : std::initializer_list<QDropEvent*> {&enter, &drop})
        EXPECT_TRUE(QApplication::sendEvent(m_pFrame.get(), pEvent) && pEvent->isAccepted());
    WaitForIntake();
    EXPECT_TRUE(
        state().starts_with("[x] a.v2.pdf 2 1 2 a.v2 | [x] a.v2.pdf 2 1 2 a.v2 | [x] report.xpdf 1 1 1 report / " + xpdf
                            + ' ' + a + " / This file was not added to the list:\n\n" + damaged))
        << state();

    // Nothing added to an empty list: the prompt comes back.
    Trigger("ID_FILE_REMOVE_ALL");
    AddFiles({c});
    EXPECT_EQ(List()->GetNoItemsMessage(), QLatin1String(CMainFrame::kPromptText));
}

TEST_F(MainFrame, IntakeRunsOnAWorkerCountingTheFilesAndACancelOrCloseAddsNoRowAfterIt)
{
    AddFiles({MakePdf("one.pdf", 1), MakePdf("two.pdf", 1)});
    const std::string model = MakePdf("model.pdf", 20);
    std::vector<std::string> copies;
    for (int i = 0; i < 300; ++i)
        std::filesystem::copy_file(
            model, copies.emplace_back(m_tmp.File(QString::asprintf("copy-%03d.pdf", i).toStdString())));
    for (const std::string stop : {"IntakeCancel", "close"}) {
        SCOPED_TRACE(stop);
        const int nBefore = List()->GetItemCount();
        // The rows added, whether Merge and Split may run, whether the window and Cancel show, the status line.
        const auto state = [&] {
            return QString::asprintf("%d rows, %d%d %d%d, ", List()->GetItemCount() - nBefore,
                                     Action("ID_FILE_CONVERT_MERGE")->isEnabled(),
                                     Action("ID_FILE_CONVERT_SPLIT")->isEnabled(), m_pFrame->isVisible(),
                                     Child<QPushButton>(*m_pFrame, "IntakeCancel")->isVisible())
                + m_pFrame->GetMessageText();
        };
        // At the first rows, once the status line has caught up with them, the state; then stop.
        QString szSeen;
        QObject::connect(
            m_pView, &CQuireView::jobListChanged, m_pFrame.get(),
            [&] {
                szSeen = state();
                if (stop == "close")
                    m_pFrame->close();
                else
                    QTest::mouseClick(Child<QPushButton>(*m_pFrame, "IntakeCancel"), Qt::LeftButton);
            },
            Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
        AddFiles(copies);

        const int nAdded = List()->GetItemCount() - nBefore;
        ASSERT_TRUE(nAdded > 0 && nAdded < std::ssize(copies)) << nAdded;
        EXPECT_EQ(szSeen,
                  QString::asprintf("%d rows, 00 11, Adding %d of 300: copy-%03d.pdf", nAdded, nAdded + 1, nAdded));
        // Ready for the jobs again, or closed.
        EXPECT_EQ(state(), QString::asprintf("%d rows, 11 %d0, Ready", nAdded, stop != "close"));
        for (int i = 0; i < nAdded; ++i)
            EXPECT_EQ(List()->GetItemText(nBefore + i, 1), QString::asprintf("copy-%03d.pdf", i));
        EXPECT_EQ(Settings().RecentFiles().Entry(0), Q(copies[nAdded - 1]));
        EXPECT_TRUE(CMessageBox::TakeShownTexts().isEmpty());
    }
}

TEST_F(MainFrame, TheMinimumSizeFitsTheScreenAndAt900By600TheRibbonKeepsTheMainTexts)
{
    CRibbonCategory* pHome = m_pFrame->GetRibbonBar()->Category(0);
    EXPECT_EQ(m_pFrame->windowTitle(), QStringLiteral("Quire Binder"));
    m_pFrame->resize(1600, 700);
    QApplication::processEvents();
    for (CRibbonPanel* pPanel : pHome->Panels())
        EXPECT_FALSE(pPanel->IsCompact()) << pPanel->Name().toStdString();

    // The list commands give up their texts first.
    m_pFrame->resize(900, 600);
    QApplication::processEvents();
    QStringList texts;
    for (QToolButton* pButton : pHome->findChildren<QToolButton*>(QRegularExpression("^ID_")))
        if (pButton->toolButtonStyle() == Qt::ToolButtonTextUnderIcon)
            texts << pButton->objectName();
    EXPECT_EQ(texts.join(' '),
              "ID_FILE_OPEN ID_FILE_CONVERT_MERGE ID_OPTIONS_DOC_PROPERTIES ID_BUTTON2 "
              "ID_FILE_CONVERT_SPLIT");

    // The smallest size is 900 x 600 where the screen has room for it, else the window with its frame
    // takes the screen's available area; every element shows unclipped.
    m_pFrame->resize(400, 300);
    QApplication::processEvents();
    const QSize available = m_pFrame->screen()->availableGeometry().size();
    const QSize framed = m_pFrame->frameGeometry().size();
    if (available.width() >= 1000 && available.height() >= 700)
        EXPECT_EQ(m_pFrame->size(), QSize(900, 600));
    else
        EXPECT_EQ(framed.boundedTo(available), framed);
    for (QToolButton* pButton : pHome->findChildren<QToolButton*>())
        EXPECT_GE(pButton->width(), pButton->sizeHint().width()) << pButton->objectName().toStdString();
    std::printf("on a screen of %dx%d\n", available.width(), available.height());
}

TEST_F(MainFrame, OnAScreenTooSmallForTheMinimumSizeTheWindowStillFits)
{
    // A screen of 1600 x 1000 pixels, at twice the usual scale: 800 x 500 for the window.
    const std::string config = m_tmp.File("screen.json");
    WriteWholeFile(config,
                   R"({"screens": [{"name": "big", "x": 0, "y": 0, "width": 1600, "height": 1000,)"
                   R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    for (const auto& [szScale, szScreen] : {std::pair {"1", "1600x1000"}, {"2", "800x500"}}) {
        SCOPED_TRACE(szScale);
        const fx::ChildResult child = fx::RunChild(
            {"env", "QT_QPA_PLATFORM=offscreen:configfile=" + config, std::string("QT_SCALE_FACTOR=") + szScale,
             QCoreApplication::applicationFilePath().toStdString(),
             "--gtest_filter=MainFrame.TheMinimumSizeFitsTheScreenAndAt900By600TheRibbonKeepsTheMainTexts"});
        EXPECT_EQ(child.exitCode, 0) << child.out;
        EXPECT_NE(child.out.find(std::string("on a screen of ") + szScreen), std::string::npos) << child.out;
    }
}

TEST_F(MainFrame, TheWindowComesBackWhereItWasLeftMaximisedOrNot)
{
    for (const bool bMaximised : {false, true}) {
        SCOPED_TRACE(bMaximised);
        m_pFrame->move(40, 30);
        const QPoint at = m_pFrame->normalGeometry().topLeft();
        if (bMaximised)
            m_pFrame->showMaximized();
        Trigger("ID_APP_EXIT");
        EXPECT_FALSE(m_pFrame->isVisible());
        Restart();
        EXPECT_EQ(std::pair(m_pFrame->isMaximized(), m_pFrame->normalGeometry().topLeft()), std::pair(bMaximised, at));
    }
}

TEST_F(MultiSelectDialog, GivesEverySelectedPathInOrderWithoutALimitAndNoneAfterCancel)
{
    const QString szFilter = QStringLiteral("PDF File (*.pdf)|*.pdf|All Files (*.*)|*.*||");
    CMultiSelectFileDialog dialog(true, QStringLiteral("pdf"), QString(), CMultiSelectFileDialog::OFN_ALLOWMULTISELECT,
                                  szFilter);
    CMultiSelectFileDialog single(true, QString(), QString(), 0, QString());
    QStringList chosen;
    for (int i = 0; i < 5000; ++i)
        chosen.append(QStringLiteral("/a/rather/long/folder/name/for/the/selection/file-%1.pdf").arg(i));
    // Without multiple selection only the first path counts.
    for (CMultiSelectFileDialog* pFileDialog : {&dialog, &single}) {
        CFileDialog::SetNextFileNames(chosen);
        ASSERT_EQ(pFileDialog->DoModal(), CMultiSelectFileDialog::IDOK);
        QStringList paths;
        for (CMultiSelectFileDialog::POSITION pos = pFileDialog->GetStartPosition(); pos;)
            paths.append(pFileDialog->GetNextPathName(pos));
        EXPECT_EQ(paths, pFileDialog == &dialog ? chosen : chosen.mid(0, 1));
    }

    EXPECT_EQ(dialog.DoModal(), CMultiSelectFileDialog::IDCANCEL);
    EXPECT_EQ(dialog.GetStartPosition(), 0);
    CMultiSelectFileDialog::POSITION pos = 0;
    EXPECT_TRUE(dialog.GetNextPathName(pos).isEmpty());

    // Classic filters become Qt filters; *.* means every file.
    for (const auto& [classic, qt] : {std::pair {szFilter, "PDF File (*.pdf);;All Files (*)"},
                                      {"PDF File(*.pdf)|*.pdf;||", "PDF File (*.pdf)"},
                                      {"Images|*.png;*.jpg||", "Images (*.png *.jpg)"},
                                      {QString(), ""}})
        EXPECT_EQ(CMultiSelectFileDialog::ToQtFilter(classic), QLatin1String(qt));
}
