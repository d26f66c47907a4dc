// SPDX-License-Identifier: Apache-2.0
#include "app/CMainFrame.h"
#include "app/CAppLook.h"
#include "app/CommandIds.h"
#include "controls/CRibbonApplicationMenu.h"
#include "controls/CRibbonBar.h"
#include "controls/CRibbonCategory.h"
#include "controls/CRibbonPanel.h"
#include "controls/CXThemeHelper.h"
#include "tests/app/AppFixture.h"
#include "tests/app/RecordingListView.h"
#include "tests/support/PdfFixtures.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <memory>

namespace {

class MainFrame : public AppFixture
{
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        m_pFrame = std::make_unique<CMainFrame>(m_app);
        m_pView = new RecordingListView;
        m_pFrame->SetView(m_pView, m_pView);
    }
    void TearDown() override
    {
        m_pFrame.reset();
        AppFixture::TearDown();
    }

    void ShowActive()
    {
        m_pFrame->show();
        m_pFrame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_pFrame.get()));
    }
    QAction* Action(const char* szName) const
    {
        QAction* pAction = m_pFrame->findChild<QAction*>(QLatin1String(szName));
        EXPECT_NE(pAction, nullptr) << szName;
        return pAction;
    }
    QString Pdf(const std::string& name, int nPages = 2)
    {
        quire::fixtures::PdfSpec desc;
        desc.tag = name;
        desc.pages = nPages;
        quire::fixtures::WritePdf(m_tmp.File(name), desc);
        return Path(name);
    }
    void Drop(const QStringList& paths)
    {
        QList<QUrl> urls;
        for (const QString& szPath : paths)
            urls.append(QUrl::fromLocalFile(szPath));
        QMimeData data;
        data.setUrls(urls);
        const QPoint at(m_pFrame->width() / 2, m_pFrame->height() / 2);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_pFrame.get(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_pFrame.get(), &drop);
        EXPECT_TRUE(drop.isAccepted());
        // The files are taken after the drop has returned.
        QApplication::processEvents();
    }

    std::unique_ptr<CMainFrame> m_pFrame;
    RecordingListView* m_pView = nullptr;
};

// Notes the override cursor at the moment the application's palette changes.
class WaitCursorProbe : public QObject
{
public:
    bool eventFilter(QObject*, QEvent* pEvent) override
    {
        if (pEvent->type() == QEvent::ApplicationPaletteChange && !m_bSeen) {
            m_bSeen = true;
            const QCursor* pCursor = QApplication::overrideCursor();
            m_bWaitCursor = pCursor && pCursor->shape() == Qt::WaitCursor;
        }
        return false;
    }
    bool m_bSeen = false;
    bool m_bWaitCursor = false;
};

} // namespace

TEST_F(MainFrame, EveryCommandIsOneActionSharedByRibbonMenuAndShortcut)
{
    // A second action for a command would leave a button or a shortcut behind when it is disabled.
    for (const char* szName :
         {"ID_FILE_OPEN", "ID_FILE_REMOVE", "ID_FILE_REMOVE_ALL", "ID_FILE_MOVE_UP", "ID_FILE_MOVE_DOWN",
          "ID_FILE_CONVERT_MERGE", "ID_FILE_CONVERT_SPLIT", "ID_FILE_VIEW_SELECTION", "ID_BUTTON2",
          "ID_OPTIONS_OUTPUT_PATH_BUTTON", "ID_OPTIONS_AUTO_BACKUP", "ID_OPTIONS_AUTO_OPEN",
          "ID_OPTIONS_DOC_PROPERTIES", "ID_HELP_ONLINE_HELP", "ID_APP_EXIT", "ID_RIBBON_STYLE"})
        EXPECT_EQ(m_pFrame->findChildren<QAction*>(QLatin1String(szName)).size(), 1) << szName;

    // Given the Home button, the application menu entry and Ctrl+O
    QAction* pOpen = Action("ID_FILE_OPEN");
    QSignalSpy triggered(pOpen, &QAction::triggered);
    CRibbonBar* pRibbon = m_pFrame->GetRibbonBar();
    auto* pHomeButton = pRibbon->Category(0)->findChild<QToolButton*>(QStringLiteral("ID_FILE_OPEN"));
    ASSERT_NE(pHomeButton, nullptr);
    // When each is used
    QTest::mouseClick(pHomeButton, Qt::LeftButton);
    pRibbon->ShowApplicationMenu();
    QTest::mouseClick(pRibbon->ApplicationMenu()->ButtonFor(pOpen), Qt::LeftButton);
    ShowActive();
    QTest::keyClick(m_pFrame.get(), Qt::Key_O, Qt::ControlModifier);
    // Then the one action ran each time, and each time it asked for the open dialog
    EXPECT_EQ(triggered.count(), 3);
    EXPECT_EQ(CFileDialog::TakeShownTitles().size(), 3);
}

