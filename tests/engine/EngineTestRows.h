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

// A split without backups that cuts each range in `mode`: parts of `n` pages, or at bookmarks of level `n`.
inline quire::SplitOptions Cut(quire::SplitMode mode, int n, const std::string& nameTemplate = "")
{
    quire::SplitOptions options;
    options.autoBackup = false;
    options.mode = mode;
    (mode == quire::SplitMode::AtBookmarks ? options.bookmarkLevel : options.everyPages) = n;
    options.nameTemplate = nameTemplate;
    return options;
}

using quire::fixtures::ExpectSound;
using quire::fixtures::Pages;

class JobTest : public quire::fixtures::FolderTest
{
protected:
    // A merge into `name` in the folder, backing up what it replaces.
    quire::MergeOptions Options(const std::string& name = "out.pdf", const quire::WriteFault& fault = {})
    {
        return {m_tmp.File(name), true, {}, {}, {}, {}, fault}; // no title, author, subject or keywords
    }
    // Every file in the folder with its bytes, for "nothing else changed" checks.
    std::map<std::string, std::string> Snapshot() const { return FolderContents(m_tmp.Path()); }
};
