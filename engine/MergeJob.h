// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "JobTypes.h"

namespace quire {

// Joins the normalised page range of every checked row, in order, into options.outputPath.
//
// - Each source's outline is trimmed to its range and shifted to the output pages; a source without
//   an outline and with a non-empty bookmark text gets one bookmark (">", "(", ")" removed) at its
//   first output page. A row whose begin page lies beyond its end page contributes no pages and no
//   created bookmark.
// - Forms of every copied range keep working; same-named fields of different sources are renamed
//   ("name", "name+1") and reported.
// - Document information: author, subject, title, keywords (each only when not empty), then Creator
//   and Producer "Quire Binder".
// - The output is refused before anything is written when it is empty, a folder, or the same file
//   as a source. When no checked row contributes pages nothing is written.
// - An existing output is first copied to its backup when options.autoBackup is set.
// - The output is written to a temporary file beside it and renamed over it only on success: a
//   failed or stopped merge leaves no output and an existing output untouched. A source that
//   changed or vanished between being read and the write fails the merge.
// - The first unreadable source ends the merge; its error names the file and the reason. A source
//   protected only by an owner password is merged; its restrictions are not carried over (noted in
//   the report's notes).
// - The next checked source is parsed on a second thread while the current one is copied.
// Status texts: "Merging your PDF files, please wait a moment..." then "Merging Finished.".
JobReport RunMerge(const std::vector<JobRow>& rows, const MergeOptions& options, IJobObserver* observer = nullptr,
                   StopFlag stop = nullptr);

} // namespace quire
