// SPDX-License-Identifier: Apache-2.0
#include "app/CFileDialog.h"

#include <QFileDialog>
#include <QList>

namespace {

bool g_bTestMode = false;
QList<QStringList> g_answers;
QStringList g_titles;
QStringList g_paths;

QStringList NextAnswer(const QString& title, const QString& path)
{
    g_titles.append(title);
    g_paths.append(path);
    return g_answers.isEmpty() ? QStringList() : g_answers.takeFirst();
}

} // namespace

QStringList CFileDialog::GetOpenFileNames(QWidget* parent, const QString& title, const QString& folder,
                                          const QString& filter)
{
    if (g_bTestMode)
        return NextAnswer(title, folder);
    return QFileDialog::getOpenFileNames(parent, title, folder, filter);
}

QString CFileDialog::GetSaveFileName(QWidget* parent, const QString& title, const QString& path, const QString& filter)
{
    if (g_bTestMode) {
        const QStringList answer = NextAnswer(title, path);
        return answer.isEmpty() ? QString() : answer.first();
    }
    return QFileDialog::getSaveFileName(parent, title, path, filter);
}

QString CFileDialog::GetExistingDirectory(QWidget* parent, const QString& title, const QString& folder)
{
    if (g_bTestMode) {
        const QStringList answer = NextAnswer(title, folder);
        return answer.isEmpty() ? QString() : answer.first();
    }
    return QFileDialog::getExistingDirectory(parent, title, folder);
}

void CFileDialog::SetTestMode(bool bOn)
{
    g_bTestMode = bOn;
    g_answers.clear();
    g_titles.clear();
    g_paths.clear();
}

void CFileDialog::SetNextFileNames(const QStringList& names)
{
    g_answers.append(names);
}

QStringList CFileDialog::TakeShownTitles()
{
    QStringList titles;
    titles.swap(g_titles);
    return titles;
}

QStringList CFileDialog::TakeShownPaths()
{
    QStringList paths;
    paths.swap(g_paths);
    return paths;
}