TEST_F(MainFrame, WithoutAViewOnlyAddingAndViewingTheResultAreEnabled)
{
    // With a view, the view decides its own commands: the frame asks it every time.
    m_pView->m_nUpdates = 0;
    m_pFrame->UpdateCommandUI();
    EXPECT_EQ(m_pView->m_nUpdates, 1);

    CMainFrame bare(m_app);
    auto enabled = [&bare](const char* szName) { return bare.findChild<QAction*>(QLatin1String(szName))->isEnabled(); };
    for (const char* szName : {"ID_FILE_REMOVE", "ID_FILE_REMOVE_ALL", "ID_FILE_MOVE_UP", "ID_FILE_MOVE_DOWN",
                               "ID_FILE_CONVERT_MERGE", "ID_FILE_CONVERT_SPLIT", "ID_FILE_VIEW_SELECTION"})
        EXPECT_FALSE(enabled(szName)) << szName;
    EXPECT_TRUE(enabled("ID_BUTTON2"));
    EXPECT_TRUE(enabled("ID_FILE_OPEN"));
}

TEST_F(MainFrame, AutoOpenAndAutoBackupToggleAndTheirMarksFollowTheSettings)
{
    auto* pBox = m_pFrame->GetRibbonBar()->findChild<QCheckBox*>(QStringLiteral("ID_OPTIONS_AUTO_OPEN"));
    ASSERT_NE(pBox, nullptr);
    EXPECT_TRUE(pBox->isChecked());
    QTest::mouseClick(pBox, Qt::LeftButton);
    EXPECT_EQ(m_app.m_nOpenResult, 0);
    EXPECT_FALSE(Action("ID_OPTIONS_AUTO_OPEN")->isChecked());
    Action("ID_OPTIONS_AUTO_OPEN")->trigger();
    EXPECT_EQ(m_app.m_nOpenResult, 1);
    EXPECT_TRUE(pBox->isChecked());

    // A hand-edited 2 is off for the jobs, so the mark must not claim backups are made.
    QAction* pBackup = Action("ID_OPTIONS_AUTO_BACKUP");
    m_app.m_nAutoBackup = 2;
    m_pFrame->UpdateCommandUI();
    EXPECT_FALSE(pBackup->isChecked());
    pBackup->trigger();
    EXPECT_EQ(m_app.m_nAutoBackup, 1);
    EXPECT_TRUE(pBackup->isChecked());
}

