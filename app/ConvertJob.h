// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "engine/JobTypes.h"

#include <QString>
#include <QStringList>

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
    // The merge output's passwords and permissions (a merge only; none when unset). Held in memory
    // for the job only, as the options it comes from.
    quire::Protection protection {};
    // A split writes its parts without their source's password protection.
    bool bRemoveProtection = false;
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
// the settings hold now and the session's protection options (never saved, so not in the settings):
// `protection` for a merge's output, `bRemoveProtection` for a split's parts. `szOutputPath` is the
// merge output (empty for a split). A relative split folder is taken from the home folder, since the
// program's working folder is nothing the user chose.
ConvertJob MakeConvertJob(std::int32_t nMode, std::vector<quire::JobRow> rows, const CAppSettings& settings,
                          std::string szOutputPath, const quire::Protection& protection = {},
                          bool bRemoveProtection = false);

// What the engine's merge and split are told to do for `job`.
quire::MergeOptions MergeOptionsOf(const ConvertJob& job);
quire::SplitOptions SplitOptionsOf(const ConvertJob& job);

// One line about what `report` says `job` did, for the status bar:
//   "Merged 3 files, 17 pages into /home/u/Documents/out.pdf"
//   "Split 2 files into 2 files beside their sources"
// with ", protected with a password (AES-256)" after a merge output written protected, followed by
// "; 1 ticked row added no pages" for skipped rows, "; 2 rows failed" for a split's failed rows and
// "; the output is not password-protected, though a source was" (a merge) or "; 2 files are not
// password-protected, though their sources were" (a split) when protected sources gave files
// written without protection; a stopped or failed job says so ("Merge stopped; nothing was written").
QString SummariseJob(const ConvertJob& job, const quire::JobReport& report);

// What the user must hear about the protection of the files `job` wrote, one sentence a line, or
// nothing: "<output> is protected with a password (AES-256)." with the permissions it withholds, or
// the report's notes that a file written is not password-protected though its source was.
QStringList ProtectionLines(const ConvertJob& job, const quire::JobReport& report);
// Whether `note` of a job report is one of those ProtectionLines tells.
bool IsProtectionNote(const std::string& note);

// The folder of the job's result: that of the last file written, or empty when nothing was written.
QString ResultFolder(const quire::JobReport& report);
