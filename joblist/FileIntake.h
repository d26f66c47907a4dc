// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "engine/PdfError.h"
#include "joblist/ListItemData.h"

#include <optional>
#include <string>

namespace quire {

// What reading a file for the job list gives: a complete record, or the error that kept it out.
// Exactly one of the two is set.
struct ListItemResult
{
    std::optional<ListItemData> item;
    // The reason the file cannot be added; what() is a sentence that names the file ("/docs/a.pdf
    // needs a password").
    std::optional<pdf::PdfError> error;
};

// Opens `szFilePath` once with the PDF reader (with `szPassword`, its user or owner password, when
// given), counts its pages, tests for an outline, closes it and builds the record a newly added file
// gets: path unchanged, name = file name with extension, pages = the page count in decimal, begin
// "1", end = the page-count text, bookmark = the file title (name without extension) when the file
// has no outline of its own and empty when it has one, nReserved 0, bChecked 1, nJobState 0,
// bEncrypted whether the file is protected, and szPassword = `szPassword` for a protected file
// (empty for one that is not). A file the reader cannot open (missing, a folder, not a PDF, damaged
// beyond repair, protected by a password not given: Kind::Password, or by another one than given:
// Kind::WrongPassword) gives no record, only the error. Never throws.
ListItemResult MakeListItem(const std::string& szFilePath, const std::string& szPassword = std::string());

// The name test of dropped files: the last three characters of the path, lower-cased, are "pdf".
// "report.xpdf" and "mypdf" pass; "a.pdf.txt" does not.
bool HasPdfEnding(const std::string& szPath);

// The name test of the open dialog and of the recent-file list: the extension (after the last dot of
// the file name), lower-cased, is "pdf". "b.PDF" passes; "report.xpdf" and "mypdf" do not.
bool HasPdfExtension(const std::string& szPath);

// Whether a dropped path goes to the job list: it is not a folder (folders are not searched), it
// passes HasPdfEnding, and something exists there.
bool AcceptDroppedPath(const std::string& szPath);

} // namespace quire
