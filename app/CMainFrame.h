// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "engine/JobTypes.h"

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <QStringList>

#include <memory>

struct ListItemData;
class CAppSettings;
class CDialogAbout;
class CHelpWindow;
class CFileIntakeJob;
class CJobListView;
class CLockKeyIndicators;
class CPageRenderer;
class CPreviewPane;
class CRibbonBar;
class QAction;
class QActionGroup;
class QLabel;
class QLineEdit;
class QMenu;
class QComboBox;
class QDockWidget;
class QPushButton;
class QSpinBox;
class QTimer;

// The main window "Quire Binder": the ribbon, the file list view in the middle, the status bar with the
// message pane and the CAP, NUM and SCRL indicators; at least 900 x 600 pixels, or the available area
// of its screen when that is smaller. Its size, position and maximised state are taken back from the
// settings at the next start.
//
// Every command is one QAction owned by the frame (objectName = the identifier name, data() = its
// number), shared by the ribbon, the application menu, the view's context menu and the shortcuts.
// UpdateCommandUI() is the one place that sets what is enabled and checked: it runs every enable
// handler (the view's OnUpdateCommandFile included). A change of the settings, of the list or of its
// selection asks for it through RequestCommandUpdate(), which runs it once when control returns to
// the event loop however many changes came before; a menu runs it directly before it opens.
//
// File intake: Add PDF Files, dropped files and the recent-file list hand their paths to AddFiles.
// The files are read on one worker thread (CFileIntakeJob), so the window keeps answering; each one
// read is added through the view as its row, in order, and goes on top of the recent-file list. The
// status bar says "Adding 120 of 300: name.pdf" and shows a Cancel button; Merge and Split stay
// disabled meanwhile. One message at the end of each intake lists every file that was not added,
// with the reason. A file that needs a password asks for it (CDialogPassword) when its turn comes, the
// rows before it added already; Skip leaves it out without a word, Cancel ends that intake there.
//
// Job lists: Save Job List... writes the rows, the merge output, the document information, the split
// settings and the nesting switch to a .quirejob file (never a password). Open Job List... reads one
// and its files through the same intake (a protected file asks for its password); when that intake
// ends, the rows read replace the list as one step Undo takes back, and the saved options become the
// settings. One message then names the rows dropped (with the reason) and the rows whose range was
// brought within their file's pages. A list that cannot be read or written is named in a message with
// the reason and changes nothing; Cancel during the intake leaves the list and settings as they were.
//
// Preview: a dock on the right holds the preview pane (CPreviewPane), whose pages `renderer` draws;
// the view tells it which row to show. Show Preview (ID_VIEW_PREVIEW, the View tab) shows and hides
// it, and so does the dock's own close button; the Preview setting keeps the choice for the next run.
class CMainFrame : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr const char* kLoadingText = "Loading your PDF files...";
    static constexpr const char* kPromptText = "Please Add PDF Files to Convert.";

    // Which filter decides whether a path is read.
    enum class Source {
        Chosen, // the open dialog and the recent-file list: a ".pdf" extension, else named as not added
        Dropped, // dropped files: not a folder, "pdf" as the last three characters, existing; else passed
                 // over without a word
        Given, // named at start or by a second start: every path; each one that cannot be read is named
    };

    CMainFrame(CAppSettings& settings, CPageRenderer& renderer, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The action of command `nID`, or null.
    QAction* GetAction(int nID) const;
    CRibbonBar* GetRibbonBar() const { return m_pRibbon; }
    CPreviewPane* GetPreviewPane() const { return m_pPreview; }
    QDockWidget* GetPreviewDock() const { return m_pPreviewDock; }
    QMenu* GetStyleMenu() const { return m_pStyleMenu; }

    // The text of the ribbon's merge output path edit, as typed; the view resolves it into the file a
    // merge writes and View Merged Result opens (the SavePath setting changes only through Browse).
    QString GetOutputPathText() const;
    QLineEdit* GetOutputPathEdit() const { return m_pOutputPath; }

    // Puts `pWidget` in the middle of the window and routes intake and enable queries to `pView`.
    void SetView(QWidget* pWidget, CJobListView* pView);
    CJobListView* GetView() const;

    // The status bar's message pane ("Ready" when idle).
    void SetMessageText(const QString& szText);
    QString GetMessageText() const;
    // After a job: the pane shows `szSummary` and comes back to it when idle, and Open Folder
    // (ID_OPEN_RESULT_FOLDER, a button on the status bar) opens `szFolder`; it is enabled only while
    // there is one.
    void ShowJobResult(const QString& szSummary, const QString& szFolder);
    // The CAP, NUM and SCRL indicators: each is enabled while its lock is on.
    QLabel* GetIndicator(int nIndex) const;

    void UpdateCommandUI();
    // Runs UpdateCommandUI (and brings the recent-file commands up to date) once, when control
    // returns to the event loop.
    void RequestCommandUpdate();

    // The one intake: starts reading every path of `paths` that `source`'s filter accepts and returns
    // at once; while another intake runs, this one waits for it. The files read are added through the
    // view in order; the list shows the loading text meanwhile, and the prompt again when nothing was
    // added to an empty list; at the end one message names every file that was not added.
    void AddFiles(const QStringList& paths, Source source);
    // From the first AddFiles until the last waiting intake has ended and its message was answered.
    bool IsIntakeRunning() const;
    // The status bar's Cancel: stops the running intake after the file being read (no row is added
    // after it) and drops the intakes waiting behind it. Its message names the files not added so far.
    void CancelIntake();
    // Intake entry points: the open dialog (opening in the folder files were last added from), a drop,
    // recent-file command 57616 + i (an entry whose file has gone is named in a message and taken off
    // the list).
    void OnFileOpen();
    void OnDropFiles(const QStringList& paths);
    // Save Job List... and Open Job List...; OpenJobList starts the intake of the list at `szPath`.
    void OnSaveJobList();
    void OnOpenJobList();
    void OpenJobList(const QString& szPath);
    void OnOpenRecentFile(int nID);
    void SetEmptyListText(const QString& szText);

    // Merge asks for this when the merge output is the folder `szFolder`: the save dialog opens there
    // suggesting "Merged.pdf"; the file chosen (".pdf" added when it has no extension) becomes the
    // SavePath setting and the edit's text, and is returned. Empty when the dialog was cancelled.
    QString ChooseMergeOutput(const QString& szFolder);

    // The session's protection options, which live only in this window's memory and are never saved:
    // the passwords and permissions Document Properties gave the merge output (none until set there),
    // and whether Remove Password Protection (ID_OPTIONS_REMOVE_PROTECTION, off at every start) asks
    // Split to write its parts without their source's protection.
    const quire::Protection& GetMergeProtection() const { return m_protection; }
    bool IsRemoveProtectionOn() const { return m_bRemoveProtection; }

    void OnApplicationLook(int nID);
    void OnUpdateApplicationLook();
    void OnUpdateOnStyle();
    void OnCommandOptions(int nID);
    void OnUpdateCommandOptions();
    void OnUpdatePreview();
    // Online Help and About each show their one window, created the first time; Homepage and Support
    // Email open the addresses the build was given (HelpTargets.h), and are hidden without one.
    void OnCommandHelp(int nID);
    void OnUpdateCommandHelp();
    // The Split panel and Put Each File's Bookmarks Under Its Title show the split settings and
    // NestBookmarks: the mode list offers Page range, Every N pages (N from 2), At bookmarks and Single
    // pages (every 1 page), so each setting reads back as the choice that made it; N is enabled for
    // Every N pages, the bookmark level for At bookmarks.
    void OnUpdateSplitOptions();
    // A second start asked for this window: restore it, bring it forward, and its modal dialog too.
    void OnActivateRequest();

protected:
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dragLeaveEvent(QDragLeaveEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;
    // The preview dock's close button turns the Preview setting off.
    bool eventFilter(QObject* pObject, QEvent* pEvent) override;
    // Stops the intake and remembers the window's geometry.
    void closeEvent(QCloseEvent* pEvent) override;
    void showEvent(QShowEvent* pEvent) override;

private:
    void CreateActions();
    QAction* AddCommand(int nID, const char* szName, const QString& szText, const QString& szStrings, int nImage);
    void InitializeRibbon();
    // The Job Options category: each job's button with its options. The Split panel's controls change
    // the split settings as the user works them (a typed name template or folder at every key).
    void InitializeJobOptions();
    void OnSplitModeChosen(int nChoice);
    void OnBrowseSplitFolder();
    void CreateStatusBar();
    void CreatePreviewDock(CPageRenderer& renderer);
    void OnOpenResultFolder();
    void SetOutputPathEditText(const QString& szText);
    // The list's highlight while files are dragged over the window.
    void SetDropHighlight(bool bOn);
    static void ShowInFront(QWidget* pWindow);
    void UpdateRecentFileActions();
    // Save dialog for the merge output opening at `szStart`; the file chosen becomes the SavePath and
    // the edit shows the setting again. False when cancelled.
    bool BrowseOutputPath(const QString& szStart);
    // Keeps the minimum size within the available area of the window's screen.
    void FitMinimumToScreen();

    // A job list being opened: its contents and the records read for it so far.
    struct JobListIntake;

    // One AddFiles call waiting for its turn, and then the one being read.
    struct Intake
    {
        QStringList paths {};
        Source source = Source::Chosen;
        int nDone = 0; // results taken
        int nAdded = 0;
        QMap<int, QString> failures {}; // by position in `paths`, so the message keeps their order
        QList<int> positions {}; // the position in `paths` of each path handed to the reader
        int nSerial = 0;
        std::shared_ptr<JobListIntake> pJobList {}; // set when the paths are a job list's rows
    };
    void Enqueue(Intake intake);
    void TakeJobListRow(Intake& intake, int nPosition, ListItemData item);
    void FinishJobList(const Intake& intake);
    void OnUpdateJobList();
    void StartNextIntake();
    void OnIntakeResults();
    void OnIntakeFinished();
    void OnIntakePassword(const QString& szPath, bool bWrong);
    void ShowIntakeStatus();
    // The default enable rules of the view's commands while no view is plugged in: an empty list.
    void OnUpdateCommandFileWithoutView();

    CAppSettings& m_settings;
    CRibbonBar* m_pRibbon = nullptr;
    QMenu* m_pStyleMenu = nullptr;
    QLineEdit* m_pOutputPath = nullptr;
    QComboBox* m_pSplitMode = nullptr;
    QSpinBox* m_pSplitEvery = nullptr;
    QSpinBox* m_pSplitLevel = nullptr;
    QLineEdit* m_pSplitTemplate = nullptr;
    QLineEdit* m_pSplitFolder = nullptr;
    QLabel* m_pMessagePane = nullptr;
    QDockWidget* m_pPreviewDock = nullptr;
    CPreviewPane* m_pPreview = nullptr;
    QString m_szIdleText; // what the message pane shows when idle
    QString m_szResultFolder; // the folder of the last job's result, or empty
    CLockKeyIndicators* m_pIndicators = nullptr;
    QActionGroup* m_pLooks = nullptr;
    QHash<int, QAction*> m_actions;
    QList<QAction*> m_recentActions;
    QPointer<QWidget> m_pViewWidget;
    QPointer<CHelpWindow> m_pHelpWindow;
    QPointer<CDialogAbout> m_pAbout;
    CJobListView* m_pView = nullptr;
    bool m_bUpdateRequested = false;
    CFileIntakeJob* m_pIntakeJob = nullptr;
    QTimer* m_pIntakeDrain = nullptr;
    QPushButton* m_pCancelIntake = nullptr;
    QList<Intake> m_intakes; // the first one runs
    int m_nIntakeSerial = 0;
    bool m_bScreenWatched = false;
    quire::Protection m_protection {};
    bool m_bRemoveProtection = false;
};
