// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "app/CRecentFileList.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

class CMainFrame;
class CSingleInstance;

// The application object: owns the settings for the whole run, the program and data folders, and
// the main window. One instance lives in main() beside the QApplication.
//
// Settings live in "<data folder>/Settings.ini" (section "General": OpenResult, AutoBackup,
// SavePath and the four document texts; section "General Settings": PropertiesAlways). They are
// read once by GetAppSettings() and written once by WriteAppSettings() at a normal exit. The recent-file
// list (16 entries) and the application look live in QSettings("Vellum", "Quire Binder"); the list is
// written at a normal exit, the look each time one is chosen.
//
// Only one instance runs per user: a second start brings the running main window (and its open modal
// dialog) to the front and ends without touching any setting.
class CQuireApp : public QObject
{
    Q_OBJECT

public:
    CQuireApp();
    ~CQuireApp() override;

    static CQuireApp* instance() { return s_pInstance; }

    // Start-up: single-instance guard, folders, settings, recent-file list, the command line, main
    // window. False ends the program at once (a second instance, a file argument that does not exist).
    bool InitInstance();
    // Shutdown: writes the settings and the recent-file list (when they were loaded) and returns
    // `nExitCode`.
    int ExitInstance(int nExitCode = 0);

    // The standard file argument (the first argument after the program that is not an option): a
    // path that does not exist, or a folder, shows a message naming it and gives false; an existing
    // file only goes on top of the recent-file list. `arguments` includes the program as its first
    // entry. The job list is never filled from the command line.
    bool ProcessShellCommand(const QStringList& arguments);

    // Starts answering second starts for `pFrame` (called by the main window once it exists).
    void MarkMainWindow(CMainFrame* pFrame);

    // Recent-file command 57616 + i: adds entry i to the job list when it is a ".pdf" file that
    // exists; otherwise nothing happens and the entry stays. Always true (handled).
    bool OnOpenRecentFile(unsigned int nID);
    void AddToRecentFileList(const QString& szPath);
    // Reads the recent-file list from the settings area; from then on ExitInstance() writes it back.
    void LoadStdProfileSettings();
    CRecentFileList& GetRecentFileList() { return m_recentFileList; }

    // Every platform this program runs on has what the checked-for version gated (drops from any
    // process, a file dialog that reports its own selection), so the answer is always true.
    static constexpr bool IsWin7_or_Later() { return true; }

    // The folder of the executable, with a trailing '/'.
    void GetAppPath();
    // "<XDG config folder>/Vellum/Quire Binder/", created when missing (falls back to the program folder).
    void GetAppDataPath();
    // Loads every setting from m_szSettingsFile; missing values take their defaults.
    void GetAppSettings();
    // Saves OpenResult, AutoBackup and SavePath, and the document texts only when PropertiesAlways is 1.
    // Returns false when the file could not be written (or was unreadable and so is left alone).
    bool WriteAppSettings();
    // Copies `szPath` to its time-stamped backup beside it and returns the backup path; `pszError`,
    // when given, receives the sentence saying why a copy could not be made (the path is then empty).
    QString doBackupFile(const QString& szPath, QString* pszError = nullptr);

    // The jobs' reading of the two switches: on only when exactly 1.
    bool IsOpenResultOn() const { return m_nOpenResult == 1; }
    bool IsAutoBackupOn() const { return m_nAutoBackup == 1; }

    CMainFrame* MainFrame() const { return m_pMainFrame.get(); }

    QString m_szSavePath;
    std::int32_t m_nOpenResult = 1;
    std::int32_t m_nAutoBackup = 1;
    QString m_szPDFTitle;
    QString m_szPDFAuthor;
    QString m_szPDFSubject;
    QString m_szPDFKeywords;
    std::int32_t m_nPropertiesAlways = 0;
    QString m_szAppPath;
    QString m_szAppDataPath;
    QString m_szSettingsFile;
    // The name that marks a running instance: the executable's name unless set before InitInstance().
    QString m_szInstanceName;
    // The command identifier of the current look, 205 to 219; read by the main frame.
    std::uint32_t m_nAppLook = 215;

private:
    static CQuireApp* s_pInstance;
    std::unique_ptr<CSingleInstance> m_pGuard;
    std::unique_ptr<CMainFrame> m_pMainFrame;
    CRecentFileList m_recentFileList {16};
    bool m_bRecentListLoaded = false;
};
