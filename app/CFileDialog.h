// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The program's open and save dialogs. In test mode no dialog is shown: the next queued answer is
// returned at once (an empty answer is a cancel), and the dialog's title and the folder or file it
// would have opened at are recorded.
class CFileDialog
{
public:
    static QStringList GetOpenFileNames(QWidget* parent, const QString& title, const QString& folder,
                                        const QString& filter);
    static QString GetSaveFileName(QWidget* parent, const QString& title, const QString& path, const QString& filter);
    // A folder chosen, starting at `folder`; empty when cancelled.
    static QString GetExistingDirectory(QWidget* parent, const QString& title, const QString& folder);

    static void SetTestMode(bool bOn);
    static void SetNextFileNames(const QStringList& names);
    static void SetNextFileName(const QString& name)
    {
        SetNextFileNames(name.isEmpty() ? QStringList() : QStringList {name});
    }
    static QStringList TakeShownTitles();
    static QStringList TakeShownPaths();
};
