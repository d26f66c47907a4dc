// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

// What a finished child process left behind.
struct ChildResult
{
    int exitCode = -1; // the exit status, or -1 when it did not exit normally
    int signal = 0; // the signal that ended it, if any
    bool timedOut = false; // it ran past the limit and was killed
    std::string out;
    std::string err;
};

struct ChildOptions
{
    std::chrono::milliseconds limit = std::chrono::seconds(60);
    std::string workingDir; // empty: the test's own
    bool bStderrOnTerminal = false; // give the child a pseudo-terminal as stderr
    long long fileSizeLimit = -1; // RLIMIT_FSIZE of the child in bytes; negative: inherited
    int umask = -1; // the child's umask; negative: inherited
    // Runs on a second thread with the child's pid while the output is collected. The child is not
    // reaped before it returns, so the pid stays the child's; it must return on its own (HasEnded).
    std::function<void(pid_t)> whileRunning;
};

// Runs `argv` (argv[0] found on PATH unless it holds a '/') with stdin from /dev/null, no blocked
// signals and the default action for SIGHUP, SIGINT, SIGTERM and SIGXFSZ, whatever the test runner
// set; collects both output streams and kills it when it runs past the limit. Never blocks longer
// than the limit (plus what whileRunning takes).
ChildResult RunChild(const std::vector<std::string>& argv, const ChildOptions& options = {});

// Whether the child `pid` has ended, without reaping it.
bool HasEnded(pid_t pid);
