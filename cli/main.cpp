// SPDX-License-Identifier: Apache-2.0
// The `quire` command-line tool: merge, split and inspect PDF files on the same engine as the
// desktop program.
#include "cli/CQuireCli.h"
#include "engine/OutputFile.h"
#include "engine/PdfReader.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <iostream>

namespace {

std::atomic<bool> g_bStop {false};

extern "C" void OnEndSignal(int nSignal)
{
    // The first Ctrl+C or SIGTERM asks the job to stop before the next file (a merge then leaves no
    // output). A second one, or SIGHUP, ends the program at once: the temporary file being written
    // goes first, and the output it was to replace stays as it was.
    if (nSignal != SIGHUP && !g_bStop.exchange(true))
        return;
    quire::OutputFile::RemoveUnfinished();
    std::signal(nSignal, SIG_DFL);
    std::raise(nSignal);
}

void HandleUnlessIgnored(int nSignal)
{
    // A signal ignored by whoever started the program (nohup) stays ignored.
    struct sigaction current
    {
    };
    if (sigaction(nSignal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN)
        return;
    struct sigaction action
    {
    };
    action.sa_handler = OnEndSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(nSignal, &action, nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    for (int nSignal : {SIGINT, SIGTERM, SIGHUP})
        HandleUnlessIgnored(nSignal);
    // A file size limit then makes a write fail with "File too large", which the job reports like
    // any other write error, instead of ending the process halfway through a file.
    std::signal(SIGXFSZ, SIG_IGN);
    // The process ends right after its one job, and ending it returns the memory at once.
    pdf::PdfReader::LeaveLatestDocumentsToExit(true);
    const std::vector<std::string> args(argv + 1, argv + argc);
    CQuireCli cli(std::cout, std::cerr, isatty(STDERR_FILENO) == 1, &g_bStop);
    return cli.Run(args);
}
