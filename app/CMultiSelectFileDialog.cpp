// SPDX-License-Identifier: Apache-2.0
#include "app/CMultiSelectFileDialog.h"

#include "app/CFileDialog.h"

#include <QFileInfo>
#include <QRegularExpression>

CMultiSelectFileDialog::CMultiSelectFileDialog(bool bOpenFileDialog, const QString& lpszDefExt,
                                               const QString& lpszFileName, std::uint32_t dwFlags,
                                               const QString& lpszFilter, QWidget* pParentWnd)
    : m_bOpenFileDialog(bOpenFileDialog)
    , m_szDefExt(lpszDefExt)
    , m_szFileName(lpszFileName)
    , m_dwFlags(dwFlags)
    , m_szFilter(lpszFilter)
    , m_pParentWnd(pParentWnd)
{ }

int CMultiSelectFileDialog::DoModal()
{
    m_selection.clear();
    const QString szFilter = ToQtFilter(m_szFilter);
    if (m_bOpenFileDialog) {
        QStringList chosen = CFileDialog::GetOpenFileNames(m_pParentWnd, QString(), m_szFileName, szFilter);
        if (!(m_dwFlags & OFN_ALLOWMULTISELECT) && chosen.size() > 1)
            chosen = chosen.mid(0, 1);
        m_selection = chosen;
    } else {
        QString szPath = CFileDialog::GetSaveFileName(m_pParentWnd, QString(), m_szFileName, szFilter);
        if (!szPath.isEmpty() && !m_szDefExt.isEmpty() && QFileInfo(szPath).suffix().isEmpty())
            szPath += QLatin1Char('.') + m_szDefExt;
        if (!szPath.isEmpty())
            m_selection.append(szPath);
    }
    m_selection.removeAll(QString());
    return m_selection.isEmpty() ? IDCANCEL : IDOK;
}

CMultiSelectFileDialog::POSITION CMultiSelectFileDialog::GetStartPosition() const
{
    return m_selection.isEmpty() ? 0 : 1;
}

QString CMultiSelectFileDialog::GetNextPathName(POSITION& pos) const
{
    if (pos < 1 || pos > m_selection.size()) {
        pos = 0;
        return QString();
    }
    const QString szPath = m_selection[pos - 1];
    pos = pos < m_selection.size() ? pos + 1 : 0;
    return szPath;
}

QString CMultiSelectFileDialog::ToQtFilter(const QString& szClassicFilter)
{
    const QStringList parts = szClassicFilter.split(QLatin1Char('|'));
    QStringList filters;
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString szDescription = parts[i].trimmed();
        if (szDescription.isEmpty())
            break;
        QStringList patterns;
        for (const QString& szPattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString szTrimmed = szPattern.trimmed();
            patterns.append(szTrimmed == QLatin1String("*.*") ? QStringLiteral("*") : szTrimmed);
        }
        if (patterns.isEmpty())
            patterns.append(QStringLiteral("*"));
        szDescription.remove(trailingPatterns);
        filters.append(szDescription + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
    }
    return filters.join(QStringLiteral(";;"));
}
