// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QString>
#include <QStringList>

// The desktop's "open" for files and addresses. In test mode nothing is launched: each request
// is recorded instead, so tests can check what would have been opened.
class CShell
{
public:
    // Opens a local file with its default application. The answer is not a promise that a viewer
    // appeared; false only when the desktop refused at once.
    static bool OpenFile(const QString& path);
    // Opens an address (https:, file:, mailto:).
    static bool OpenUrl(const QString& url);

    static void SetTestMode(bool bOn);
    // Paths and addresses asked for since the last call, oldest first; clears the record.
    static QStringList TakeOpened();
};
