// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "JobTypes.h"
#include "PdfReader.h"

#include <string>

// A checked job row for `path` as the desktop program builds it when the file is added: the real page
// count as its page text, and the typed begin and end texts.
inline quire::JobRow RowFor(const std::string& path, const std::string& begin = "1", const std::string& end = "0",
                            const std::string& bookmark = "")
{
    quire::JobRow row;
    row.szFilePath = path;
    row.szPages = std::to_string(pdf::PdfReader(path).NumberOfPages());
    row.szBeginPage = begin;
    row.szEndPage = end;
    row.szBookmark = bookmark;
    return row;
}
