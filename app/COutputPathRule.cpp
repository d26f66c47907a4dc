// SPDX-License-Identifier: Apache-2.0
#include "app/COutputPathRule.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString WithSlash(QString szFolder)
{
    if (!szFolder.endsWith(QLatin1Char('/')))
        szFolder += QLatin1Char('/');
    return szFolder;
}

} // namespace

QString COutputPathRule::Resolve(const QString& szTyped, const QString& szSavePath)
{
    QString szPath = ExpandHome(szTyped.trimmed());
    if (szPath.isEmpty())
        return szPath;
    if (QDir::isRelativePath(szPath))
        szPath.prepend(BaseFolder(szSavePath));
    if (szPath.endsWith(QLatin1Char('/')) || QFileInfo(szPath).isDir())
        return szPath;
    const QString szName = szPath.mid(szPath.lastIndexOf(QLatin1Char('/')) + 1);
    if (!HasExtension(szName))
        szPath += szName.endsWith(QLatin1Char('.')) ? QStringLiteral("pdf") : QStringLiteral(".pdf");
    return szPath;
}

QString COutputPathRule::ExpandHome(const QString& szPath)
{
    if (szPath == QLatin1String("~"))
        return QDir::homePath();
    if (szPath.startsWith(QLatin1String("~/")))
        return WithSlash(QDir::homePath()) + szPath.mid(2);
    return szPath;
}

QString COutputPathRule::BaseFolder(const QString& szSavePath)
{
    const QString szSave = ExpandHome(szSavePath.trimmed());
    const QString szFolder = szSave.left(szSave.lastIndexOf(QLatin1Char('/')) + 1);
    if (QDir::isRelativePath(szFolder))
        return WithSlash(QDir::homePath()) + szFolder;
    return szFolder;
}

bool COutputPathRule::HasExtension(const QString& szName)
{
    const qsizetype nDot = szName.lastIndexOf(QLatin1Char('.'));
    if (nDot <= 0 || nDot == szName.size() - 1)
        return false;
    bool bLetter = false;
    for (const QChar c : QStringView(szName).mid(nDot + 1)) {
        if (!c.isLetterOrNumber())
            return false;
        bLetter = bLetter || c.isLetter();
    }
    return bLetter;
}
