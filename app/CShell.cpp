// SPDX-License-Identifier: Apache-2.0
#include "app/CShell.h"

#include <QDesktopServices>
#include <QUrl>

namespace {

bool g_bTestMode = false;
QStringList g_opened;

} // namespace

bool CShell::OpenFile(const QString& path)
{
    if (g_bTestMode) {
        g_opened.append(path);
        return true;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool CShell::OpenUrl(const QString& url)
{
    if (g_bTestMode) {
        g_opened.append(url);
        return true;
    }
    return QDesktopServices::openUrl(QUrl(url));
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
