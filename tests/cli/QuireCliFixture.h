// SPDX-License-Identifier: Apache-2.0
#pragma once

// Runs the real `quire` program as a child process in a test's own folder, and the helpers that
// name what a test expects of the files it wrote.
#include "tests/support/PdfFixtures.h"
#include "tests/support/TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
namespace fx = quire::fixtures;
using Strings = std::vector<std::string>;

struct ChildResult
{
    int exitCode = -1; // -1 when it did not exit normally
    int signal = 0; // the signal that ended it, if any; SIGALRM at the time limit
    std::string out {};
    std::string err {};
};

struct ChildOptions
{
    std::chrono::seconds limit {120};
    std::string workingDir {}; // empty: the test's own
    bool bStderrOnTerminal = false; // a pseudo-terminal as stderr; it holds a few kilobytes only
    long long fileSizeLimit = -1; // RLIMIT_FSIZE in bytes; negative: inherited
    int umask = -1; // negative: inherited
    // Runs on a second thread with the child's pid; the child is not reaped before it returns.
    std::function<void(pid_t)> whileRunning {};
};

// Everything in `fd` from its start (a terminal cannot seek: what is waiting in it), then closes it.
inline std::string Drain(int fd)
{
    lseek(fd, 0, SEEK_SET);
    std::string text;
    char buffer[65536];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    close(fd);
    return text;
}

// Runs `argv` (argv[0] found on PATH unless it holds a '/') with stdin from /dev/null, no blocked
// signals and the default action for every end signal, whatever the test runner set; kills it at
// the limit.
inline ChildResult RunChild(const std::vector<std::string>& argv, const ChildOptions& options = {})
{
    // NOTE: files in memory rather than pipes: nothing has to drain them while the child runs, and
    // nothing shows up in the folder a test watches.
    const int out = memfd_create("out", MFD_CLOEXEC), err = memfd_create("err", MFD_CLOEXEC);
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    // forkpty gives the child a pseudo-terminal as stdin, stdout and stderr; only stderr stays one.
    int terminal = -1;
    const pid_t pid = options.bStderrOnTerminal ? forkpty(&terminal, nullptr, nullptr, nullptr) : fork();
    if (pid == 0) {
        // NOTE: a runner started under nohup, or a thread of this process with signals blocked, would
        // otherwise hand its dispositions down and hide how the program handles them itself.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        for (int nSignal : {SIGHUP, SIGINT, SIGTERM, SIGXFSZ, SIGALRM})
            signal(nSignal, SIG_DFL);
        const rlimit limit {static_cast<rlim_t>(options.fileSizeLimit), static_cast<rlim_t>(options.fileSizeLimit)};
        if ((options.fileSizeLimit >= 0 && setrlimit(RLIMIT_FSIZE, &limit) != 0)
            || (!options.workingDir.empty() && chdir(options.workingDir.c_str()) != 0))
            _exit(126);
        if (options.umask >= 0)
            ::umask(static_cast<mode_t>(options.umask));
        dup2(open("/dev/null", O_RDONLY | O_CLOEXEC), STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
        if (!options.bStderrOnTerminal)
            dup2(err, STDERR_FILENO);
        // The alarm outlives exec: the program is ended at the limit without a watcher here.
        alarm(static_cast<unsigned>(options.limit.count()));
        execvp(args[0], args.data());
        _exit(127);
    }
    std::thread watcher;
    if (options.whileRunning)
        watcher = std::thread(options.whileRunning, pid);
    siginfo_t ended {};
    waitid(P_PID, static_cast<id_t>(pid), &ended, WEXITED | WNOWAIT);
    if (watcher.joinable())
        watcher.join();
    int status = 0;
    waitpid(pid, &status, 0);
    const int nSignal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    const std::string errText = Drain(err);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, nSignal, Drain(out),
            terminal >= 0 ? Drain(terminal) : errText};
}

// Whether the child `pid` has ended, without reaping it.
inline bool HasEnded(pid_t pid)
{
    siginfo_t info {};
    return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid != 0;
}

inline const std::string kQuire = QUIRE_BINARY_DIR "/quire";
inline const std::string kCorpus = QUIRE_CORPUS_DIR;

// "<tag> page <first>" ... "<tag> page <last>": the texts of those pages of a fixture ("A page 3"),
// after the texts already in `pages`.
inline Strings Pages(const std::string& tag, int first, int last, Strings pages = {})
{
    for (int p = first; p <= last; ++p)
        pages.push_back(tag + " page " + std::to_string(p));
    return pages;
}

