// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "app/CAppSettings.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class CMainFrame;
class CPageRenderer;
class CSingleInstance;
class QTimer;

// The application object: owns the settings for the whole run, the program and data folders, and
// the main window. One instance lives in main() beside the QApplication; nothing reaches it through
// a global: the windows are handed what they need.
//
// The settings (CAppSettings) are read once by GetAppSettings() at start and written once by
// WriteAppSettings() at a normal exit.
//
// Only one instance runs per user: a second start hands its files to the running one, brings its main
// window (and its open modal dialog) to the front and ends without touching any setting.
class CQuireApp : public QObject
{
    Q_OBJECT

public:
    CQuireApp();
    ~CQuireApp() override;

    // Start-up: single-instance guard, folders, settings, main window, then the files among
    // `arguments` (the program first, as QCoreApplication::arguments() gives them) to its intake.
    // False ends the program at once: another instance runs, and was handed the files instead.
    bool InitInstance(const QStringList& arguments = {});
    // Shutdown: writes the settings (when they were loaded) and returns `nExitCode`.
    int ExitInstance(int nExitCode = 0);

    // The files named in `arguments`: every argument after the program that does not start with '-',
    // and every one after "--", in order, made absolute against the current folder. Nothing is checked
    // here: the intake names each one it cannot read.
    static QStringList FileArguments(const QStringList& arguments);
    // Hands `files` to the main window's intake (CMainFrame::Source::Given). While a modal dialog is
    // open (a job's progress, a message) they wait until it has closed, because a job works on the rows
    // it was given; files that come meanwhile join them.
    void OpenFiles(const QStringList& files);

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
    void DeliverFiles();

    CAppSettings m_settings;
    QStringList m_pendingFiles;
    QTimer* m_pDeliverTimer = nullptr;
    std::unique_ptr<CSingleInstance> m_pGuard;
    // Draws the preview's pages in a helper process: this program started with --render-pages.
    std::unique_ptr<CPageRenderer> m_pRenderer;
    std::unique_ptr<CMainFrame> m_pMainFrame;
};
