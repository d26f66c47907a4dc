// SPDX-License-Identifier: Apache-2.0
// The `quire` command-line tool: merge, split and inspect PDF files on the same engine as the
// desktop program.
#include "CQuireCli.h"
#include "PdfReader.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <iostream>

namespace {

std::atomic<bool> g_bStop {false};

extern "C" void OnStopSignal(int nSignal)
{
    // The first Ctrl+C asks the job to stop before the next file (a merge then leaves no output);
    // a second one ends the program at once.
    g_bStop.store(true);
    std::signal(nSignal, SIG_DFL);
}

} // namespace

int main(int argc, char** argv)
{
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
    // The process ends right after its one job, and ending it returns the memory at once.
    pdf::PdfReader::LeaveLatestDocumentsToExit(true);
    const std::vector<std::string> args(argv + 1, argv + argc);
    CQuireCli cli(std::cout, std::cerr, isatty(STDERR_FILENO) == 1, &g_bStop);
    return cli.Run(args);
}
