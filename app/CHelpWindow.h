// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QWidget>

class QTextBrowser;

// The user guide, shown from the copy compiled into the program (HelpTargets.h: kUserGuideUrl).
// A link to a heading of the guide ("#keyboard") scrolls to it; any other address (https:, mailto:)
// goes to the desktop through CShell.
class CHelpWindow : public QWidget
{
    Q_OBJECT

public:
    explicit CHelpWindow(QWidget* parent = nullptr);

    QTextBrowser* Browser() const { return m_pBrowser; }

private:
    void OnAnchorClicked(const QUrl& link);

    QTextBrowser* m_pBrowser = nullptr;
};
