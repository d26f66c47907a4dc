// SPDX-License-Identifier: Apache-2.0
// The real-world files of the shared corpus through the merge, for what only the job's report shows:
// every outline item is read once and carried over, loops end and headings stay. That each file
// merges and splits into a sound file, or is refused with a sentence that names it, is the quire
// tool's corpus sweep (tests/cli).
#include "engine/MergeJob.h"
#include "engine/SplitJob.h"
#include "tests/support/PdfFixtures.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace quire::fixtures;

namespace {

struct CorpusFile
{
    std::string name;
    int pages;
    int outline; // items, from "11 (depth 4)"
};

// The files any reader can open, from the corpus's manifest.
std::vector<CorpusFile> ReadableFiles()
{
    std::vector<CorpusFile> files;
    std::ifstream in(std::string(QUIRE_CORPUS_DIR) + "/MANIFEST.tsv");
    std::string line;
    std::getline(in, line); // header
    while (std::getline(in, line)) {
        std::vector<std::string> cols;
        std::stringstream ss(line);
        std::string col;
        while (std::getline(ss, col, '\t'))
            cols.push_back(col);
        // Columns: file, source repo, source path, pages, outline items, form fields, encryption.
        if (cols.size() > 6 && cols[0].ends_with(".pdf") && cols[4] != "-" && cols[3] != "0"
            && !cols[6].starts_with("user-password"))
            files.push_back({cols[0], std::atoi(cols[3].c_str()), std::atoi(cols[4].c_str())});
    }
    return files;
}

quire::JobRow WholeFile(const std::string& path, const std::string& begin = "1")
{
    quire::JobRow row;
    row.szFilePath = path;
    row.szBeginPage = begin;
    row.szEndPage = "0";
    row.szBookmark = std::filesystem::path(path).stem().string();
    return row;
}

quire::MergeOptions To(const std::string& output)
{
    quire::MergeOptions options;
    options.outputPath = output;
    options.autoBackup = false;
    return options;
}

class CorpusTest : public TempDirTest
{
};

} // namespace

TEST_F(CorpusTest, EveryOutlineItemIsCarriedOverOnceAndAllFilesTwiceMakeOneSoundFile)
{
    const auto files = ReadableFiles();
    if (files.empty())
        GTEST_SKIP() << "no corpus at " << QUIRE_CORPUS_DIR;
    ASSERT_GT(files.size(), 30u);
    std::vector<quire::JobRow> rows;
    long long pages = 0;
    for (const CorpusFile& file : files) {
        SCOPED_TRACE(file.name);
        const std::string source = std::string(QUIRE_CORPUS_DIR) + "/" + file.name;
        const quire::JobReport merged = quire::RunMerge({WholeFile(source)}, To(m_tmp.File("merged.pdf")));
        ASSERT_TRUE(merged.ok) << (merged.errors.empty() ? "" : merged.errors[0].message);
        EXPECT_EQ(PdfInfo(m_tmp.File("merged.pdf"))["Pages"], std::to_string(file.pages));
        EXPECT_EQ(merged.bookmarksKept, file.outline);
        EXPECT_EQ(merged.bookmarksCreated, file.outline > 0 ? 0 : 1);

        // A second, shorter copy: the same field names again, the outline trimmed.
        rows.push_back(WholeFile(source));
        rows.push_back(WholeFile(source, "2"));
        pages += file.pages + (file.pages > 1 ? file.pages - 1 : 0);
    }
    const quire::JobReport report = quire::RunMerge(rows, To(m_tmp.File("all.pdf")));
    ASSERT_TRUE(report.ok) << (report.errors.empty() ? "" : report.errors[0].message);
    std::string log;
    EXPECT_TRUE(QpdfCheckPasses(m_tmp.File("all.pdf"), &log)) << log;
    EXPECT_EQ(PdfInfo(m_tmp.File("all.pdf"))["Pages"], std::to_string(pages));
    EXPECT_FALSE(report.renamedFields.empty());
    EXPECT_FALSE(report.repairedInputs.empty());
}

// Files that once brought the jobs down: qpdf fails half-way through copying their form (and, for the
// fuzzed one, then crashes in its own destructor). Both jobs must end with the pages and a note.
TEST_F(CorpusTest, AFormQpdfCannotCopyStillMergesAndSplitsWithANote)
{
    // The first file's own page content is damaged and is copied as it is, so only the second's
    // outputs can pass qpdf's check.
    const std::pair<std::string, bool> files[] = {{"tests/engine/data/form-transform-fails.pdf", false},
                                                  {"tests/fuzz/crashers/merge-segv-damaged-form.pdf", true}};
    for (const auto& [name, sound] : files) {
        SCOPED_TRACE(name);
        // A private copy: a split writes beside its source.
        const std::string source = m_tmp.File(std::filesystem::path(name).filename().string());
        std::filesystem::copy_file(std::string(QUIRE_SOURCE_DIR) + "/" + name, source);
        const int pages = std::stoi(PdfInfo(source)["Pages"]);
        const quire::JobReport merged
            = quire::RunMerge({WholeFile(source), WholeFile(source)}, To(m_tmp.File("merged.pdf")));
        ASSERT_TRUE(merged.ok) << (merged.errors.empty() ? "" : merged.errors[0].message);
        EXPECT_EQ(PdfInfo(m_tmp.File("merged.pdf"))["Pages"], std::to_string(2 * pages));
        std::string log;
        if (sound) {
            EXPECT_TRUE(QpdfCheckPasses(m_tmp.File("merged.pdf"), &log)) << log;
        }
        EXPECT_EQ(std::count_if(merged.notes.begin(), merged.notes.end(),
                                [&](const std::string& note) {
                                    return note.starts_with("the form of " + source + " could not be copied: ");
                                }),
                  2);

        const quire::JobReport split = quire::RunSplit({WholeFile(source)}, quire::SplitOptions {false, {}});
        ASSERT_TRUE(split.ok) << (split.errors.empty() ? "" : split.errors[0].message);
        ASSERT_EQ(split.filesWritten.size(), 1u);
        EXPECT_EQ(PdfInfo(split.filesWritten[0])["Pages"], std::to_string(pages));
    }
}
