// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "engine/JobTypes.h"

#include <cstddef>
#include <string>
#include <vector>

namespace quire {

// One saved row: the source, its range as page numbers (0 or less: the ends the jobs fill in), its
// bookmark text and whether it is ticked. Never a password: a protected source asks for it again.
struct JobListRow
{
    std::string szFilePath; // absolute
    int nBeginPage = 1;
    int nEndPage = 0;
    std::string szBookmark {};
    bool bChecked = true;

    bool operator==(const JobListRow&) const = default;
};

// A job list as a ".quirejob" file holds it: the rows and the options of both jobs. Document
// information and split settings are the ones in force when it was saved.
struct JobListFile
{
    static constexpr const char* kExtension = ".quirejob";
    static constexpr const char* kFormat = "quire-binder-job-list";
    static constexpr int kVersion = 1; // files of a later version are refused
    static constexpr std::size_t kMaxBytes = 16u << 20; // larger files are refused unread

    std::vector<JobListRow> rows {};
    std::string szMergeOutput {};
    bool bNestBookmarks = false;
    std::string szTitle {};
    std::string szAuthor {};
    std::string szSubject {};
    std::string szKeywords {};
    SplitMode splitMode = SplitMode::PageRange;
    int nSplitEvery = 1;
    int nSplitLevel = 1;
    std::string szSplitNameTemplate {}; // empty: the default
    std::string szSplitFolder {}; // empty: beside each source

    bool operator==(const JobListFile&) const = default;
};

// Writes `list` to `path` as JSON through an OutputFile: a temporary file beside it renamed over it
// once complete, so an existing list is replaced only by a whole new one. Relative row paths are made
// absolute. Throws pdf::PdfError (Unwritable: "<path> cannot be written: <system's reason>"; also for
// texts that are not UTF-8, which JSON cannot hold).
void WriteJobList(const std::string& path, const JobListFile& list);

// Reads the job list at `path`. Throws pdf::PdfError: Unreadable ("<path> cannot be read: <system's
// reason>") when the file cannot be read; Refused ("<path> is not a job list: <why>") for anything
// else — larger than kMaxBytes, not JSON, nested deeper than a job list ever is, another format, a
// later version, a missing or mistyped field, a page number out of range, a row path that is not
// absolute. Unknown fields are ignored.
JobListFile ReadJobList(const std::string& path);

// Brings a saved range within a source that now has `nPages` pages: a begin or end page beyond the
// last page becomes the last page. True when anything changed.
bool ClampToPages(JobListRow& row, int nPages);

} // namespace quire