TEST_F(MainFrame, BrowseAppendsPdfAndResetsTheEditWhetherConfirmedOrCancelled)
{
    QLineEdit* pEdit = m_pFrame->GetOutputPathEdit();
    QAction* pBrowse = Action("ID_OPTIONS_OUTPUT_PATH_BUTTON");
    CFileDialog::SetNextFileName(Path("merged"));
    pBrowse->trigger();
    EXPECT_EQ(m_app.m_szSavePath, Path("merged.pdf"));
    EXPECT_EQ(pEdit->text(), Path("merged.pdf"));
    CFileDialog::SetNextFileName(Path("BOOK.PDF"));
    pBrowse->trigger();
    EXPECT_EQ(m_app.m_szSavePath, Path("BOOK.PDF"));

    // Typing changes only the edit; a cancelled browse puts the setting back into it.
    QTest::keyClicks(pEdit, QStringLiteral("-typed"));
    EXPECT_EQ(m_pFrame->GetOutputPathText(), Path("BOOK.PDF") + QStringLiteral("-typed"));
    EXPECT_EQ(m_app.m_szSavePath, Path("BOOK.PDF"));
    pBrowse->trigger();
    EXPECT_EQ(pEdit->text(), Path("BOOK.PDF"));
}

TEST_F(MainFrame, LooksTakeTheirPaletteKeepOneRadioMarkAndPersist)
{
    QAction* pSilver = Action("ID_VIEW_APPLOOK_OFF_2007_SILVER");
    // The wait cursor is up while the palette changes, and gone afterwards.
    WaitCursorProbe probe;
    qApp->installEventFilter(&probe);
    pSilver->trigger();
    qApp->removeEventFilter(&probe);
    EXPECT_TRUE(probe.m_bWaitCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), CAppLook::Palette(217).color(QPalette::Window));
    for (QAction* pAction : m_pFrame->GetStyleMenu()->actions())
        EXPECT_EQ(pAction->isChecked(), pAction == pSilver) << pAction->objectName().toStdString();
    Action("ID_VIEW_APPLOOK_WIN_2000")->trigger();
    EXPECT_EQ(QApplication::style()->name().toLower(), QStringLiteral("windows"));
    EXPECT_FALSE(CXThemeHelper().IsAppThemed()) << "the list draws classic";

    // A restart reads the look back.
    m_pFrame.reset();
    auto pAgain = std::make_unique<CMainFrame>(m_app);
    EXPECT_TRUE(pAgain->findChild<QAction*>(QStringLiteral("ID_VIEW_APPLOOK_WIN_2000"))->isChecked());

    // A look without its own drawing (from an older version) draws as the Office 2007 look in the
    // last colour chosen, with no mark in the menu.
    pAgain->findChild<QAction*>(QStringLiteral("ID_VIEW_APPLOOK_OFF_2007_AQUA"))->trigger();
    Registry().setValue(QStringLiteral("ApplicationLook"), 211);
    pAgain.reset();
    CMainFrame old(m_app);
    EXPECT_EQ(QApplication::style()->name().toLower(), QStringLiteral("fusion"));
    EXPECT_TRUE(CXThemeHelper().IsAppThemed());
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), CAppLook::Palette(218).color(QPalette::Window));
    for (QAction* pAction : old.GetStyleMenu()->actions())
        EXPECT_FALSE(pAction->isChecked());
    old.findChild<QAction*>(QStringLiteral("ID_VIEW_APPLOOK_WINDOWS_7"))->trigger();
    EXPECT_TRUE(old.GetRibbonBar()->IsWindows7Look());
}

TEST_F(MainFrame, HelpCommandsOpenTheirTargetsThroughTheShell)
{
    for (const char* szName :
         {"ID_HELP_SUPPORT_EMAIL", "ID_HELP_CHECK_UPDATE", "ID_HELP_HOMEPAGE", "ID_HELP_ONLINE_HELP"})
        Action(szName)->trigger();
    const QStringList opened = CShell::TakeOpened();
    ASSERT_EQ(opened.size(), 4);
    EXPECT_TRUE(opened[0].startsWith(QLatin1String("mailto:")));
    EXPECT_TRUE(opened[1].contains(QLatin1String("from=")) && opened[2].contains(QLatin1String("from=")));
    // The user guide when it is installed beside the program, else the web page.
    EXPECT_TRUE(opened[3].endsWith(QLatin1String("USER-GUIDE.md")) || opened[3].contains(QLatin1String("from=")));
}