inline void ExpectSound(const std::string& path, const Strings& pages)
{
    EXPECT_TRUE(fx::QpdfCheckPasses(path)) << path;
    EXPECT_EQ(fx::PageTexts(path), pages) << path;
}

// The document information as pdfinfo reads it: "Title=T; Creator=C; " with only the keys the file has.
inline std::string Information(const std::string& path)
{
    const std::map<std::string, std::string> info = fx::PdfInfo(path);
    std::string text;
    for (const char* key : {"Title", "Author", "Subject", "Keywords", "Creator", "Producer"})
        if (info.count(key))
            text += std::string(key) + "=" + info.at(key) + "; ";
    return text;
}

// What a run of quire said, and what it changed in the test's folder.
struct Outcome
{
    int status = 1;
    std::string out;
    std::string err; // backup stamps as "_<stamp>.pdf"
    std::string changes {}; // " +added", " -removed", " ~changed" names, stamps as in `err`
    bool operator==(const Outcome&) const = default;
    friend void PrintTo(const Outcome& o, std::ostream* os)
    {
        *os << "status " << o.status << "\nout: " << o.out << "\nerr: " << o.err << "\nchanges:" << o.changes;
    }
};

class QuireCliTest : public TempDirTest
{
protected:
    // A fixture file whose pages show "<stem> page <n>"; `outline` gives it "<stem> <n>" -> page n.
    std::string Make(const std::string& name, int pages, bool outline = false, fx::PdfSpec desc = {})
    {
        desc.tag = fs::path(name).stem().string();
        desc.pages = pages;
        if (outline)
            desc.outline = fx::OnePerPage(pages, desc.tag);
        const std::string path = m_tmp.File(name);
        fs::create_directories(fs::path(path).parent_path());
        fx::WritePdf(path, desc);
        return path;
    }

    // Every entry under the test's folder: its type and permission bits, and a regular file's bytes.
    std::map<std::string, std::string> Snapshot() const
    {
        std::map<std::string, std::string> entries;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(m_tmp.Path())) {
            struct stat st = {};
            ::lstat(entry.path().c_str(), &st);
            entries[fs::relative(entry.path(), m_tmp.Path())] = std::to_string(st.st_mode) + " "
                + std::to_string(st.st_rdev) + " " + (S_ISREG(st.st_mode) ? ReadWholeFile(entry.path()) : "");
        }
        return entries;
    }

    // What differs from an earlier Snapshot(): "+added", "-removed", "~changed" names.
    std::string Changes(const std::map<std::string, std::string>& before) const
    {
        const std::map<std::string, std::string> now = Snapshot();
        std::string changes;
        for (const auto& [name, value] : now)
            if (!before.contains(name) || before.at(name) != value)
                changes += (before.contains(name) ? " ~" : " +") + name;
        for (const auto& [name, value] : before)
            if (!now.contains(name))
                changes += " -" + name;
        return changes;
    }

    // Runs quire in the test's folder: what it said and what it changed there.
    Outcome Run(Strings args, ChildOptions options = {}) const
    {
        args.insert(args.begin(), kQuire);
        const std::map<std::string, std::string> before = Snapshot();
        options.workingDir = m_tmp.Path();
        const ChildResult result = RunChild(args, options);
        EXPECT_EQ(result.signal, 0) << "quire died of signal " << result.signal << " (" << SIGALRM
                                    << " is the time limit)\n"
                                    << result.err;
        const std::regex stamp("_[0-9]{17}\\.pdf");
        return {result.exitCode, result.out, std::regex_replace(result.err, stamp, "_<stamp>.pdf"),
                std::regex_replace(Changes(before), stamp, "_<stamp>.pdf")};
    }

    // The files in the test's folder whose names match `pattern`, sorted.
    Strings Matching(const std::string& pattern) const
    {
        Strings found;
        for (const fs::directory_entry& entry : fs::directory_iterator(m_tmp.Path()))
            if (std::regex_match(entry.path().filename().string(), std::regex(pattern)))
                found.push_back(entry.path());
        std::sort(found.begin(), found.end());
        return found;
    }

    // The backups made for "<title>.pdf" beside it ("<title>_<17 digits>.pdf").
    Strings Backups(const std::string& title) const { return Matching(title + "_[0-9]{17}\\.pdf"); }
};
