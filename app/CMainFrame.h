// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>

class CJobListView;
class CLockKeyIndicators;
class CQuireApp;
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
// handler (the view's OnUpdateCommandFile included) and is called after every change that can affect
// them and before a menu opens.
//
// File intake: Add PDF Files, dropped files and the recent-file list filter their paths and hand each
// accepted one to the view's AddListItem; after a batch one message lists every file that could not be
// read, with the reason.
class CMainFrame : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr const char* kLoadingText = "Loading your PDF files...";
    static constexpr const char* kPromptText = "Please Add PDF Files to Convert.";

    explicit CMainFrame(CQuireApp& app, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The frame created last that still exists, or null.
    static CMainFrame* Instance();

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
    // The CAP, NUM and SCRL indicators: each is enabled while its lock is on.
    QLabel* GetIndicator(int nIndex) const;

    void UpdateCommandUI();

    // Intake entry points.
    void OnFileOpen();
    // `paths` in drop order: folders and paths whose last three characters are not "pdf" are skipped.
    void OnDropFiles(const QStringList& paths);
    // Adds one accepted path through the view, rebuilds the rows and puts it on top of the recent-file
    // list. On failure the reason is appended to `failures` and nothing is added.
    bool AddFile(const QString& szPath, QStringList& failures);
    // One message listing every file that could not be added; nothing when `failures` is empty.
    void ReportSkippedFiles(const QStringList& failures);
    // Between these two, AddFile leaves the recent-file commands and the enabled states to the end.
    void BeginIntakeBatch();
    void EndIntakeBatch();
    void SetEmptyListText(const QString& szText);
    void UpdateRecentFileActions();

    void OnApplicationLook(int nID);
    void OnUpdateApplicationLook();
    void OnUpdateOnStyle();
    void OnCommandOptions(int nID);
    void OnUpdateCommandOptions();
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
    void SetOutputPathEditText(const QString& szText);
    // The default enable rules of the view's commands while no view is plugged in: an empty list.
    void OnUpdateCommandFileWithoutView();

    CQuireApp& m_app;
    CRibbonBar* m_pRibbon = nullptr;
    QMenu* m_pStyleMenu = nullptr;
    QLineEdit* m_pOutputPath = nullptr;
    QLabel* m_pMessagePane = nullptr;
    CLockKeyIndicators* m_pIndicators = nullptr;
    QActionGroup* m_pLooks = nullptr;
    QHash<int, QAction*> m_actions;
    QList<QAction*> m_recentActions;
    QPointer<QWidget> m_pViewWidget;
    CJobListView* m_pView = nullptr;
    // While a batch of files is added, the recent-file commands and the enabled states are brought
    // up to date once at its end instead of after every file.
    bool m_bInIntakeBatch = false;
    bool m_bRecentActionsStale = false;
};
