// SPDX-License-Identifier: Apache-2.0
#pragma once

// Runs the real `quire` program as a child process in a test's own folder, and the helpers that
// name what a test expects of the files it wrote.
#include "tests/cli/ChildProcess.h"
#include "tests/support/PdfFixtures.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace fs = std::filesystem;
namespace fx = quire::fixtures;
using Strings = std::vector<std::string>;

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

inline struct stat Lstat(const std::string& path)
{
    struct stat st = {};
    ::lstat(path.c_str(), &st);
    return st;
}

inline bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// "<tag> page <first>" ... "<tag> page <last>": the texts of those pages of a fixture ("A page 3") or
// of the corpus's numbered files ("Original page 3").
inline Strings Pages(const std::string& tag, int first, int last)
{
    Strings pages;
    for (int p = first; p <= last; ++p)
        pages.push_back(tag + " page " + std::to_string(p));
    return pages;
}

inline Strings Original(int first, int last)
{
    return Pages("Original", first, last);
}

inline Strings Concat(const std::vector<Strings>& parts)
{
    Strings all;
    for (const Strings& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

inline void ExpectSound(const std::string& path, const Strings& pages)
{
    EXPECT_TRUE(fx::QpdfCheckPasses(path)) << path;
    EXPECT_EQ(fx::PageTexts(path), pages) << path;
}

// The document information a merge or split sets, as pdfinfo reads it: "Title=T; Creator=C; " with
// only the keys the file has.
inline std::string Information(const std::string& path)
{
    const std::map<std::string, std::string> info = fx::PdfInfo(path);
    std::string text;
    for (const char* key : {"Title", "Author", "Subject", "Keywords", "Creator", "Producer"})
        if (info.count(key))
            text += std::string(key) + "=" + info.at(key) + "; ";
    return text;
}

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
            const struct stat st = Lstat(entry.path());
            std::string& value = entries[fs::relative(entry.path(), m_tmp.Path()).string()];
            value = std::to_string(st.st_mode) + " " + std::to_string(st.st_rdev) + " ";
            if (S_ISREG(st.st_mode))
                value += ReadWholeFile(entry.path().string());
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

    // Runs quire and expects it to fail with status 1 and exactly `err` (backup stamps as
    // "<stamp>"), leaving the folder as it was.
    void ExpectFailure(const Strings& args, const std::string& err, ChildOptions options = {})
    {
        SCOPED_TRACE(::testing::PrintToString(args));
        const std::map<std::string, std::string> before = Snapshot();
        const ChildResult result = Quire(args, options);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(std::regex_replace(result.err, std::regex("_[0-9]{17}\\.pdf"), "_<stamp>.pdf"), err);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(Changes(before), "");
    }

    ChildOptions InFolder() const
    {
        ChildOptions options;
        options.workingDir = m_tmp.Path().string();
        return options;
    }

    // Everything in the test's folder, sorted.
    Strings Listing() const
    {
        Strings names;
        for (const fs::directory_entry& entry : fs::directory_iterator(m_tmp.Path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // The backups made for "<title>.pdf" beside it ("<title>_<17 digits>.pdf").
    Strings Backups(const std::string& title) const
    {
        Strings found;
        const std::regex pattern(title + "_[0-9]{17}\\.pdf");
        for (const std::string& name : Listing())
            if (std::regex_match(name, pattern))
                found.push_back(m_tmp.File(name));
        return found;
    }
};