TEST_F(MainFrame, StatusBarShowsCommandDescriptionsAndTheLockKeys)
{
    EXPECT_EQ(m_pFrame->GetMessageText(), QStringLiteral("Ready"));
    // The status tip a button sends when the pointer enters it shows over the pane; once it goes,
    // the pane is idle again.
    QToolButton* pExit = m_pFrame->GetRibbonBar()->ApplicationMenu()->ButtonFor(Action("ID_APP_EXIT"));
    QStatusTipEvent hoverExit(pExit->statusTip());
    QApplication::sendEvent(pExit, &hoverExit);
    EXPECT_EQ(m_pFrame->GetMessageText(), QStringLiteral("Quit the Application"));
    QStatusTipEvent leave {QString()};
    QApplication::sendEvent(pExit, &leave);
    EXPECT_EQ(m_pFrame->GetMessageText(), QStringLiteral("Ready"));

    const bool bScroll = m_pFrame->GetIndicator(2)->isEnabled();
    QTest::keyClick(m_pFrame.get(), Qt::Key_ScrollLock);
    EXPECT_NE(m_pFrame->GetIndicator(2)->isEnabled(), bScroll);
}

TEST_F(MainFrame, DialogAddsReadablePdfsInOrderAndNamesTheRestInOneMessage)
{
    const QString a = Pdf("a.pdf");
    const QString b = Pdf("b.PDF");
    const QString c = Pdf("c.txt");
    const QString notPdf = Path("fake.pdf");
    quire::fixtures::WriteNotPdf(notPdf.toStdString());
    const QString damaged = Path("broken.pdf");
    quire::fixtures::WriteDamagedPdf(damaged.toStdString());
    CFileDialog::SetNextFileNames({notPdf, a, b, c, damaged});
    Action("ID_FILE_OPEN")->trigger();
    EXPECT_EQ(m_pView->Paths(), (QStringList {a, b}));
    EXPECT_EQ(m_pView->m_nRebuilds, 2) << "each file shows as it is added";
    EXPECT_EQ(m_pView->m_szEmptyTextWhileAdding, QStringLiteral("Loading your PDF files..."));
    const QStringList shown = CMessageBox::TakeShownTexts();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains(notPdf) && shown[0].contains(damaged)) << shown[0].toStdString();
    EXPECT_FALSE(shown[0].contains(a) || shown[0].contains(c)) << shown[0].toStdString();
    // Only what was added goes on the recent files, the last one first, in the list and the menu.
    EXPECT_EQ(m_app.GetRecentFileList().Entries(), (QStringList {b, a}));
    EXPECT_EQ(Action("ID_FILE_MRU_FILE1")->text(), QStringLiteral("&1 b.PDF"));

    // Nothing accepted: the prompt comes back.
    CFileDialog::SetNextFileNames({c});
    Action("ID_FILE_OPEN")->trigger();
    EXPECT_EQ(m_pView->m_items.size(), 2u);
    EXPECT_EQ(m_pView->m_szEmptyText, QStringLiteral("Please Add PDF Files to Convert."));
}

TEST_F(MainFrame, DropSkipsFoldersAndTestsOnlyTheLastThreeCharacters)
{
    const QString a = Pdf("a.pdf");
    const QString xpdf = Pdf("report.xpdf");
    const QString b = Pdf("b.pdf");
    QDir(Path("")).mkdir(QStringLiteral("folder.pdf"));
    const QString folder = Path("folder.pdf");

    Drop({a, folder, xpdf, b});
    EXPECT_EQ(m_pView->Paths(), (QStringList {a, xpdf, b}));
    EXPECT_TRUE(CMessageBox::TakeShownTexts().isEmpty());
}

