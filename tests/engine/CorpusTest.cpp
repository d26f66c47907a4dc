// SPDX-License-Identifier: Apache-2.0
// Every real-world file of the shared corpus through a merge and a split: each one works and gives
// a sound file, or is refused with a sentence that names it.
#include "MergeJob.h"
#include "PdfFixtures.h"
#include "SplitJob.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace quire::fixtures;

namespace {

struct CorpusFile
{
    std::string name;
    std::string pages; // "-" when no reader can count them
    std::string outline; // "11 (depth 4)", "0", "-"
};

std::vector<CorpusFile> Manifest()
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
        if (cols.size() > 4 && cols[0].ends_with(".pdf"))
            files.push_back({cols[0], cols[3], cols[4]});
    }
    return files;
}

// The files that must be refused, and the words that say why.
const std::map<std::string, std::string>& Refused()
{
    static const std::map<std::string, std::string> refused = {
        {"bad1.pdf", " is not a PDF file"},
        {"bad7.pdf", " is damaged beyond repair: "},
        {"issue-99.pdf", " is damaged beyond repair: "},
        {"pages-loop.pdf", " is damaged beyond repair: "},
        {"enc-R3,V2,U=view,O=master.pdf", " needs a password"},
        {"enc-XI-R6,V5,U=view,O=master.pdf", " needs a password"},
    };
    return refused;
}

quire::JobRow WholeFile(const std::string& path)
{
    quire::JobRow row;
    row.szFilePath = path;
    row.szBeginPage = "1";
    row.szEndPage = "0";
    row.szBookmark = std::filesystem::path(path).stem().string();
    return row;
}

std::string NumberOfPages(const std::string& path)
{
    const ToolRun run = RunTool({"qpdf", "--show-npages", path});
    std::string n = run.out;
    while (!n.empty() && (n.back() == '\n' || n.back() == '\r'))
        n.pop_back();
    return n;
}

class CorpusTest : public TempDirTest
{
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists(std::string(QUIRE_CORPUS_DIR) + "/MANIFEST.tsv"))
            GTEST_SKIP() << "no corpus at " << QUIRE_CORPUS_DIR;
    }

    // A private, writable copy: a split writes beside its source.
    std::string CopyIn(const std::string& name, const std::string& folder)
    {
        std::filesystem::create_directories(m_tmp.Path() / folder);
        const std::filesystem::path to = m_tmp.Path() / folder / name;
        std::filesystem::copy_file(std::filesystem::path(QUIRE_CORPUS_DIR) / name, to,
                                   std::filesystem::copy_options::overwrite_existing);
        std::filesystem::permissions(to, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
        return to.string();
    }
};

} // namespace

TEST_F(CorpusTest, EveryFileMergesAndSplitsOrIsRefusedByName)
{
    const auto files = Manifest();
    ASSERT_GT(files.size(), 30u);
    for (const CorpusFile& file : files) {
        SCOPED_TRACE(file.name);
        const std::string source = CopyIn(file.name, "in");
        const auto refused = Refused().find(file.name);

        quire::MergeOptions options;
        options.outputPath = m_tmp.File("merged.pdf");
        options.autoBackup = false;
        std::filesystem::remove(options.outputPath);
        const quire::JobReport merged = quire::RunMerge({WholeFile(source)}, options);
        const quire::JobReport split = quire::RunSplit({WholeFile(source)}, quire::SplitOptions {false});

        if (refused != Refused().end()) {
            ASSERT_EQ(merged.errors.size(), 1u);
            EXPECT_EQ(merged.errors[0].message.rfind(source + refused->second, 0), 0u) << merged.errors[0].message;
            ASSERT_EQ(split.errors.size(), 1u);
            EXPECT_EQ(split.errors[0].message.rfind(source + refused->second, 0), 0u) << split.errors[0].message;
            EXPECT_FALSE(std::filesystem::exists(options.outputPath));
            continue;
        }
        if (file.pages == "0") {
            // A file without pages gives nothing to write, and says so.
            EXPECT_FALSE(merged.ok);
            EXPECT_FALSE(split.ok);
            ASSERT_EQ(split.errors.size(), 1u);
            EXPECT_EQ(split.errors[0].message, source + " has no pages in the range 1-0; no file was written for it");
            EXPECT_FALSE(std::filesystem::exists(options.outputPath));
            continue;
        }
        ASSERT_TRUE(merged.ok) << (merged.errors.empty() ? "" : merged.errors[0].message);
        ASSERT_TRUE(split.ok) << (split.errors.empty() ? "" : split.errors[0].message);
        ASSERT_EQ(split.filesWritten.size(), 1u);
        for (const std::string& out : {options.outputPath, split.filesWritten[0]}) {
            std::string log;
            EXPECT_TRUE(QpdfCheckPasses(out, &log)) << out << "\n" << log;
            EXPECT_EQ(NumberOfPages(out), file.pages) << out;
        }
        // Every outline item is read once and carried over: loops end, headings stay.
        const int items = std::atoi(file.outline.c_str());
        EXPECT_EQ(merged.bookmarksKept, items);
        EXPECT_EQ(merged.bookmarksCreated, items > 0 ? 0 : 1);
    }
}

