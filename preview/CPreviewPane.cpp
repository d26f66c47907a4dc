// SPDX-License-Identifier: Apache-2.0
#include "preview/CPreviewPane.h"

#include "preview/CPageRenderer.h"
#include "preview/CPageStrip.h"
#include "preview/CPageStripDelegate.h"
#include "preview/CPageStripModel.h"

#include "engine/FileIdentity.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// A file's identity for the thumbnail cache: a file replaced or changed on disk is another file.
QString FileKey(const QString& szPath)
{
    if (szPath.isEmpty())
        return {};
    const std::optional<pdf::FileIdentity> identity = pdf::FileIdentity::Of(QFile::encodeName(szPath).toStdString());
    return QFileInfo(szPath).absoluteFilePath() + QLatin1Char('\n')
        + (identity ? QString::fromStdString(identity->Stamp()) : QStringLiteral("unread"));
}

} // namespace

CPreviewPane::CPreviewPane(CPageRenderer& renderer, qint64 nBudgetBytes, QWidget* pParent)
    : QWidget(pParent)
    , m_renderer(renderer)
{
    m_pModel = new CPageStripModel(nBudgetBytes, this);
    m_pHeading = new QLabel(this);
    m_pHeading->setObjectName(QStringLiteral("PreviewHeading"));
    m_pHeading->setWordWrap(true);
    m_pHeading->setTextFormat(Qt::PlainText);
    m_pStrip = new CPageStrip(this);
    m_pStrip->setObjectName(QStringLiteral("PreviewStrip"));
    m_pStrip->setModel(m_pModel);
    m_pStrip->setAccessibleName(QStringLiteral("Pages"));
    auto* pHint = new QLabel(QStringLiteral("Click a page: Begin Page. Shift+click: End Page. Keys: B and E."), this);
    pHint->setWordWrap(true);
    pHint->setEnabled(false);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(4, 4, 4, 4);
    pLayout->addWidget(m_pHeading);
    pLayout->addWidget(m_pStrip, 1);
    pLayout->addWidget(pHint);

    // Scrolling moves the view many times per frame; the pages are asked for once it has settled
    // for this event-loop turn.
    m_pRequestTimer = new QTimer(this);
    m_pRequestTimer->setSingleShot(true);
    m_pRequestTimer->setInterval(0);
    connect(m_pRequestTimer, &QTimer::timeout, this, &CPreviewPane::RequestPages);
    connect(m_pStrip, &CPageStrip::viewMoved, m_pRequestTimer, qOverload<>(&QTimer::start));
    connect(m_pStrip, &CPageStrip::beginPicked, this, &CPreviewPane::beginPicked);
    connect(m_pStrip, &CPageStrip::endPicked, this, &CPreviewPane::endPicked);
    connect(&m_renderer, &CPageRenderer::pageRendered, this, &CPreviewPane::OnPageRendered);
    connect(&m_renderer, &CPageRenderer::pageFailed, this, &CPreviewPane::OnPageFailed);
    connect(&m_renderer, &CPageRenderer::fileUnpreviewable, this, &CPreviewPane::OnFileUnpreviewable);
    UpdateHeading();
}

void CPreviewPane::ShowRow(const Row& row)
{
    const QString szKey = FileKey(row.szPath);
    if (szKey == m_pModel->FileKey() && row.nPages == m_pModel->rowCount() && row.szPassword == m_row.szPassword) {
        m_row = row;
        SetRange(row.nBegin, row.nEnd);
        return;
    }
    m_renderer.Cancel();
    m_row = row;
    m_szUnpreviewable.clear();
    m_pModel->SetFile(szKey, row.nPages);
    m_pModel->SetRange(row.nBegin, row.nEnd);
    if (!row.szPath.isEmpty() && m_renderer.IsUnpreviewable(row.szPath))
        OnFileUnpreviewable(row.szPath, QStringLiteral("This file cannot be previewed."));
    UpdateHeading();
    m_pStrip->ShowPage(std::clamp(row.nBegin, 1, std::max(1, row.nPages)) - 1);
    RequestPages();
}

void CPreviewPane::SetRange(int nBegin, int nEnd)
{
    m_pModel->SetRange(nBegin, nEnd);
    UpdateHeading();
}

void CPreviewPane::RequestPages()
{
    if (m_row.szPath.isEmpty() || !m_szUnpreviewable.isEmpty())
        return;
    QList<int> pages;
    for (const int nPage : m_pStrip->PagesToDraw(kPagesAround)) {
        if (m_pModel->NeedsDrawing(nPage))
            pages.append(nPage);
    }
    const qreal dScale = devicePixelRatioF();
    const QSize box = CPageStripDelegate::ThumbnailBox() * dScale;
    if (pages.isEmpty())
        m_renderer.Cancel();
    else
        m_renderer.Render(m_row.szPath, m_row.szPassword, pages, box);
}

void CPreviewPane::OnPageRendered(const QString& szPath, int nPage, const QImage& image, const QString& szLabel)
{
    if (szPath != m_row.szPath)
        return;
    QImage shown = image;
    shown.setDevicePixelRatio(devicePixelRatioF());
    m_pModel->SetThumbnail(m_pModel->FileKey(), nPage, shown, szLabel);
}

void CPreviewPane::OnPageFailed(const QString& szPath, int nPage, const QString& szReason)
{
    if (szPath == m_row.szPath)
        m_pModel->SetFailure(nPage, szReason);
}

void CPreviewPane::OnFileUnpreviewable(const QString& szPath, const QString& szReason)
{
    if (szPath != m_row.szPath)
        return;
    m_szUnpreviewable = szReason;
    m_pModel->SetFailure(-1, szReason);
    UpdateHeading();
}

void CPreviewPane::UpdateHeading()
{
    if (m_row.szPath.isEmpty()) {
        m_pHeading->setText(QStringLiteral("Select a file in the list to see its pages."));
        return;
    }
    const QString szName = QFileInfo(m_row.szPath).fileName();
    const int nBegin = m_pModel->FirstInRange();
    const int nEnd = m_pModel->LastInRange();
    QString szText = nBegin > nEnd
        ? QStringLiteral("%1: no pages in the range (%2 pages)").arg(szName).arg(m_row.nPages)
        : QStringLiteral("%1: pages %2 to %3 of %4").arg(szName).arg(nBegin).arg(nEnd).arg(m_row.nPages);
    if (!m_szUnpreviewable.isEmpty())
        szText += QStringLiteral("\n") + m_szUnpreviewable;
    m_pHeading->setText(szText);
}
