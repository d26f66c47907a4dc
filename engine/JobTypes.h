// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "engine/PdfError.h"
#include "engine/WriteFault.h"

#include <atomic>
#include <string>
#include <vector>

namespace quire {

// One row of the job list as a job takes it: the record's path, check flag and bookmark text, and
// the three page texts of the row's cells (page count, begin page, end page) exactly as typed.
struct JobRow
{
    std::string szFilePath;
    bool bChecked = true;
    std::string szBookmark;
    std::string szPages; // empty: the source's real page count stands in (a caller with no list cells)
    std::string szBeginPage;
    std::string szEndPage;
    // Opens a protected source (its user or owner password); empty for none. Held in memory for the
    // job only: the engine never writes it, logs it or puts it in a message.
    std::string szPassword {};
};

// How a merged file is protected: AES-256, with the permissions below. With neither password set
// the file is not protected.
struct Protection
{
    std::string userPassword; // needed to open the file; empty: it opens without one
    std::string ownerPassword; // needed to change the file or its protection; empty: the user password
    bool allowPrint = true;
    bool allowCopy = true; // copying text and images out of it
    bool IsSet() const { return !userPassword.empty() || !ownerPassword.empty(); }
};

struct MergeOptions
{
    std::string outputPath;
    bool autoBackup = true; // copy an existing output to its time-stamped backup first
    std::string title; // document information; empty texts are not set
    std::string author;
    std::string subject;
    std::string keywords;
    WriteFault fault; // tests only: a write failure to stage in the output or its backup
    Protection protection {}; // none by default
    // Every checked row gets a top-level bookmark (its bookmark text, else its file title) at its
    // first page, with the row's own trimmed outline under it.
    bool nestBookmarks = false;
};

// How a split cuts each checked row's range into parts.
enum class SplitMode {
    PageRange, // one part: the whole range
    EveryPages, // parts of SplitOptions::everyPages pages each, the last one shorter; 1: single pages
    AtBookmarks, // a part from each outline item of SplitOptions::bookmarkLevel (see SplitJob.h)
};

// The file name of a part (without ".pdf") when no template is given.
inline constexpr const char* kDefaultSplitNameTemplate = "{title}_p{begin}-{end}";

struct SplitOptions
{
    bool autoBackup = true;
    WriteFault fault; // tests only: a write failure to stage in every output or backup
    // Parts of a protected source are written protected as it is (same method, passwords and
    // permissions) unless this is set; removing the protection needs the owner password.
    bool removeProtection = false;
    SplitMode mode = SplitMode::PageRange;
    int everyPages = 1; // EveryPages: at least 1
    int bookmarkLevel = 1; // AtBookmarks: 1 for the top level
    // The part's file name without ".pdf": {title} (the source's file title), {begin}, {end} (source
    // page numbers), {n} (the part's number within its row, zero-padded to the width of the row's part
    // count), {bookmark} (AtBookmarks: the title of the item the part starts at; else, and for an item
    // without a title, the row's bookmark text or else the file title), each made safe for a file name
    // (see SplitNameTemplate). Empty: the default.
    std::string nameTemplate {};
    std::string folder {}; // where the parts go; empty: beside each source
};

// A row that failed or was passed over, with a sentence that names the file and the reason, and the
// kind of failure, for a caller that acts on it (asks for a password, say). The kind is the
// PdfError's own when the failure was one; Refused for a request the job turns down (no rows, no
// pages, an output that is a source, two split rows aiming at one file); OutOfMemory when memory ran
// out; Internal for anything the engine did not foresee, and for an error made without a kind. A
// stopped job records no error.
//
// A checked row whose range holds no pages (begin after end, or begin past the source's last page)
// is `skipped` (kind Refused): the job goes on without it. A merge that wrote its output is ok with
// skipped rows; a split is not (it wrote no part for the row).
struct RowError
{
    int row = -1; // index into the job's rows; -1 for the job as a whole
    std::string path;
    std::string message;
    pdf::PdfError::Kind kind = pdf::PdfError::Kind::Internal;
    bool skipped = false;
};

// What a job did. `ok` is false when the job failed as a whole (merge) or any row failed or was
// skipped (split).
struct JobReport
{
    bool ok = false;
    bool stopped = false; // the stop flag ended the job early
    std::vector<std::string> filesWritten; // in the order written
    std::vector<std::string> backupsMade; // backup copies of replaced outputs
    std::vector<int> rowsTaken; // rows the job took up (their nJobState becomes 0)
    int pagesWritten = 0;
    int bookmarksKept = 0; // source outline entries carried into outputs
    int bookmarksDropped = 0; // source outline entries trimmed away
    int bookmarksCreated = 0; // bookmarks made from a row's bookmark text
    int layersMerged = 0; // optional-content groups (layers) carried into the output of a merge
    int layerFiles = 0; // how many of a merge's sources those layers came from
    std::vector<std::string> renamedFields; // "old -> new" for form fields renamed to stay apart
    std::vector<std::string> renamedDestinations; // "old -> new" for named destinations renamed to stay apart (merge)
    std::vector<std::string> repairedInputs; // sources that qpdf had to repair to read
    std::vector<std::string> notes; // anything else worth telling (restrictions not carried over, ...)
    std::vector<RowError> errors; // per-row failures and skipped rows, and a whole-job refusal
};

// Receives progress from a job's own thread. Every call comes from the thread that runs the job.
class IJobObserver
{
public:
    virtual ~IJobObserver() = default;
    // A status line ("Merging your PDF files, please wait a moment...", "Merging Finished.").
    virtual void OnStatus(const std::string& text) { (void)text; }
    // Work on a checked row begins: it is number `ordinal` (from 1) of `total` checked rows.
    virtual void OnRow(int row, int ordinal, int total, const std::string& path)
    {
        (void)row;
        (void)ordinal;
        (void)total;
        (void)path;
    }
    // The output `path` is about to be written: it takes its place once complete, after this call.
    // A big merge spends seconds here after its last row.
    virtual void OnWriting(const std::string& path) { (void)path; }
};

// The stop request a job checks before each row. Null means "never stop".
using StopFlag = const std::atomic<bool>*;

} // namespace quire
