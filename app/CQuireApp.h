// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

class CMainFrame;

// The application object: owns the settings for the whole run, the program and data folders, and
// the main window. One instance lives in main() beside the QApplication.
//
// Settings live in "<data folder>/Settings.ini" (section "General": OpenResult, AutoBackup,
// SavePath and the four document texts; section "General Settings": PropertiesAlways). They are
// read once by GetAppSettings() and written once by WriteAppSettings() at a normal exit.
class CQuireApp : public QObject
{
    Q_OBJECT

public:
    CQuireApp();
    ~CQuireApp() override;

    static CQuireApp* instance() { return s_pInstance; }

    // Start-up: folders, settings, main window. False ends the program at once.
    bool InitInstance();
    // Shutdown: writes the settings and returns `nExitCode`.
    int ExitInstance(int nExitCode = 0);

    // The folder of the executable, with a trailing '/'.
    void GetAppPath();
    // "<XDG config folder>/Vellum/Quire Binder/", created when missing (falls back to the program folder).
    void GetAppDataPath();
    // Loads every setting from m_szSettingsFile; missing values take their defaults.
    void GetAppSettings();
    // Saves OpenResult, AutoBackup and SavePath, and the document texts only when PropertiesAlways is 1.
    // Returns false when the file could not be written (or was unreadable and so is left alone).
    bool WriteAppSettings();
    // Copies `szPath` to its time-stamped backup beside it and returns the backup path.
    QString doBackupFile(const QString& szPath);

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

private:
    static CQuireApp* s_pInstance;
    std::unique_ptr<CMainFrame> m_pMainFrame;
};
