// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QFile>
#include <QString>

#include <string>

// The one crossing between Qt strings and the engine's: file paths travel in the file system's own
// encoding (QFile::encodeName, so that a name that is not valid UTF-8 still names its file), every
// other text (bookmarks, page texts, document information, messages) as UTF-8.
namespace EngineText {

inline std::string FromPath(const QString& szPath)
{
    return QFile::encodeName(szPath).toStdString();
}

inline QString ToPath(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

inline std::string FromText(const QString& szText)
{
    return szText.toStdString();
}

inline QString ToText(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace EngineText
