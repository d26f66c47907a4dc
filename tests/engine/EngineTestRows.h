// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "engine/MergeJob.h"
#include "engine/PdfReader.h"
#include "engine/SplitJob.h"
#include "tests/support/PdfFixtures.h"
#include "tests/support/TempDir.h"

#include <gmock/gmock.h>

#include <functional>
#include <tuple>

// A checked job row for `path` as the desktop program builds it when the file is added: the real page
// count as its page text (none for a file that cannot be read), and the typed begin and end texts.
inline quire::JobRow RowFor(const std::string& path, const std::string& begin = "1", const std::string& end = "0",
                            const std::string& bookmark = "")
{
    quire::JobRow row {path, true, bookmark, "", begin, end};
    try {
        row.szPages = std::to_string(pdf::PdfReader(path).NumberOfPages());
    } catch (const pdf::PdfError&) { }
    return row;
}

// What spans of fixture pages show: {{"A", 3, 5}, {"B", 1, 1}} gives "A page 3" ... "A page 5", "B page 1".
inline std::vector<std::string> Pages(const std::vector<std::tuple<std::string, int, int>>& spans)
{
    std::vector<std::string> texts;
    for (const auto& [tag, from, to] : spans) {
        for (int p = from; p <= to; ++p)
            texts.push_back(tag + " page " + std::to_string(p));
    }
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

// Records what a job tells the desktop program in the order told: status lines, "row:ordinal/total",
// "writing NAME" (", there already" if it exists then); `onRow` lets a test act between two rows.
class Observer : public quire::IJobObserver
{
public:
    void OnStatus(const std::string& text) override { events.push_back(text); }
    void OnRow(int row, int ordinal, int total, const std::string&) override
    {
        events.push_back(std::to_string(row) + ":" + std::to_string(ordinal) + "/" + std::to_string(total));
        if (onRow)
            onRow(row);
    }
    void OnWriting(const std::string& path) override
    {
        events.push_back("writing " + std::filesystem::path(path).filename().string()
                         + (std::filesystem::exists(path) ? ", there already" : ""));
    }
    std::vector<std::string> events;
    std::function<void(int)> onRow;
};

class JobTest : public TempDirTest
{
protected:
    // A fixture file whose pages show "<stem> page <n>"; `outline` gives it "<stem> <n>" -> page n.
    std::string Make(const std::string& name, int pages, bool outline = false,
                     quire::fixtures::PdfDesc desc = quire::fixtures::PdfDesc())
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

    // A merge into `name` in the folder, backing up what it replaces.
    quire::MergeOptions Options(const std::string& name = "out.pdf", const quire::WriteFault& fault = {})
    {
        return {m_tmp.File(name), true, {}, {}, {}, {}, fault}; // no title, author, subject or keywords
    }

    // Every file in the folder with its bytes, for "nothing else changed" checks.
    std::map<std::string, std::string> Snapshot()
    {
        std::map<std::string, std::string> files;
        for (const auto& e : std::filesystem::directory_iterator(m_tmp.Path()))
            files[e.path().filename().string()] = ReadWholeFile(e.path().string());
        return files;
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
