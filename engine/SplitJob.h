// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "JobTypes.h"

namespace quire {

// Writes the normalised page range of every checked row into "<source folder><source title>_p<b>-<e>.pdf".
//
// - The source's outline is trimmed to the range; a source without one and with a non-empty
//   bookmark text gets one bookmark to page 1.
// - The source's Title, Subject, Keywords and Author are copied; Creator and Producer "Quire Binder".
// - An existing output is first copied to its backup when options.autoBackup is set; each output is
//   written through a temporary file and a rename.
// - A row that fails (unreadable source, output not writable) is reported and the job goes on with
//   the next row; a row whose begin page lies beyond its end page writes no file and is reported.
// - A stop request ends the job before the next row; files already written stay.
// - Consecutive rows of the same source share one parsed copy of it while the file is unchanged.
// Status texts: "Splitting your PDF files, please wait a moment..." then "Splitting Finished.".
JobReport RunSplit(const std::vector<JobRow>& rows, const SplitOptions& options, IJobObserver* observer = nullptr,
                   StopFlag stop = nullptr);

} // namespace quire
