// SPDX-License-Identifier: Apache-2.0
#include "app/CQuireApp.h"

#include "app/CMainFrame.h"
#include "app/CMessageBox.h"
#include "app/CProfileFile.h"
#include "app/CQuireView.h"
#include "app/CSingleInstance.h"
#include "app/CommandIds.h"
#include "engine/BackupFile.h"
#include "engine/PdfError.h"
#include "joblist/FileIntake.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const char* const kGeneral = "General";
const char* const kGeneralSettings = "General Settings";

std::string ToLocal(const QString& text)
{
    return text.toStdString();
}

QString FromLocal(const std::string& text)
{
    return QString::fromStdString(text);
}

QString WithSlash(QString folder)
{
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

} // namespace

CQuireApp* CQuireApp::s_pInstance = nullptr;

CQuireApp::CQuireApp()
{
    s_pInstance = this;
}

CQuireApp::~CQuireApp()
{
    if (s_pInstance == this)
        s_pInstance = nullptr;
}

bool CQuireApp::InitInstance()
{
    if (m_szInstanceName.isEmpty())
        m_szInstanceName = CSingleInstance::ExecutableName();
    m_pGuard = std::make_unique<CSingleInstance>(m_szInstanceName);
    if (!m_pGuard->TryLock()) {
        // Whether or not the running instance answers, a second start shows nothing of its own.
        m_pGuard->SignalRunningInstance();
        m_pGuard.reset();
        return false;
    }

    GetAppPath();
    GetAppDataPath();
    m_szSettingsFile = m_szAppDataPath + QStringLiteral("Settings.ini");
    GetAppSettings();

    LoadStdProfileSettings();
    if (!ProcessShellCommand(QCoreApplication::arguments()))
        return false;

    m_pMainFrame = std::make_unique<CMainFrame>(*this);
    auto* pView = new CQuireView(*m_pMainFrame);
    m_pMainFrame->SetView(pView, pView);
    m_pMainFrame->show();
    return true;
}

int CQuireApp::ExitInstance(int nExitCode)
{
    // The settings path is empty when start-up ended before the settings were loaded; the file
    // is then left as it is.
    if (!m_szSettingsFile.isEmpty())
        WriteAppSettings();
    if (m_bRecentListLoaded)
        m_recentFileList.WriteList();
    m_pMainFrame.reset();
    m_pGuard.reset();
    return nExitCode;
}

bool CQuireApp::ProcessShellCommand(const QStringList& arguments)
{
    QString szFile;
    bool bOptionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& szArgument = arguments[i];
        if (!bOptionsEnded && szArgument == QLatin1String("--")) {
            bOptionsEnded = true;
            continue;
        }
        if (!bOptionsEnded && szArgument.startsWith(QLatin1Char('-')))
            continue;
        szFile = szArgument;
        break;
    }
    if (szFile.isEmpty())
        return true;
    const QFileInfo info(szFile);
    if (!info.exists()) {
        CMessageBox::Warning(nullptr,
                             QStringLiteral("The file %1 does not exist.").arg(QDir::toNativeSeparators(szFile)));
        return false;
    }
    if (info.isDir()) {
        CMessageBox::Warning(nullptr,
                             QStringLiteral("%1 is a folder, not a file.").arg(QDir::toNativeSeparators(szFile)));
        return false;
    }
    AddToRecentFileList(info.absoluteFilePath());
    return true;
}

void CQuireApp::MarkMainWindow(CMainFrame* pFrame)
{
    if (!m_pGuard || !pFrame)
        return;
    connect(m_pGuard.get(), &CSingleInstance::activationRequested, pFrame, &CMainFrame::OnActivateRequest,
            Qt::UniqueConnection);
    m_pGuard->Listen();
}

