// SPDX-License-Identifier: Apache-2.0
#include "app/CRecentFileList.h"

#include <QSettings>

namespace {

const char* const kGroup = "Recent File List";

QString Key(int nIndex)
{
    return QStringLiteral("File%1").arg(nIndex + 1);
}

} // namespace

CRecentFileList::CRecentFileList(int nSize)
    : m_nSize(nSize)
{ }

void CRecentFileList::ReadList(const QSettings& area)
{
    m_entries.clear();
    for (int i = 0; i < m_nSize; ++i) {
        const QString szPath = area.value(QLatin1String(kGroup) + QLatin1Char('/') + Key(i)).toString();
        if (!szPath.isEmpty() && !m_entries.contains(szPath))
            m_entries.append(szPath);
    }
}

void CRecentFileList::WriteList(QSettings& settings) const
{
    settings.beginGroup(QLatin1String(kGroup));
    for (int i = 0; i < m_nSize; ++i) {
        if (i < m_entries.size())
            settings.setValue(Key(i), m_entries[i]);
        else
            settings.remove(Key(i));
    }
    settings.endGroup();
}

void CRecentFileList::Add(const QString& szPath)
{
    if (szPath.isEmpty())
        return;
    m_entries.removeAll(szPath);
    m_entries.prepend(szPath);
    while (m_entries.size() > m_nSize)
        m_entries.removeLast();
}

bool CRecentFileList::Remove(const QString& szPath)
{
    return m_entries.removeAll(szPath) > 0;
}
