// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "app/CAppSettings.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class CMainFrame;
class CSingleInstance;

// The application object: owns the settings for the whole run, the program and data folders, and
// the main window. One instance lives in main() beside the QApplication; nothing reaches it through
// a global: the windows are handed what they need.
//
// The settings (CAppSettings) are read once by GetAppSettings() at start and written once by
// WriteAppSettings() at a normal exit.
//
// Only one instance runs per user: a second start brings the running main window (and its open modal
// dialog) to the front and ends without touching any setting.
class CQuireApp : public QObject
{
    Q_OBJECT

public:
    CQuireApp();
    ~CQuireApp() override;

    // Start-up: single-instance guard, folders, settings, the command line, main window. False ends
    // the program at once (a second instance, a file argument that does not exist).
    bool InitInstance();
    // Shutdown: writes the settings (when they were loaded) and returns `nExitCode`.
    int ExitInstance(int nExitCode = 0);

    // The standard file argument (the first argument after the program that is not an option): a
    // path that does not exist, or a folder, shows a message naming it and gives false; an existing
    // file only goes on top of the recent-file list. `arguments` includes the program as its first
    // entry. The job list is never filled from the command line.
    bool ProcessShellCommand(const QStringList& arguments);

    // Every platform this program runs on has what the checked-for version gated (drops from any
    // process, a file dialog that reports its own selection), so the answer is always true.
    static constexpr bool IsWin7_or_Later() { return true; }

    // The folder of the executable, with a trailing '/'.
    void GetAppPath();
    // "<XDG config folder>/Vellum/Quire Binder/", created when missing (falls back to the program folder).
    void GetAppDataPath();
    // Loads every setting from m_szSettingsFile and the settings area; missing values take their
    // defaults (SavePath: the documents folder).
    void GetAppSettings();
    // Saves the settings (CAppSettings::Save). False when Settings.ini could not be written.
    bool WriteAppSettings();
    // Copies `szPath` to its time-stamped backup beside it and returns the backup path; `pszError`,
    // when given, receives the sentence saying why a copy could not be made (the path is then empty).
    QString doBackupFile(const QString& szPath, QString* pszError = nullptr);

    CAppSettings& Settings() { return m_settings; }
    CMainFrame* MainFrame() const { return m_pMainFrame.get(); }

    QString m_szAppPath;
    QString m_szAppDataPath;
    QString m_szSettingsFile;
    // The name that marks a running instance: the executable's name unless set before InitInstance().
    QString m_szInstanceName;

private:
    CAppSettings m_settings;
    std::unique_ptr<CSingleInstance> m_pGuard;
    std::unique_ptr<CMainFrame> m_pMainFrame;
};
