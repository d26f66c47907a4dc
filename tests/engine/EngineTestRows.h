// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "engine/JobTypes.h"
#include "engine/PdfReader.h"
#include "tests/support/PdfFixtures.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// A checked job row for `path` as the desktop program builds it when the file is added: the real page
// count as its page text (none for a file that cannot be read), and the typed begin and end texts.
inline quire::JobRow RowFor(const std::string& path, const std::string& begin = "1", const std::string& end = "0",
                            const std::string& bookmark = "")
{
    quire::JobRow row;
    row.szFilePath = path;
    try {
        row.szPages = std::to_string(pdf::PdfReader(path).NumberOfPages());
    } catch (const pdf::PdfError&) { }
    row.szBeginPage = begin;
    row.szEndPage = end;
    row.szBookmark = bookmark;
    return row;
}

// "<tag> page <from>" ... "<tag> page <to>": what those pages of a fixture show.
inline std::vector<std::string> Pages(const std::string& tag, int from, int to)
{
    std::vector<std::string> texts;
    for (int p = from; p <= to; ++p)
        texts.push_back(tag + " page " + std::to_string(p));
    return texts;
}

// The report's error sentences, for the message of a failed assertion.
inline std::string Errors(const quire::JobReport& report)
{
    std::string text;
    for (const auto& e : report.errors)
        text += e.message + "\n";
    return text;
}

// Records what a job tells the desktop program; `onRow` lets a test act between two rows.
class Observer : public quire::IJobObserver
{
public:
    void OnStatus(const std::string& text) override { statuses.push_back(text); }
    void OnRow(int row, int ordinal, int total, const std::string& path) override
    {
        rows.push_back(std::to_string(row) + ":" + std::to_string(ordinal) + "/" + std::to_string(total));
        if (onRow)
            onRow(row, path);
    }
    std::vector<std::string> statuses;
    std::vector<std::string> rows;
    std::function<void(int, const std::string&)> onRow;
};

class JobTest : public TempDirTest
{
protected:
    // A fixture file whose pages show "<stem> page <n>"; `outline` gives it "<stem> <n>" -> page n.
    std::string Make(const std::string& name, int pages, bool outline = false,
                     quire::fixtures::PdfSpec desc = quire::fixtures::PdfSpec())
    {
        desc.tag = std::filesystem::path(name).stem().string();
        desc.pages = pages;
        if (outline)
            desc.outline = quire::fixtures::OnePerPage(pages, desc.tag);
        const std::string path = m_tmp.File(name);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        quire::fixtures::WritePdf(path, desc);
        return path;
    }

    // Everything in the folder, for "nothing was left behind" checks.
    std::vector<std::string> Listing()
    {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(m_tmp.Path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // The checks every written output goes through.
    void ExpectSound(const std::string& path, const std::vector<std::string>& pages)
    {
        std::string log;
        EXPECT_TRUE(quire::fixtures::QpdfCheckPasses(path, &log)) << log;
        EXPECT_EQ(quire::fixtures::PdfInfo(path)["Pages"], std::to_string(pages.size()));
        EXPECT_EQ(quire::fixtures::PageTexts(path), pages);
    }
};
