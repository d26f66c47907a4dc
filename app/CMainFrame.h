// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>

class CAppSettings;
class CDialogAbout;
class CHelpWindow;
class CJobListView;
class CLockKeyIndicators;
class CRibbonBar;
class QAction;
class QActionGroup;
class QLabel;
class QLineEdit;
class QMenu;

// The main window "Quire Binder": the ribbon, the file list view in the middle, the status bar with the
// message pane and the CAP, NUM and SCRL indicators; at least 900 x 600 pixels.
//
// Every command is one QAction owned by the frame (objectName = the identifier name, data() = its
// number), shared by the ribbon, the application menu, the view's context menu and the shortcuts.
// UpdateCommandUI() is the one place that sets what is enabled and checked: it runs every enable
// handler (the view's OnUpdateCommandFile included). A change of the settings, of the list or of its
// selection asks for it through RequestCommandUpdate(), which runs it once when control returns to
// the event loop however many changes came before; a menu runs it directly before it opens.
//
// File intake: Add PDF Files, dropped files and the recent-file list hand their paths to AddFiles,
// which filters them, adds each accepted one through the view and puts it on top of the recent-file
// list; one message then lists every file that could not be read, with the reason.
class CMainFrame : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr const char* kLoadingText = "Loading your PDF files...";
    static constexpr const char* kPromptText = "Please Add PDF Files to Convert.";

    // Which filter decides whether a path is offered to the view.
    enum class Source {
        Chosen, // the open dialog and the recent-file list: a ".pdf" extension, an existing file
        Dropped, // dropped files: not a folder, and "pdf" as the last three characters
        Given, // named at start or by a second start: every path; each one that cannot be read is named
    };

    explicit CMainFrame(CAppSettings& settings, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The action of command `nID`, or null.
    QAction* GetAction(int nID) const;
    CRibbonBar* GetRibbonBar() const { return m_pRibbon; }
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

    // The one intake: every path of `paths` that `source`'s filter accepts is added through the view,
    // in order; the list shows the loading text meanwhile, and the prompt again when nothing was
    // added to an empty list; one message names every file that could not be read. Returns the number
    // of files added.
    int AddFiles(const QStringList& paths, Source source);
    // Intake entry points: the open dialog, a drop, recent-file command 57616 + i (a vanished or
    // non-PDF entry adds nothing and stays in the list).
    void OnFileOpen();
    void OnDropFiles(const QStringList& paths);
    void OnOpenRecentFile(int nID);
    void SetEmptyListText(const QString& szText);

    void OnApplicationLook(int nID);
    void OnUpdateApplicationLook();
    void OnUpdateOnStyle();
    void OnCommandOptions(int nID);
    void OnUpdateCommandOptions();
    // Online Help and About each show their one window, created the first time; Homepage and Support
    // Email open the addresses the build was given (HelpTargets.h), and are hidden without one.
    void OnCommandHelp(int nID);
    void OnUpdateCommandHelp();
    // A second start asked for this window: restore it, bring it forward, and its modal dialog too.
    void OnActivateRequest();

protected:
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;

private:
    void CreateActions();
    QAction* AddCommand(int nID, const char* szName, const QString& szText, const QString& szStrings, int nImage);
    void InitializeRibbon();
    void CreateStatusBar();
    void OnOpenResultFolder();
    void SetOutputPathEditText(const QString& szText);
    static void ShowInFront(QWidget* pWindow);
    void UpdateRecentFileActions();
    // Adds one accepted path through the view; on failure the reason is appended to `failures`.
    bool AddFile(const QString& szPath, QStringList& failures);
    // The default enable rules of the view's commands while no view is plugged in: an empty list.
    void OnUpdateCommandFileWithoutView();

    CAppSettings& m_settings;
    CRibbonBar* m_pRibbon = nullptr;
    QMenu* m_pStyleMenu = nullptr;
    QLineEdit* m_pOutputPath = nullptr;
    QLabel* m_pMessagePane = nullptr;
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
};
