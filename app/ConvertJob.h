// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "engine/JobTypes.h"

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

class CAppSettings;

// Everything one merge or split works on, taken by value when the progress dialog is made: the
// worker thread never reads a widget or a setting.
struct ConvertJob
{
    std::int32_t nMode = 1; // 1 = merge, 0 = split
    // The job list rows with the page texts of their cells, in list order.
    std::vector<quire::JobRow> rows;
    // The merge output: the ribbon's output path edit, resolved when the job was given.
    std::string szOutputPath;
    std::int32_t nAutoBackup = 1; // on only when exactly 1
    std::int32_t nOpenResult = 1; // on only when exactly 1
    // Document information of a merge output; empty texts are not set.
    std::string szPDFTitle;
    std::string szPDFAuthor;
    std::string szPDFSubject;
    std::string szPDFKeywords;
    // A merge puts each row's bookmarks under a bookmark of its own; on only when exactly 1.
    std::int32_t nNestBookmarks = 0;
    // How a split cuts, names and places its parts: the Split panel's settings when the job was given,
    // the template trimmed, the folder absolute (empty: beside each source).
    quire::SplitMode splitMode = quire::SplitMode::PageRange;
    std::int32_t nSplitEvery = 1;
    std::int32_t nSplitLevel = 1;
    std::string szSplitNameTemplate {};
    std::string szSplitFolder {};
};

// The job `nMode` (1 merge, 0 split) of `rows`, with the switches, document texts and split settings
// the settings hold now; `szOutputPath` is the merge output (empty for a split). A relative split
// folder is taken from the home folder, since the program's working folder is nothing the user chose.
ConvertJob MakeConvertJob(std::int32_t nMode, std::vector<quire::JobRow> rows, const CAppSettings& settings,
                          std::string szOutputPath);

// What the engine's merge and split are told to do for `job`.
quire::MergeOptions MergeOptionsOf(const ConvertJob& job);
quire::SplitOptions SplitOptionsOf(const ConvertJob& job);

// One line about what `report` says `job` did, for the status bar:
//   "Merged 3 files, 17 pages into /home/u/Documents/out.pdf"
//   "Split 2 files into 2 files beside their sources"
// followed by "; 1 ticked row added no pages" for skipped rows and "; 2 rows failed" for a split's
// failed rows; a stopped or failed job says so ("Merge stopped; nothing was written").
QString SummariseJob(const ConvertJob& job, const quire::JobReport& report);

// The folder of the job's result: that of the last file written, or empty when nothing was written.
QString ResultFolder(const quire::JobReport& report);
