// SPDX-License-Identifier: Apache-2.0
#pragma once

// Runs the real `quire` program as a child process in a test's own folder, and the helpers that
// name what a test expects of the files it wrote.
#include "tests/support/PdfFixtures.h"
#include "tests/support/TempDir.h"

#include <gmock/gmock.h>

#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <regex>

namespace fs = std::filesystem;
namespace fx = quire::fixtures;
using Strings = std::vector<std::string>;

inline const std::string kQuire = QUIRE_BINARY_DIR "/quire";
inline const std::string kCorpus = QUIRE_CORPUS_DIR;

using fx::ExpectSound;
using fx::Pages;

// The document information as pdfinfo reads it: "Title=T; Creator=C; " with only the keys the file has.
inline std::string Information(const std::string& path)
{
    const std::map<std::string, std::string> info = fx::PdfInfo(path);
    std::string text;
    for (const std::string key : {"Title", "Author", "Subject", "Keywords", "Creator", "Producer"})
        text += info.contains(key) ? key + "=" + info.at(key) + "; " : "";
    return text;
}

// What a run of quire said, and what it changed in the test's folder.
struct Outcome
{
    int status = 1; // the exit status, or minus the signal that ended quire (-SIGALRM at the time limit)
    std::string out;
    std::string err; // backup stamps as "_<stamp>.pdf"
    std::string changes {}; // " +added", " -removed", " ~changed" names, stamps as in `err`
    bool operator==(const Outcome&) const = default;
    friend void PrintTo(const Outcome& o, std::ostream* os)
    {
        *os << "status " << o.status << " (" << -SIGALRM << ": the time limit)"
            << "\nout: " << o.out << "\nerr: " << o.err << "\nchanges:" << o.changes;
    }
};

// The entries of `dir` whose names match `pattern`, sorted; none when `dir` cannot be read.
inline Strings Matching(const fs::path& dir, const std::string& pattern)
{
    Strings found;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec))
        if (std::regex_match(entry.path().filename().string(), std::regex(pattern)))
            found.push_back(entry.path());
    std::sort(found.begin(), found.end());
    return found;
}

class QuireCliTest : public fx::FolderTest
{
protected:
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

    // Runs quire in the test's folder: what it said and what it changed there.
    Outcome Run(Strings args, fx::ChildOptions options = {}) const
    {
        args.insert(args.begin(), kQuire);
        const std::map<std::string, std::string> before = Snapshot();
        options.workingDir = m_tmp.Path();
        const fx::ChildResult result = fx::RunChild(args, options);
        const std::map<std::string, std::string> now = Snapshot();
        std::string changes;
        for (const auto& [name, value] : now)
            if (!before.contains(name) || before.at(name) != value)
                changes += (before.contains(name) ? " ~" : " +") + name;
        for (const auto& [name, value] : before)
            if (!now.contains(name))
                changes += " -" + name;
        const std::regex stamp("_[0-9]{17}\\.pdf");
        return {result.signal ? -result.signal : result.exitCode, result.out,
                std::regex_replace(result.err, stamp, "_<stamp>.pdf"),
                std::regex_replace(changes, stamp, "_<stamp>.pdf")};
    }
};
