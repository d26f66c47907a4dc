// SPDX-License-Identifier: Apache-2.0
#include "preview/CPageStripModel.h"

#include <algorithm>
#include <limits>

CPageStripModel::CPageStripModel(qint64 nBudgetBytes, QObject* pParent)
    : QAbstractListModel(pParent)
    , m_cache(std::clamp<qint64>(nBudgetBytes, 1, std::numeric_limits<qsizetype>::max()))
{ }

void CPageStripModel::SetFile(const QString& szFileKey, int nPages)
{
    beginResetModel();
    m_szFileKey = szFileKey;
    m_nPages = szFileKey.isEmpty() ? 0 : std::max(0, nPages);
    m_bRange = false;
    m_nBegin = 1;
    m_nEnd = m_nPages;
    m_failures.clear();
    m_szFileFailure.clear();
    endResetModel();
}

void CPageStripModel::SetRange(int nBegin, int nEnd)
{
    if (m_bRange && nBegin == m_nBegin && nEnd == m_nEnd)
        return;
    const int nOldBegin = m_bRange ? m_nBegin : 1;
    const int nOldEnd = m_bRange ? m_nEnd : m_nPages;
    m_bRange = true;
    m_nBegin = nBegin;
    m_nEnd = nEnd;
    // Only the pages between the old and the new ends change; with thousands of pages a reset would
    // lose the strip's place.
    const int nFirst = std::min({nOldBegin, nBegin, nOldEnd, nEnd});
    const int nLast = std::max({nOldBegin, nBegin, nOldEnd, nEnd});
    PagesChanged(nFirst - 1, nLast - 1);
}

void CPageStripModel::SetThumbnail(const QString& szFileKey, int nPage, const QImage& image, const QString& szLabel)
{
    if (szFileKey.isEmpty() || image.isNull())
        return;
    const qsizetype nCost = std::max<qsizetype>(1, image.sizeInBytes());
    m_cache.insert(CacheKey(szFileKey, nPage), new Thumbnail {image, szLabel}, nCost);
    if (szFileKey == m_szFileKey) {
        m_failures.remove(nPage);
        PagesChanged(nPage, nPage);
    }
}

void CPageStripModel::SetFailure(int nPage, const QString& szReason)
{
    if (m_szFileKey.isEmpty())
        return;
    if (nPage < 0) {
        m_szFileFailure = szReason;
        PagesChanged(0, m_nPages - 1);
        return;
    }
    m_failures.insert(nPage, szReason);
    PagesChanged(nPage, nPage);
}

bool CPageStripModel::NeedsDrawing(int nPage) const
{
    return nPage >= 0 && nPage < m_nPages && m_szFileFailure.isEmpty() && !m_failures.contains(nPage)
        && !m_cache.contains(CacheKey(m_szFileKey, nPage));
}

int CPageStripModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_nPages;
}

QVariant CPageStripModel::data(const QModelIndex& index, int nRole) const
{
    const int nPage = index.row();
    if (!index.isValid() || nPage < 0 || nPage >= m_nPages)
        return {};
    const Thumbnail* pThumbnail = m_cache.object(CacheKey(m_szFileKey, nPage));
    const QString szLabel = pThumbnail ? pThumbnail->szLabel : QString();
    const QString szFailure = !m_szFileFailure.isEmpty() ? m_szFileFailure : m_failures.value(nPage);
    const int nNumber = nPage + 1;
    switch (nRole) {
    case Qt::DisplayRole:
        return szLabel.isEmpty() || szLabel == QString::number(nNumber)
            ? QString::number(nNumber)
            : QStringLiteral("%1 (%2)").arg(nNumber).arg(szLabel);
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole: {
        QString szTip = QStringLiteral("Page %1").arg(nNumber);
        if (!szLabel.isEmpty() && szLabel != QString::number(nNumber))
            szTip += QStringLiteral(", labelled %1").arg(szLabel);
        if (!data(index, InRangeRole).toBool())
            szTip += QStringLiteral(", outside the range");
        if (!szFailure.isEmpty())
            szTip += QStringLiteral(": ") + szFailure;
        return szTip;
    }
    case ThumbnailRole:
        return pThumbnail ? pThumbnail->image : QImage();
    case InRangeRole:
        return nNumber >= m_nBegin && nNumber <= m_nEnd;
    case RangeEndRole:
        if (m_nBegin > m_nEnd)
            return int(NotAnEnd);
        return (nNumber == m_nBegin ? int(IsFirst) : 0) | (nNumber == m_nEnd ? int(IsLast) : 0);
    case FailureRole:
        return szFailure;
    case LabelRole:
        return szLabel;
    default:
        return {};
    }
}

QString CPageStripModel::CacheKey(const QString& szFileKey, int nPage)
{
    return szFileKey + QLatin1Char('\n') + QString::number(nPage);
}

void CPageStripModel::PagesChanged(int nFirst, int nLast)
{
    nFirst = std::max(nFirst, 0);
    nLast = std::min(nLast, m_nPages - 1);
    if (nFirst <= nLast)
        emit dataChanged(index(nFirst), index(nLast));
}
