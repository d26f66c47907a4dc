// SPDX-License-Identifier: Apache-2.0
#include "app/CQuireApp.h"

#include "app/CMainFrame.h"
#include "app/CQuireView.h"
#include "app/CSingleInstance.h"
#include "app/EngineText.h"
#include "engine/BackupFile.h"
#include "engine/PdfError.h"
#include "preview/CPageRenderer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

#include <utility>

namespace {

QString WithSlash(QString folder)
{
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

} // namespace

CQuireApp::CQuireApp() = default;

CQuireApp::~CQuireApp() = default;

bool CQuireApp::InitInstance(const QStringList& arguments)
{
    if (m_szInstanceName.isEmpty())
        m_szInstanceName = CSingleInstance::ExecutableName();
    m_pGuard = std::make_unique<CSingleInstance>(m_szInstanceName);
    if (!m_pGuard->TryLock()) {
        // Whether or not the running instance answers, a second start shows nothing of its own.
        m_pGuard->SignalRunningInstance(FileArguments(arguments));
        m_pGuard.reset();
        return false;
    }

    GetAppPath();
    GetAppDataPath();
    m_szSettingsFile = m_szAppDataPath + QStringLiteral("Settings.ini");
    GetAppSettings();

    m_pRenderer = std::make_unique<CPageRenderer>(QCoreApplication::applicationFilePath(),
                                                  QStringList {QStringLiteral("--render-pages")});
    m_pMainFrame = std::make_unique<CMainFrame>(m_settings, *m_pRenderer);
    auto* pView = new CQuireView(*m_pMainFrame, m_settings);
    m_pMainFrame->SetView(pView, pView);
    connect(m_pGuard.get(), &CSingleInstance::activationRequested, this, [this](const QStringList& files) {
        m_pMainFrame->OnActivateRequest();
        OpenFiles(files);
    });
    m_pGuard->Listen();
    m_pMainFrame->show();
    OpenFiles(FileArguments(arguments));
    return true;
}

int CQuireApp::ExitInstance(int nExitCode)
{
    // The settings path is empty when start-up ended before the settings were loaded; the file
    // is then left as it is.
    if (!m_szSettingsFile.isEmpty())
        WriteAppSettings();
    m_pMainFrame.reset();
    m_pRenderer.reset();
    m_pGuard.reset();
    return nExitCode;
}

QStringList CQuireApp::FileArguments(const QStringList& arguments)
{
    QStringList files;
    bool bOptionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& szArgument = arguments[i];
        if (!bOptionsEnded && szArgument == QLatin1String("--"))
            bOptionsEnded = true;
        else if (bOptionsEnded || !szArgument.startsWith(QLatin1Char('-')))
            files.append(QFileInfo(szArgument).absoluteFilePath());
    }
    return files;
}

void CQuireApp::OpenFiles(const QStringList& files)
{
    m_pendingFiles += files;
    DeliverFiles();
}

void CQuireApp::DeliverFiles()
{
    if (m_pendingFiles.isEmpty() || !m_pMainFrame)
        return;
    if (QApplication::activeModalWidget()) {
        if (!m_pDeliverTimer) {
            m_pDeliverTimer = new QTimer(this);
            m_pDeliverTimer->setSingleShot(true);
            m_pDeliverTimer->setInterval(250);
            connect(m_pDeliverTimer, &QTimer::timeout, this, &CQuireApp::DeliverFiles);
        }
        m_pDeliverTimer->start();
        return;
    }
    m_pMainFrame->AddFiles(std::exchange(m_pendingFiles, {}), CMainFrame::Source::Given);
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
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty()) {
        if (m_szAppPath.isEmpty())
            GetAppPath();
        documents = m_szAppPath;
    }
    m_settings.Load(m_szSettingsFile, WithSlash(documents));
}

bool CQuireApp::WriteAppSettings()
{
    return m_settings.Save();
}

QString CQuireApp::doBackupFile(const QString& szPath, QString* pszError)
{
    try {
        return EngineText::ToPath(quire::doBackupFile(EngineText::FromPath(szPath)));
    } catch (const pdf::PdfError& e) {
        if (pszError)
            *pszError = EngineText::ToText(e.what());
        return QString();
    }
}
