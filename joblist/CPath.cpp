// SPDX-License-Identifier: Apache-2.0
#include "joblist/CPath.h"

#include "engine/PathSplit.h"

namespace {

// The arguments start after the first blank that is not inside double quotes.
std::size_t ArgumentsStart(const std::string& text)
{
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"')
            quoted = !quoted;
        else if (text[i] == ' ' && !quoted)
            return i;
    }
    return std::string::npos;
}

} // namespace

CPath::CPath(const std::string& szPath, bool bIsFolderPath, bool bHasArguments)
{
    SetPath(szPath, bIsFolderPath, bHasArguments);
}

void CPath::SetPath(const std::string& szPath, bool bIsFolderPath, bool bHasArguments)
{
    // NOTE: every part is reset, not only some: a reused object must not report the directory or
    // title of the path it held before when it is given an empty one.
    m_sPath = szPath;
    m_sDrive.clear();
    m_sDir.clear();
    m_sFileTitle.clear();
    m_sExtension.clear();
    m_aDir.clear();
    m_sArgs.clear();
    m_aArgs.clear();
    m_bIsRelative = 0;

    std::string work = szPath;
    if (bHasArguments) {
        const std::size_t blank = ArgumentsStart(work);
        if (blank != std::string::npos) {
            m_sArgs = work.substr(blank + 1);
            work.erase(blank);
        }
    }
    if (work.size() >= 2 && work.front() == '"' && work.back() == '"')
        work = work.substr(1, work.size() - 2);
    if (work.empty())
        return;

    const quire::PathParts parts = quire::SplitPath(work);
    m_sDir = parts.dir;
    if (!m_sDir.empty())
        m_bIsRelative = m_sDir.front() != '/' ? 1 : 0;

    if (!bIsFolderPath) {
        m_sFileTitle = parts.name;
    } else {
        m_sDir = AddBackSlash(AddBackSlash(m_sDir) + parts.name);
    }
    if (!m_sFileTitle.empty() && !parts.ext.empty())
        m_sExtension = parts.ext.substr(1);
}

std::string CPath::GetExtension() const
{
    return m_sExtension.empty() ? std::string() : "." + m_sExtension;
}

std::string CPath::GetFileName() const
{
    return m_sFileTitle + GetExtension();
}

std::string CPath::GetDir(int nIndex)
{
    if (nIndex < 0)
        return m_sDir;
    FillDirArray();
    return static_cast<std::size_t>(nIndex) < m_aDir.size() ? m_aDir[static_cast<std::size_t>(nIndex)] : std::string();
}

void CPath::FillDirArray()
{
    if (m_sDir.empty() || !m_aDir.empty())
        return;
    // Leading separators of an absolute folder name no component.
    std::size_t pos = m_sDir.find_first_not_of('/');
    while (pos != std::string::npos && pos < m_sDir.size()) {
        const std::size_t slash = m_sDir.find('/', pos);
        if (slash == std::string::npos)
            break;
        if (slash > pos)
            m_aDir.push_back(m_sDir.substr(pos, slash - pos));
        pos = slash + 1;
    }
}

std::string CPath::AddBackSlash(const std::string& szFolderPath, bool bInverted)
{
    (void)bInverted;
    if (szFolderPath.empty() || szFolderPath.back() == '/')
        return szFolderPath;
    return szFolderPath + '/';
}