TEST_F(CorpusTest, AllUsableFilesTwiceIntoOneMerge)
{
    std::vector<quire::JobRow> rows;
    long long pages = 0;
    for (const CorpusFile& file : Manifest()) {
        if (Refused().count(file.name) || file.pages == "0" || file.pages == "-")
            continue;
        const std::string source = CopyIn(file.name, "in");
        rows.push_back(WholeFile(source));
        quire::JobRow part = WholeFile(source);
        part.szBeginPage = "2"; // a second, shorter copy: same field names, outline trimmed
        rows.push_back(part);
        const int n = std::atoi(file.pages.c_str());
        pages += n + (n > 1 ? n - 1 : 0);
    }
    quire::MergeOptions options;
    options.outputPath = m_tmp.File("all.pdf");
    options.autoBackup = false;
    const quire::JobReport report = quire::RunMerge(rows, options);
    ASSERT_TRUE(report.ok) << (report.errors.empty() ? "" : report.errors[0].message);
    std::string log;
    EXPECT_TRUE(QpdfCheckPasses(options.outputPath, &log)) << log;
    EXPECT_EQ(NumberOfPages(options.outputPath), std::to_string(pages));
    EXPECT_FALSE(report.renamedFields.empty());
    EXPECT_FALSE(report.repairedInputs.empty());
}

class RegressionFileTest : public TempDirTest
{
};

// A mutated file that once crashed the merge: qpdf fails half-way through copying its form.
TEST_F(RegressionFileTest, AFormQpdfCannotCopyStillMergesItsPagesWithAWarning)
{
    const std::string source = std::string(QUIRE_SOURCE_DIR) + "/tests/engine/data/form-transform-fails.pdf";
    quire::MergeOptions options;
    options.outputPath = m_tmp.File("merged.pdf");
    options.autoBackup = false;
    const quire::JobReport report = quire::RunMerge({WholeFile(source), WholeFile(source)}, options);
    ASSERT_TRUE(report.ok) << (report.errors.empty() ? "" : report.errors[0].message);
    EXPECT_EQ(NumberOfPages(options.outputPath), "10");
    EXPECT_EQ(PdfInfo(options.outputPath)["Pages"], "10");
    const auto formLost = std::count_if(report.notes.begin(), report.notes.end(), [&](const std::string& n) {
        return n.rfind("the form of " + source + " could not be copied: ", 0) == 0;
    });
    EXPECT_EQ(formLost, 2);
}

// A fuzzed file whose damaged form makes qpdf fail mid-copy and then crash in its own destructor:
// both jobs must end with their output and a note, not bring the process down.
TEST_F(RegressionFileTest, AFormThatBreaksQpdfsCleanUpDoesNotCrashMergeOrSplit)
{
    const std::string original = std::string(QUIRE_SOURCE_DIR) + "/tests/fuzz/crashers/merge-segv-damaged-form.pdf";
    const std::string source = m_tmp.File("damaged-form.pdf");
    std::filesystem::copy_file(original, source);
    {
        quire::MergeOptions options;
        options.outputPath = m_tmp.File("merged.pdf");
        options.autoBackup = false;
        const quire::JobReport report = quire::RunMerge({WholeFile(source)}, options);
        ASSERT_TRUE(report.ok) << (report.errors.empty() ? "" : report.errors[0].message);
        std::string log;
        EXPECT_TRUE(QpdfCheckPasses(options.outputPath, &log)) << log;
        EXPECT_FALSE(report.notes.empty());
    }
    quire::SplitOptions split;
    split.autoBackup = false;
    const quire::JobReport report = quire::RunSplit({WholeFile(source)}, split);
    ASSERT_TRUE(report.ok) << (report.errors.empty() ? "" : report.errors[0].message);
    ASSERT_EQ(report.filesWritten.size(), 1u);
    EXPECT_TRUE(QpdfCheckPasses(report.filesWritten[0]));
}
