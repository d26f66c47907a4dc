// SPDX-License-Identifier: Apache-2.0
// The real-world files of the shared corpus through the merge, for what only the job's report shows:
// every outline item is read once and carried over, loops end and headings stay. That each file
// merges and splits into a sound file, or is refused with a sentence that names it, is the quire
// tool's corpus sweep (tests/cli).
#include "tests/engine/EngineTestRows.h"

#include <fstream>
#include <sstream>

using namespace quire::fixtures;

using CorpusTest = JobTest;

TEST_F(CorpusTest, EveryOutlineItemIsCarriedOverOnceAndAllFilesTwiceMakeOneSoundFile)
{
    // The files any reader can open, from the corpus's manifest: name, pages, outline items.
    std::vector<std::tuple<std::string, int, int>> files;
    std::ifstream in(std::string(QUIRE_CORPUS_DIR) + "/MANIFEST.tsv");
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> cols;
        std::stringstream ss(line);
        for (std::string col; std::getline(ss, col, '\t');)
            cols.push_back(col);
        // Columns: file, source repo, source path, pages, outline items ("11 (depth 4)"), form fields,
        // encryption. The header's first column names no PDF.
        if (cols.size() > 6 && cols[0].ends_with(".pdf") && cols[4] != "-" && cols[3] != "0"
            && !cols[6].starts_with("user-password"))
            files.emplace_back(cols[0], std::atoi(cols[3].c_str()), std::atoi(cols[4].c_str()));
    }
    if (files.empty())
        GTEST_SKIP() << "no corpus at " << QUIRE_CORPUS_DIR;
    ASSERT_GT(files.size(), 30u);
    std::vector<quire::JobRow> rows;
    long long total = 0;
    for (const auto& [name, pages, outline] : files) {
        SCOPED_TRACE(name);
        const std::string source = std::string(QUIRE_CORPUS_DIR) + "/" + name;
        const quire::JobReport merged = quire::RunMerge({RowFor(source, "1", "0", name)}, Options("merged.pdf"));
        ASSERT_TRUE(merged.ok) << Errors(merged);
        // Pages, outline items carried over, bookmarks made from the row's text.
        EXPECT_EQ(std::tuple(PdfInfo(m_tmp.File("merged.pdf"))["Pages"], merged.bookmarksKept, merged.bookmarksCreated),
                  std::tuple(std::to_string(pages), outline, outline > 0 ? 0 : 1));
        std::filesystem::remove(m_tmp.File("merged.pdf"));

        // A second, shorter copy: the same field names again, the outline trimmed.
        rows.push_back(RowFor(source, "1", "0", name));
        rows.push_back(RowFor(source, "2", "0", name));
        total += pages + (pages > 1 ? pages - 1 : 0);
    }
    const quire::JobReport report = quire::RunMerge(rows, Options("all.pdf"));
    ASSERT_TRUE(report.ok) << Errors(report);
    std::string log;
    EXPECT_TRUE(QpdfCheckPasses(m_tmp.File("all.pdf"), &log)) << log;
    // Pages; some fields were renamed and some sources repaired.
    EXPECT_EQ(std::tuple(PdfInfo(m_tmp.File("all.pdf"))["Pages"], report.renamedFields.empty(),
                         report.repairedInputs.empty()),
              std::tuple(std::to_string(total), false, false));
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
        const quire::JobReport merged = quire::RunMerge({RowFor(source), RowFor(source)}, Options("merged.pdf"));
        ASSERT_TRUE(merged.ok) << Errors(merged);
        EXPECT_EQ(PdfInfo(m_tmp.File("merged.pdf"))["Pages"], std::to_string(2 * pages));
        std::string log;
        EXPECT_TRUE(!sound || QpdfCheckPasses(m_tmp.File("merged.pdf"), &log)) << log;
        EXPECT_THAT(
            merged.notes,
            testing::Contains(testing::StartsWith("the form of " + source + " could not be copied: ")).Times(2));

        const quire::JobReport split = quire::RunSplit({RowFor(source)}, quire::SplitOptions {false, {}});
        ASSERT_TRUE(split.ok) << Errors(split);
        ASSERT_EQ(split.filesWritten.size(), 1u);
        EXPECT_EQ(PdfInfo(split.filesWritten[0])["Pages"], std::to_string(pages));
    }
}