bool CQuireApp::OnOpenRecentFile(unsigned int nID)
{
    const int nIndex = static_cast<int>(nID) - ID_FILE_MRU_FILE1;
    const QString szPath = m_recentFileList.Entry(nIndex);
    CMainFrame* pFrame = m_pMainFrame ? m_pMainFrame.get() : CMainFrame::Instance();
    if (szPath.isEmpty() || !pFrame)
        return true;
    pFrame->SetEmptyListText(CMainFrame::kLoadingText);
    bool bAdded = false;
    if (quire::AcceptChosenPath(QFile::encodeName(szPath).toStdString())) {
        QStringList failures;
        bAdded = pFrame->AddFile(szPath, failures);
        pFrame->ReportSkippedFiles(failures);
    }
    if (!bAdded)
        pFrame->SetEmptyListText(CMainFrame::kPromptText);
    return true;
}

void CQuireApp::LoadStdProfileSettings()
{
    m_recentFileList.ReadList();
    m_bRecentListLoaded = true;
}

void CQuireApp::AddToRecentFileList(const QString& szPath)
{
    m_recentFileList.Add(szPath);
    if (CMainFrame* pFrame = m_pMainFrame ? m_pMainFrame.get() : CMainFrame::Instance())
        pFrame->UpdateRecentFileActions();
}

void CQuireApp::GetAppPath()
{
    m_szAppPath = WithSlash(QCoreApplication::applicationDirPath());
}

void CQuireApp::GetAppDataPath()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty()) {
        GetAppPath();
        base = m_szAppPath;
    }
    QString path = WithSlash(base) + QStringLiteral("Vellum/");
    QDir().mkpath(path);
    path += QStringLiteral("Quire Binder/");
    QDir().mkpath(path);
    m_szAppDataPath = path;
}

void CQuireApp::GetAppSettings()
{
    CProfileFile profile(QFile::encodeName(m_szSettingsFile).toStdString());
    profile.Load();

    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty()) {
        if (m_szAppPath.isEmpty())
            GetAppPath();
        documents = m_szAppPath;
    }
    const std::string defaultSavePath = ToLocal(WithSlash(documents));

    m_nOpenResult = profile.GetInt(kGeneral, "OpenResult", 1);
    m_nAutoBackup = profile.GetInt(kGeneral, "AutoBackup", 1);
    m_szSavePath = FromLocal(profile.GetString(kGeneral, "SavePath", defaultSavePath));
    m_szPDFTitle = FromLocal(profile.GetString(kGeneral, "PDFTitle", ""));
    m_szPDFAuthor = FromLocal(profile.GetString(kGeneral, "PDFAuthor", ""));
    m_szPDFSubject = FromLocal(profile.GetString(kGeneral, "PDFSubject", ""));
    m_szPDFKeywords = FromLocal(profile.GetString(kGeneral, "PDFKeywords", ""));
    m_nPropertiesAlways = profile.GetInt(kGeneralSettings, "PropertiesAlways", 0);
}

bool CQuireApp::WriteAppSettings()
{
    CProfileFile profile(QFile::encodeName(m_szSettingsFile).toStdString());
    if (!profile.Load())
        return false;
    profile.SetString(kGeneral, "OpenResult", std::to_string(m_nOpenResult));
    profile.SetString(kGeneral, "AutoBackup", std::to_string(m_nAutoBackup));
    profile.SetString(kGeneral, "SavePath", ToLocal(m_szSavePath));
    if (m_nPropertiesAlways == 1) {
        profile.SetString(kGeneral, "PDFTitle", ToLocal(m_szPDFTitle));
        profile.SetString(kGeneral, "PDFAuthor", ToLocal(m_szPDFAuthor));
        profile.SetString(kGeneral, "PDFSubject", ToLocal(m_szPDFSubject));
        profile.SetString(kGeneral, "PDFKeywords", ToLocal(m_szPDFKeywords));
    }
    return profile.Save();
}

QString CQuireApp::doBackupFile(const QString& szPath, QString* pszError)
{
    try {
        return QFile::decodeName(quire::doBackupFile(QFile::encodeName(szPath).toStdString()).c_str());
    } catch (const pdf::PdfError& e) {
        if (pszError)
            *pszError = QFile::decodeName(e.what());
        return QString();
    }
}