TEST_F(MainFrame, RecentEntryAddsTheFileOrDoesNothingWhenItVanished)
{
    const QString kept = Pdf("kept.pdf");
    const QString gone = Pdf("gone.pdf");
    m_app.AddToRecentFileList(kept);
    m_app.AddToRecentFileList(gone);
    QFile::remove(gone);

    Action("ID_FILE_MRU_FILE1")->trigger();
    EXPECT_TRUE(m_pView->m_items.empty());
    EXPECT_TRUE(CMessageBox::TakeShownTexts().isEmpty());
    EXPECT_EQ(m_app.GetRecentFileList().Entries(), (QStringList {gone, kept}));

    Action("ID_FILE_MRU_FILE2")->trigger();
    EXPECT_EQ(m_pView->Paths(), QStringList {kept});
    EXPECT_EQ(m_app.GetRecentFileList().Entries(), (QStringList {kept, gone}));
}

// The texts are taken trimmed, and Enter in an edit means OK.
TEST_F(MainFrame, DocumentPropertiesRunsModallyFromItsCommand)
{
    m_app.m_szPDFTitle = QStringLiteral("Before");
    QTimer::singleShot(0, [] {
        auto* pDialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(pDialog, nullptr);
        auto* pTitle = pDialog->findChild<QLineEdit*>(QStringLiteral("IDC_EDIT_TITLE"));
        pTitle->selectAll();
        QTest::keyClicks(pTitle, QStringLiteral("  Annual report \t"));
        QTest::keyClick(pTitle, Qt::Key_Return);
    });
    Action("ID_OPTIONS_DOC_PROPERTIES")->trigger();
    EXPECT_EQ(m_app.m_szPDFTitle, QStringLiteral("Annual report"));
}

TEST_F(MainFrame, KeyTipsFollowAltAndTheLettersOfTheTable)
{
    ShowActive();
    CRibbonBar* pRibbon = m_pFrame->GetRibbonBar();
    QTest::keyClick(m_pFrame.get(), Qt::Key_Alt);
    EXPECT_EQ(pRibbon->VisibleKeyTips(), (QStringList {"F", "H", "E", "S"}));

    // Alt, E shows the Help tab; its letters lead to the commands.
    QTest::keyClick(m_pFrame.get(), Qt::Key_E);
    EXPECT_EQ(pRibbon->VisibleKeyTips(), (QStringList {"O", "E", "C", "H"}));
    QTest::keyClick(m_pFrame.get(), Qt::Key_H);
    EXPECT_FALSE(pRibbon->IsKeyTipMode());
    EXPECT_EQ(CShell::TakeOpened().size(), 1);

    // Alt, H, B toggles Auto Backup through its check box.
    QTest::keyClick(m_pFrame.get(), Qt::Key_Alt);
    QTest::keyClick(m_pFrame.get(), Qt::Key_H);
    QTest::keyClick(m_pFrame.get(), Qt::Key_B);
    EXPECT_EQ(m_app.m_nAutoBackup, 0);
}

TEST_F(MainFrame, AtTheSmallestSizeOf900By600EveryRibbonElementShowsUnclipped)
{
    CRibbonCategory* pHome = m_pFrame->GetRibbonBar()->Category(0);
    EXPECT_EQ(m_pFrame->windowTitle(), QStringLiteral("Quire Binder"));
    m_pFrame->show();
    m_pFrame->resize(1600, 700);
    QApplication::processEvents();
    for (CRibbonPanel* pPanel : pHome->Panels())
        EXPECT_FALSE(pPanel->IsCompact()) << pPanel->Name().toStdString();

    m_pFrame->resize(400, 300);
    QApplication::processEvents();
    EXPECT_EQ(m_pFrame->size(), QSize(900, 600));
    // Panels give up their button texts from the right until the category fits.
    EXPECT_FALSE(pHome->Panels().first()->IsCompact());
    EXPECT_TRUE(pHome->Panels()[1]->IsCompact());
    for (QToolButton* pButton : pHome->findChildren<QToolButton*>())
        EXPECT_GE(pButton->width(), pButton->sizeHint().width()) << pButton->objectName().toStdString();

    Action("ID_APP_EXIT")->trigger();
    EXPECT_FALSE(m_pFrame->isVisible());
}
