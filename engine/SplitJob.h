// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "engine/JobTypes.h"

namespace quire {

// Writes the normalised page range of every checked row into parts, as options.mode cuts it (see
// SplitParts::Cut): by default one part, "<source folder><source title>_p<b>-<e>.pdf".
//
// - A part's file name comes from options.nameTemplate (see SplitNameTemplate) with ".pdf", in
//   options.folder or else beside its source. {bookmark} is the outline item the part starts at;
//   for a part that starts at none (the pages before the first item, or another mode) it is the
//   row's bookmark text, else the source's file title.
// - Refused before anything is written, with a sentence that says why (a whole-job error, kind
//   Refused): parts of fewer than 1 page, a bookmark level below 1, a template with an unknown field
//   or a '/', a template that gives a part an empty name, an output folder that does not exist or
//   cannot be written to. So are two parts whose files would be the same file (by path, or by folder
//   and name), naming both parts and the file, unless they are the very same source and range: that
//   file is then written once; and a file that would be the same file as the source of any row.
//   These checks look names up in maps, so that tens of thousands of parts cost no more per part.
// - The source's outline is read once per row and trimmed to each part, its pages counted from 1 in
//   the part; a source without one and with a non-empty bookmark text gets one bookmark to page 1
//   in every part. An outline cut at the reader's limits is noted.
// - The source's Title, Subject, Keywords and Author are copied; Creator and Producer "Quire Binder".
//   A source's XMP packet is carried updated to match (see XmpPacket::Describe), a new one when it
//   cannot be read (with a note); a part of a source without one gets none.
//   Forms, and links within the part, keep working (see PdfCopy::AddPages).
// - A row's szPassword opens its protected source (see MergeJob.h); all parts of a row share one
//   parsed copy of it. The parts of an encrypted source are encrypted as it is: the same method,
//   user and owner passwords and permissions. With options.removeProtection they are not, and the
//   notes say so ("a_p1-2.pdf is not password-protected; a.pdf was"); a row whose source was not
//   opened with its owner password (or has an empty one) then writes nothing and is reported.
// - A part that replaces a file is written as a merge output is (see MergeJob.h): a temporary file,
//   every write and close checked, synced, then renamed, its folder synced after it; it keeps the
//   replaced file's permission bits, and when options.autoBackup is set the replaced file is first
//   copied to its backup (a backup that cannot be made fails the row). A part that is a new file is
//   created under its own name, exclusively (nothing that turns up there meanwhile is replaced),
//   removed again when any write or close fails, and made durable with the row's other new parts by
//   one syncfs after the row (see SyncBatch); when that fails, those parts are removed and the row
//   is reported. An output that is not a regular file is refused.
// - A row that fails (unreadable source, a part not writable) is reported after the parts it wrote
//   and the job goes on with the next row; a row whose range holds no pages writes no file, is
//   reported as skipped, and makes the job's report not ok like a failed row.
// - A stop request ends the job before the next row, or before the next part of a row once its
//   first part is written; files already written stay.
// - Consecutive rows of the same source share one parsed copy of it while the file is unchanged; a
//   source rewritten so that its range gives other names than the ones checked fails its row.
// - Runs on a thread of its own with the stack qpdf needs (see PdfCopy::AddPages).
// Status texts: "Splitting your PDF files, please wait a moment..." then "Splitting Finished.";
// OnRow for every checked row, OnWriting(file) before each part is written; filesWritten lists
// every part in the order written.
JobReport RunSplit(const std::vector<JobRow>& rows, const SplitOptions& options, IJobObserver* observer = nullptr,
                   StopFlag stop = nullptr);

} // namespace quire
