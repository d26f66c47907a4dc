// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "engine/JobTypes.h"

namespace quire {

// Writes the normalised page range of every checked row into "<source folder><source title>_p<b>-<e>.pdf".
//
// - Every row's file name is worked out before anything is written. Two rows whose files would be
//   the same file refuse the whole job, naming both rows, unless they are the very same source and
//   range: that file is then written once. A file that would be the same
//   file as the source of any row refuses the whole job too.
// - The source's outline is trimmed to the range; a source without one and with a non-empty
//   bookmark text gets one bookmark to page 1. An outline cut at the reader's limits is noted.
// - The source's Title, Subject, Keywords and Author are copied; Creator and Producer "Quire Binder".
// - A row's szPassword opens its protected source (see MergeJob.h). The parts of an encrypted source
//   are encrypted as it is: the same method, user and owner passwords and permissions. With
//   options.removeProtection they are not, and the notes say so ("a_p1-2.pdf is not
//   password-protected; a.pdf was"); a row whose source was not opened with its owner password (or
//   has an empty one) then writes nothing and is reported.
// - Each output is written as a merge output is (see MergeJob.h): a temporary file, every write,
//   fsync and close checked, then a rename; an output that is not a regular file is refused; a
//   replaced output keeps its permission bits; when options.autoBackup is set, an existing output is
//   first copied to its backup, and a backup that cannot be made fails that row.
// - A row that fails (unreadable source, output not writable) is reported and the job goes on with
//   the next row; a row whose range holds no pages writes no file, is reported as skipped, and
//   makes the job's report not ok like a failed row.
// - A stop request ends the job before the next row; files already written stay.
// - Consecutive rows of the same source share one parsed copy of it while the file is unchanged; a
//   source rewritten so that its range gives another name than the one checked fails its row.
// - Runs on a thread of its own with the stack qpdf needs (see PdfCopy::AddPages).
// Status texts: "Splitting your PDF files, please wait a moment..." then "Splitting Finished.";
// OnWriting(file) before each file is written.
JobReport RunSplit(const std::vector<JobRow>& rows, const SplitOptions& options, IJobObserver* observer = nullptr,
                   StopFlag stop = nullptr);

} // namespace quire
