// SPDX-License-Identifier: Apache-2.0
#pragma once

// Runs the real `quire` program as a child process in a test's own folder, and the helpers that
// name what a test expects of the files it wrote.
#include "tests/cli/ChildProcess.h"
#include "tests/support/PdfFixtures.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace fs = std::filesystem;
namespace fx = quire::fixtures;

inline const std::string kQuire = QUIRE_BINARY_DIR "/quire";
inline const std::string kCorpus = QUIRE_CORPUS_DIR;

inline ChildResult Quire(std::vector<std::string> args, ChildOptions options = {})
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
inline std::vector<std::string> Pages(const std::string& tag, int first, int last)
{
    std::vector<std::string> pages;
    for (int p = first; p <= last; ++p)
        pages.push_back(tag + " page " + std::to_string(p));
    return pages;
}

inline std::vector<std::string> Original(int first, int last)
{
    return Pages("Original", first, last);
}

inline std::vector<std::string> Concat(const std::vector<std::vector<std::string>>& parts)
{
    std::vector<std::string> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

inline void ExpectSound(const std::string& path, const std::vector<std::string>& pages)
{
    EXPECT_TRUE(fx::QpdfCheckPasses(path)) << path;
    EXPECT_EQ(fx::PageTexts(path), pages) << path;
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

    ChildOptions InFolder() const
    {
        ChildOptions options;
        options.workingDir = m_tmp.Path().string();
        return options;
    }

    // Everything in the test's folder, sorted.
    std::vector<std::string> Listing() const
    {
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(m_tmp.Path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // The backups made for "<title>.pdf" beside it ("<title>_<17 digits>.pdf").
    std::vector<std::string> Backups(const std::string& title) const
    {
        std::vector<std::string> found;
        const std::regex pattern(title + "_[0-9]{17}\\.pdf");
        for (const std::string& name : Listing())
            if (std::regex_match(name, pattern))
                found.push_back(m_tmp.File(name));
        return found;
    }
};
