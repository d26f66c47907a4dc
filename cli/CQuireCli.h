// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "cli/CCommandLine.h"
#include "engine/JobTypes.h"
#include "joblist/JobListFile.h"

#include <optional>

#include <ostream>
#include <string>
#include <vector>

// The `quire` command-line tool: parses the arguments and runs merge, split or info on the engine.
//
// Exit status: 0 when everything was done, 1 when a file could not be read or written (each such
// file is named on the error stream with the reason), 2 for wrong usage (the problem and the synopsis
// on the error stream). A range that holds no pages is named on the error stream with the reason, and
// is no failure as long as the job wrote something. Results go to `out`: the paths a split wrote,
// one per line, and info's lines or JSON array. A password, given on the command line or in a file,
// goes to the engine only: it is never written to either stream.
class CQuireCli
{
public:
    enum ExitCode {
        kExitOk = 0,
        kExitFailed = 1,
        kExitUsage = 2,
    };

    // `bProgress`: show per-file progress on stderr (a terminal). `stop`: a request to stop before the
    // next file, or null.
    CQuireCli(std::ostream& out, std::ostream& err, bool bProgress, quire::StopFlag stop);

    int Run(const std::vector<std::string>& args);

private:
    int RunMerge(const CliCommand& command);
    int RunSplit(const CliCommand& command);
    int RunInfo(const CliCommand& command);

    // One job row per INPUT, with the RANGE's texts and the bookmark text the desktop program's
    // intake would give the file, or the one --bookmark gave.
    static std::vector<quire::JobRow> MakeRows(const CliCommand& command);
    // Gives every password given as a file its text: the file's first line. Names each password file
    // that cannot be read (or that would protect the merged file with an empty password) on the error
    // stream, never what it holds, and returns false then: nothing is done.
    bool ReadPasswordFiles(CliCommand& command);
    // --job: reads the list, puts its ticked rows in as INPUTs (with the --job PASSWORD) and its merge
    // options where the command line left them empty, and keeps it for its split settings. Names a list
    // that cannot be read or is no job list on the error stream and returns false then: nothing is done.
    bool LoadJobList(CliCommand& command);
    // The split settings of the --job list, if any, in `options`.
    void ApplyJobSplitSettings(quire::SplitOptions& options) const;
    // Reports the report's errors and notes; returns the exit status it calls for.
    int Conclude(const quire::JobReport& report);
    void Error(const std::string& sentence);
    void OpenInViewer(const std::string& path);

    std::ostream& m_out;
    std::ostream& m_err;
    bool m_bProgress;
    quire::StopFlag m_stop;
    std::optional<quire::JobListFile> m_job; // the --job list
};
