// SPDX-License-Identifier: Apache-2.0
#pragma once

// Runs the real `quire` program as a child process in a test's own folder, and the helpers that
// name what a test expects of the files it wrote.
#include "tests/support/PdfFixtures.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/types.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace fs = std::filesystem;
namespace fx = quire::fixtures;
using Strings = std::vector<std::string>;

struct ChildResult
{
    int exitCode = -1; // -1 when it did not exit normally
    int signal = 0; // the signal that ended it, if any
    bool timedOut = false;
    std::string out;
    std::string err;
};

struct ChildOptions
{
    std::chrono::seconds limit {60};
    std::string workingDir; // empty: the test's own
    bool bStderrOnTerminal = false; // a pseudo-terminal as stderr; it holds a few kilobytes only
    long long fileSizeLimit = -1; // RLIMIT_FSIZE in bytes; negative: inherited
    int umask = -1; // negative: inherited
    // Runs on a second thread with the child's pid; the child is not reaped before it returns.
    std::function<void(pid_t)> whileRunning;
};

// Runs `argv` (argv[0] found on PATH unless it holds a '/') with stdin from /dev/null, no blocked
// signals and the default action for every end signal, whatever the test runner set; kills it at
// the limit.
ChildResult RunChild(const std::vector<std::string>& argv, const ChildOptions& options = {});
// Whether the child `pid` has ended, without reaping it.
bool HasEnded(pid_t pid);

inline const std::string kQuire = QUIRE_BINARY_DIR "/quire";
inline const std::string kCorpus = QUIRE_CORPUS_DIR;

inline ChildResult Quire(Strings args, ChildOptions options = {})
{
    args.insert(args.begin(), kQuire);
    options.limit = std::chrono::seconds(120);
    ChildResult result = RunChild(args, options);
    EXPECT_FALSE(result.timedOut) << "quire ran too long";
    EXPECT_EQ(result.signal, 0) << "quire died of signal " << result.signal << "\n" << result.err;
    return result;
}

inline bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// "<tag> page <first>" ... "<tag> page <last>": the texts of those pages of a fixture ("A page 3") or
// of the corpus's numbered files ("Original page 3").
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
    std::string changes {}; // " +added", " -removed", " ~changed" names
    bool operator==(const Outcome&) const = default;
    friend void PrintTo(const Outcome& o, std::ostream* os)
    {
        *os << "status " << o.status << "\nout: " << o.out << "\nerr: " << o.err << "\nchanges:" << o.changes;
    }
};

class QuireCliTest : public TempDirTest
{
protected:
    // A copy of a corpus file in the test's folder, so that splits can write beside it.
    std::string Copy(const std::string& corpusName, const std::string& name)
    {
        const std::string target = m_tmp.File(name);
        fs::copy_file(kCorpus + "/" + corpusName, target);
        fs::permissions(target, fs::perms::owner_write, fs::perm_options::add);
        return target;
    }

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
    Outcome Run(const Strings& args, ChildOptions options = {}) const
    {
        const std::map<std::string, std::string> before = Snapshot();
        options.workingDir = m_tmp.Path();
        const ChildResult result = Quire(args, options);
        const std::string err = std::regex_replace(result.err, std::regex("_[0-9]{17}\\.pdf"), "_<stamp>.pdf");
        return {result.exitCode, result.out, err, Changes(before)};
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
