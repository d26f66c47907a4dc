// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "engine/JobTypes.h"

namespace quire {

// Joins the normalised page range of every checked row, in order, into options.outputPath.
//
// - Each source's outline is trimmed to its range and shifted to the output pages; a source without
//   an outline and with a non-empty bookmark text gets one bookmark (">", "(", ")" removed) at its
//   first output page. With options.nestBookmarks every checked row that contributes pages gets a
//   top-level bookmark instead (its bookmark text, else its file title; ">", "(", ")" removed) at its
//   first output page, open, with its trimmed outline, if any, under it; bookmarksCreated counts these.
//   A row whose begin page lies beyond its end page (or past the source's last
//   page) contributes no pages and no created bookmark, and is reported as a skipped row ("<path>
//   has no pages in the range 5-2 (it begins after it ends); nothing of it was merged"); the merge
//   still succeeds when another row contributes pages.
// - Forms of every copied range keep working; same-named fields of different sources are renamed
//   ("name", "name+1") and reported.
// - Document information: author, subject, title, keywords (each only when not empty), then Creator
//   and Producer "Quire Binder".
// - The output is refused before anything is written when it is empty, a folder or anything else
//   that is not a regular file (checked again just before it is replaced), or the same file as a
//   source. When no checked row contributes pages nothing is written.
// - The output is written to a temporary file beside it and renamed over it only on success; every
//   write, fsync and close is checked. A failed or stopped merge (disk full, file size limit, ...:
//   the error names the file and the system's reason) leaves no temporary file and an existing
//   output untouched. A replaced output keeps its permission bits and group. A source that changed
//   or vanished between being read and the write fails the merge.
// - When options.autoBackup is set and the output exists, it is copied to its time-stamped backup
//   once the new file is complete, just before it is replaced. A backup that cannot be made fails
//   the merge and replaces nothing; a failed merge leaves no backup.
// - The first unreadable source ends the merge; its error names the file and the reason. A row's
//   szPassword opens its protected source: without one such a source fails the merge as needing a
//   password, with a wrong one as WrongPassword. A source protected only by an owner password opens
//   without one.
// - The output is protected (AES-256) only as options.protection says. When it is not and any
//   source was encrypted, the report's notes say so: "out.pdf is not password-protected; a.pdf was".
// - A source outline cut at the outline reader's limits is noted. A page whose objects nest deeper
//   than pdf::PdfCopy::kMaxCopyDepth is refused as damaged: the merge runs on a thread of its own
//   whose stack holds qpdf's recursion up to that depth.
// - The next checked source is parsed on a second thread while the current one is copied.
// Status texts: "Merging your PDF files, please wait a moment..." then "Merging Finished."; between
// the last row and the end, OnWriting(options.outputPath) as the file starts being written.
JobReport RunMerge(const std::vector<JobRow>& rows, const MergeOptions& options, IJobObserver* observer = nullptr,
                   StopFlag stop = nullptr);

} // namespace quire
