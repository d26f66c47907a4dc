// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "engine/Document.h"
#include "engine/JobTypes.h"
#include "engine/PdfError.h"
#include "engine/SimpleBookmark.h"
#include "engine/WriteFault.h"

#include <memory>
#include <string>
#include <vector>

namespace quire {
class SyncBatch;
}

namespace pdf {

class PdfReader;

// Builds one output file from pages of any number of sources.
//
// The output starts empty; AddPages appends pages in order. Nothing touches the disk before Close:
// it writes the file through quire::OutputFile (a temporary file beside the output, every write,
// fsync and close checked, then a rename), so a failed write leaves no output and an existing file
// untouched.
//
// Every source reader given to AddPages is kept alive until Close has written the file, because the
// page contents are read from the sources' files (or in-memory copies) only then; its parsed
// document may go earlier (ReleaseParsed). Close checks that no source changed or vanished
// in the meantime and fails rather than writing blank pages.
//
// qpdf copies and writes objects recursively; AddPages refuses a page whose objects nest deeper
// than kMaxCopyDepth levels, well within what quire::kJobStackBytes holds. Call AddPages and Close
// on a thread with that stack (quire::RunOnLargeStack).
class PdfCopy
{
public:
    PdfCopy(Document& document, std::string outputPath);
    ~PdfCopy();
    PdfCopy(const PdfCopy&) = delete;
    PdfCopy& operator=(const PdfCopy&) = delete;

    // The deepest nesting of objects under one page that AddPages copies.
    static constexpr int kMaxCopyDepth = 100000;

    // Refuses an output path that is empty, names a folder or anything else that is not a regular
    // file (a device, a FIFO, a socket; a symbolic link to a regular file is accepted), lies in a
    // folder that does not exist or cannot be written to, or is the same file as one of
    // `sourcePaths` (same path, "./" alias, hard or symbolic link). Creates nothing. Throws PdfError
    // (Refused or Unwritable).
    static void CheckOutputPath(const std::string& outputPath, const std::vector<std::string>& sourcePaths);

    // Appends pages [from, to] (1-based, inclusive, clamped to the source's pages) of `reader`; returns
    // the number appended. The form fields with a widget on those pages come along and keep working:
    // one copy per call, so a field with widgets on several of the pages stays one field; a field whose
    // name is already in the output is renamed "name+1", "name+2", ... (see RenamedFields). Links on the
    // pages that lead to a page of the range are pointed at its copy; links to pages outside the range
    // are removed. The pages keep their page labels, re-based so that each shows the label it had;
    // when some source has labels, the pages of one without get their output page number. The named
    // destinations that lead to the pages come along, renamed "name-2", "name-3", ... when the name
    // is already in the output (see RenamedDestinations); the others are left out. A link by name
    // keeps its name (renamed with it); outline items and other links lead to their pages directly,
    // so a rename never breaks one. A damaged label or destination tree costs only what cannot be
    // read, with a note in Warnings. The source's layers (optional content) that the pages use come
    // along (all of them when the range is the whole source), hidden ones staying hidden;
    // `layerLabel` is the heading they are listed under in the output's layer panel when several
    // sources have layers (empty: the source's file title). Throws PdfError naming the source;
    // Damaged for a page whose objects nest deeper than kMaxCopyDepth.
    int AddPages(const PdfReader& reader, int from, int to, const std::string& layerLabel = {});

    // The output is written encrypted as `reader`'s file is: the same method, user and owner
    // passwords and permissions. Nothing changes for a reader that is not encrypted. Keeps the
    // reader's parsed document until Close.
    void KeepProtectionOf(const PdfReader& reader);
    // The output is written encrypted with AES-256 as `protection` says; not at all when it sets no
    // password. Replaces KeepProtectionOf.
    void Protect(const quire::Protection& protection);

    // The outline of the output, its pages counted from 1; written by Close. Entries whose page is
    // outside the output keep their title and kids without a target.
    void SetOutlines(BookmarkList outlines);

    int PageCount() const;
    // The layers (optional-content groups) taken so far, and from how many sources.
    int LayerCount() const;
    int LayerSourceCount() const;

    // Writes the file: the pages, the outline, the page labels and named destinations, the
    // document's information (and an XMP packet that says the same, made from
    // Document::MetadataBase when there is one; see XmpPacket::Describe), the layers of every source
    // in one /OCProperties (none when no source had any), object streams (unless the file holds only
    // a few dozen objects), a PDF version at least that of every source (1.5 with layers). Refuses
    // (PdfError::Kind::Refused) an output without pages and writes nothing. When `backup` is set
    // and the output exists, it is copied to its time-stamped backup once the new file is complete,
    // just before the new file replaces it; a backup that cannot be made fails Close and replaces
    // nothing, and a replace that then fails removes the backup again. Returns the backup path, or
    // empty when none was made. `fault` stages a write failure for tests.
    std::string Close(bool backup = false, const quire::WriteFault& fault = {});

    // Frees `reader`'s parsed document once its pages are in: copied pages keep no hold on the
    // document they came from, only on its input, which stays for Close. The caller must not use
    // `reader` (or a copy of it) again except to destroy it. Keeps the document when a form copy
    // failed, and when the reader is shared elsewhere.
    void ReleaseParsed(const PdfReader& reader);

    // Close writes an output that does not exist yet in place and leaves its durability to `batch`
    // (see quire::OutputFile).
    void DeferSyncTo(quire::SyncBatch& batch);

    // "old -> new" for each form field renamed so as not to clash with a field already in the output.
    const std::vector<std::string>& RenamedFields() const;
    // "old -> new" for each named destination renamed so as not to clash with one already in the output.
    const std::vector<std::string>& RenamedDestinations() const;
    // What qpdf reported while copying and writing, and forms that could not be copied.
    const std::vector<std::string>& Warnings() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace pdf
