// SPDX-License-Identifier: Apache-2.0
#include "preview/CPageRenderer.h"

CPageRenderer::CPageRenderer(const QString&, const QStringList&, QObject* pParent)
    : QObject(pParent)
{ }

CPageRenderer::~CPageRenderer() = default;

void CPageRenderer::Render(const QString&, const QString&, const QList<int>&, const QSize&) { }

void CPageRenderer::Cancel() { }

bool CPageRenderer::IsUnpreviewable(const QString&) const
{
    return false;
}

void CPageRenderer::SetTimeLimit(int) { }

qint64 CPageRenderer::ProcessId() const
{
    return 0;
}
