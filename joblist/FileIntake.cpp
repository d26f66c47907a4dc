// SPDX-License-Identifier: Apache-2.0
#include "joblist/FileIntake.h"

#include "engine/PdfReader.h"
#include "joblist/CPath.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <new>

namespace quire {

namespace {

std::string ToLowerAscii(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool Exists(const std::string& szPath)
{
    std::error_code ec;
    return !szPath.empty() && std::filesystem::exists(szPath, ec);
}

} // namespace

ListItemResult MakeListItem(const std::string& szFilePath, const std::string& szPassword)
{
    ListItemResult result;
    try {
        pdf::PdfReader reader(szFilePath, szPassword);
        const int nPages = reader.NumberOfPages();
        const bool bHasOutline = reader.HasOutline();
        const bool bEncrypted = reader.IsEncrypted();
        // The job list never keeps a source open; the jobs open it again.
        reader.Close();

        const CPath path(szFilePath);
        const std::string szPages = std::to_string(nPages);
        // NOTE: built in one initialiser: assigning the literal "1" to a member trips a false
        // -Wrestrict of g++ 12 at -O2.
        result.item = ListItemData {
            .szFilePath = szFilePath,
            .szFileName = path.GetFileName(),
            .szPages = szPages,
            .szBeginPage = std::string(1, '1'),
            .szEndPage = szPages,
            .szBookmark = bHasOutline ? std::string() : path.GetFileTitle(),
            .nReserved = 0,
            .bChecked = 1,
            .nJobState = 0,
            .bEncrypted = bEncrypted,
            .szPassword = CSecretText(bEncrypted ? szPassword : std::string()),
        };
    } catch (const pdf::PdfError& e) {
        result.error = e;
    } catch (const std::bad_alloc&) {
        result.error = pdf::PdfError(pdf::PdfError::Kind::OutOfMemory, szFilePath, "out of memory",
                                     szFilePath + " needs more memory than is available");
    } catch (const std::exception& e) {
        // NOTE: the reader promises PdfError only; anything else still must not reach the caller as a
        // half-built record or an exception in the middle of a batch.
        result.error = pdf::PdfError(pdf::PdfError::Kind::Unreadable, szFilePath, e.what(),
                                     szFilePath + " cannot be read: " + e.what());
    }
    return result;
}

bool HasPdfEnding(const std::string& szPath)
{
    if (szPath.size() < 3)
        return false;
    return ToLowerAscii(szPath.substr(szPath.size() - 3)) == "pdf";
}

bool HasPdfExtension(const std::string& szPath)
{
    return ToLowerAscii(CPath(szPath).GetExtension()) == ".pdf";
}

bool AcceptDroppedPath(const std::string& szPath)
{
    std::error_code ec;
    if (std::filesystem::is_directory(szPath, ec))
        return false;
    return HasPdfEnding(szPath) && Exists(szPath);
}

} // namespace quire
