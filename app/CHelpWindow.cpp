// SPDX-License-Identifier: Apache-2.0
#include "app/CHelpWindow.h"

#include "app/CShell.h"
#include "app/HelpTargets.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QVBoxLayout>

CHelpWindow::CHelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("IDD_HELP"));
    setWindowTitle(QStringLiteral("Quire Binder Help"));
    resize(760, 640);
    m_pBrowser = new QTextBrowser(this);
    m_pBrowser->setObjectName(QStringLiteral("IDC_HELP_TEXT"));
    // NOTE: QTextBrowser would load an outside address as a resource of its own; those go to the
    // desktop instead, so every link is handled here.
    m_pBrowser->setOpenLinks(false);
    connect(m_pBrowser, &QTextBrowser::anchorClicked, this, &CHelpWindow::OnAnchorClicked);
    m_pBrowser->setSource(QUrl(QLatin1String(kUserGuideUrl)), QTextDocument::MarkdownResource);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->addWidget(m_pBrowser);
}

void CHelpWindow::OnAnchorClicked(const QUrl& link)
{
    const QUrl target = m_pBrowser->source().resolved(link);
    if (target.scheme() != QLatin1String("qrc")) {
        CShell::OpenUrl(target.toString());
        return;
    }
    // NOTE: the Markdown reader gives headings no anchors, so a link to "#where-things-are-kept" finds
    // its heading by the name a Markdown site gives it: lower case, blanks as '-', no punctuation.
    for (QTextBlock block = m_pBrowser->document()->begin(); block.isValid(); block = block.next()) {
        QString szName;
        for (const QChar c : block.text().toLower()) {
            if (c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_'))
                szName += c;
            else if (c == QLatin1Char(' '))
                szName += QLatin1Char('-');
        }
        if (block.blockFormat().headingLevel() > 0 && szName == target.fragment()) {
            m_pBrowser->setTextCursor(QTextCursor(block));
            const QRectF rcBlock = m_pBrowser->document()->documentLayout()->blockBoundingRect(block);
            m_pBrowser->verticalScrollBar()->setValue(static_cast<int>(rcBlock.top()));
            return;
        }
    }
}
