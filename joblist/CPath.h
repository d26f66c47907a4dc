// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <vector>

// One switch of an argument text; kept for the shape of the path object, nothing fills it.
struct CArgument
{
    char cSwitch = '/';
    std::string sName;
    std::string sValue;
};

// Splits a file path into directory, file title and extension and hands the parts back in the
// combinations the intake, the split job and the backup naming need.
//
// On this platform '/' is the only separator, there are no drives (`m_sDrive` stays empty), and a
// backslash is an ordinary file-name character. The title runs up to the last dot of the name and
// the extension follows it without the dot; a name that starts with its only dot (".pdf") has
// neither title nor extension. Double quotes around the whole path are removed before splitting.
class CPath
{
public:
    CPath() = default;
    explicit CPath(const std::string& szPath, bool bIsFolderPath = false, bool bHasArguments = false);
    virtual ~CPath() = default;

    // Replaces every part. In folder mode the last name belongs to the directory and there is no
    // title. In argument mode the text after the first blank outside double quotes goes to `m_sArgs`.
    void SetPath(const std::string& szPath, bool bIsFolderPath = false, bool bHasArguments = false);

    // "." followed by the extension, or empty when there is none.
    std::string GetExtension() const;
    std::string GetFileTitle() const { return m_sFileTitle; }
    // The title followed by GetExtension().
    std::string GetFileName() const;
    // The whole directory part when `nIndex` is negative, else component `nIndex` (from 0), or empty.
    std::string GetDir(int nIndex = -1);
    // Drive (none here) and directory: the folder with its trailing separator.
    std::string GetLocation() const { return m_sDrive + m_sDir; }
    std::string GetArguments() const { return m_sArgs; }
    bool IsRelative() const { return m_bIsRelative != 0; }

    // Fills the component list from the directory part, once.
    void FillDirArray();

    // `szFolderPath` with one '/' appended unless it is empty or already ends in one. `bInverted`
    // chose the other separator where there were two; here both give '/'.
    static std::string AddBackSlash(const std::string& szFolderPath, bool bInverted = false);

private:
    std::string m_sPath;
    std::string m_sDrive;
    std::string m_sDir;
    std::string m_sFileTitle;
    std::string m_sExtension;
    std::vector<std::string> m_aDir;
    std::string m_sArgs;
    std::vector<CArgument> m_aArgs;
    int m_bIsRelative = 0;
};
