// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The desktop's "open" for files, folders and addresses, through xdg-open (or, without it, whatever
// Qt finds). A request that cannot be carried out shows one message (CMessageBox) over `pParent` (the
// active window when null) naming the file, folder or address and the reason: it does not exist, no
// program to open it is installed, or the opener reported a failure. The opener's answer comes after
// the call has returned: its failure is told then, and true means only that nothing failed at once.
//
// In test mode nothing is launched and nothing is checked: each request is recorded instead, so tests
// can check what would have been opened.
class CShell
{
public:
    // Opens a local file with its default application.
    static bool OpenFile(const QString& path, QWidget* pParent = nullptr);
    // Opens a local folder in the file manager.
    static bool OpenFolder(const QString& path, QWidget* pParent = nullptr);
    // Opens an address (https:, file:, mailto:).
    static bool OpenUrl(const QString& url, QWidget* pParent = nullptr);

    static void SetTestMode(bool bOn);
    // Paths and addresses asked for since the last call, oldest first; clears the record.
    static QStringList TakeOpened();
};
