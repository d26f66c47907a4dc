// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "engine/JobTypes.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CAppSettings;
class CDialogConvert;

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
};

// The job `nMode` (1 merge, 0 split) of `rows`, with the switches and document texts the settings
// hold now; `szOutputPath` is the merge output (empty for a split).
ConvertJob MakeConvertJob(std::int32_t nMode, std::vector<quire::JobRow> rows, const CAppSettings& settings,
                          std::string szOutputPath);

// The progress dialog of the running job. Written by the user-interface thread before the worker
// starts; the worker only reads it.
extern CDialogConvert* pDialog;

// The stop request of the running job: a fresh flag for every job, made by the dialog before the
// worker starts and raised by its Stop button. The jobs test it before each row.
extern std::shared_ptr<std::atomic<bool>> hExit;

// The workers. Each runs the job of `pDialog` through the engine, passes the status texts and the
// file being worked on to the dialog, ends the busy indicator and hands the job report to the
// dialog, which then opens the result (when asked to) and ends. They never throw: an error that
// escapes the engine becomes a failed report. Both return 0.
unsigned ConvertMergeProc(CDialogConvert* pParam);
// `nSplitParam` is kept for the dialog's split parameter; the split does not use it.
unsigned ConvertSplitProc(std::int32_t nSplitParam);
