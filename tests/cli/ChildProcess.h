// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <chrono>
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
};

// Runs `argv` (argv[0] found on PATH unless it holds a '/') with stdin from /dev/null, collects both
// output streams and kills it when it runs past the limit. Never blocks longer than the limit.
ChildResult RunChild(const std::vector<std::string>& argv, const ChildOptions& options = {});
