// SPDX-License-Identifier: Apache-2.0
#include "app/CShell.h"

#include "app/CMessageBox.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <QWidget>

namespace {

bool g_bTestMode = false;
QStringList g_opened;

// What xdg-open's exit status means, in the words of its manual.
QString OpenerFailure(int nStatus)
{
    switch (nStatus) {
    case 2:
        return QStringLiteral("it does not exist");
    case 3:
        return QStringLiteral("no application is set up to open it");
    case 4:
        return QStringLiteral("the application that opens it failed");
    default:
        return QStringLiteral("xdg-open ended with status %1").arg(nStatus);
    }
}

void Fail(const QPointer<QWidget>& pParent, const QString& szWhat, const QString& szReason)
{
    CMessageBox::Warning(pParent ? pParent.data() : QApplication::activeWindow(),
                         QStringLiteral("%1 could not be opened: %2.").arg(szWhat, szReason));
}

// `szAsked` is what the caller gave; `szWhat` names the target in a message ("The file /a/b.pdf");
// `szLocal` is its path when it is a local file or folder.
bool Launch(const QString& szAsked, const QUrl& url, const QString& szLocal, const QString& szWhat,
            QWidget* pParentWidget)
{
    if (g_bTestMode) {
        g_opened.append(szAsked);
        return true;
    }
    const QPointer<QWidget> pParent(pParentWidget);
    if (!szLocal.isEmpty() && !QFileInfo::exists(szLocal)) {
        Fail(pParent, szWhat, QStringLiteral("it does not exist"));
        return false;
    }
    const QString szOpener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (szOpener.isEmpty()) {
        if (QDesktopServices::openUrl(url))
            return true;
        Fail(pParent, szWhat, QStringLiteral("no program to open it with was found (xdg-open is not installed)"));
        return false;
    }
    // NOTE: xdg-open may stay until the viewer it started ends; a QProcess destroyed meanwhile would
    // kill it and the viewer with it. So the process object goes only once the opener has ended, and
    // one still running when the program ends is left alone.
    auto* pOpener = new QProcess;
    pOpener->setProgram(szOpener);
    pOpener->setArguments({szLocal.isEmpty() ? url.toString(QUrl::FullyEncoded) : szLocal});
    pOpener->setProcessChannelMode(QProcess::ForwardedChannels);
    pOpener->setStandardInputFile(QProcess::nullDevice());
    QObject::connect(pOpener, &QProcess::finished, pOpener,
                     [pOpener, pParent, szWhat](int nStatus, QProcess::ExitStatus exit) {
                         pOpener->deleteLater();
                         if (exit == QProcess::CrashExit)
                             Fail(pParent, szWhat, QStringLiteral("xdg-open ended abnormally"));
                         else if (nStatus != 0)
                             Fail(pParent, szWhat, OpenerFailure(nStatus));
                     });
    QObject::connect(pOpener, &QProcess::errorOccurred, pOpener, [pOpener, pParent, szWhat](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart)
            return;
        pOpener->deleteLater();
        Fail(pParent, szWhat, QStringLiteral("xdg-open could not be started: %1").arg(pOpener->errorString()));
    });
    pOpener->start();
    return true;
}

} // namespace

bool CShell::OpenFile(const QString& path, QWidget* pParent)
{
    return Launch(path, QUrl::fromLocalFile(path), path, QStringLiteral("The file %1").arg(path), pParent);
}

bool CShell::OpenFolder(const QString& path, QWidget* pParent)
{
    return Launch(path, QUrl::fromLocalFile(path), path, QStringLiteral("The folder %1").arg(path), pParent);
}

bool CShell::OpenUrl(const QString& url, QWidget* pParent)
{
    const QUrl address(url);
    return Launch(url, address, address.isLocalFile() ? address.toLocalFile() : QString(), url, pParent);
}

void CShell::SetTestMode(bool bOn)
{
    g_bTestMode = bOn;
    g_opened.clear();
}

QStringList CShell::TakeOpened()
{
    QStringList opened;
    opened.swap(g_opened);
    return opened;
}
