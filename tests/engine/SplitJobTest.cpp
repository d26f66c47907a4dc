// SPDX-License-Identifier: Apache-2.0
#include "SplitJob.h"
#include "EngineTestRows.h"
#include "PdfFixtures.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace quire::fixtures;
using quire::JobReport;
using quire::JobRow;
using quire::RunSplit;
using quire::SplitOptions;

namespace {

std::vector<std::string> Pages(const std::string& tag, int from, int to)
{
    std::vector<std::string> texts;
    for (int p = from; p <= to; ++p)
        texts.push_back(tag + " page " + std::to_string(p));
    return texts;
}

std::string Errors(const JobReport& report)
{
    std::string text;
    for (const auto& e : report.errors)
        text += e.message + "\n";
    return text;
}

class SplitJobTest : public TempDirTest
{
protected:
    std::string Make(const std::string& name, int pages, PdfSpec desc = PdfSpec())
    {
        desc.tag = std::filesystem::path(name).stem().string();
        desc.pages = pages;
        const std::string path = m_tmp.File(name);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        WritePdf(path, desc);
        return path;
    }

    SplitOptions NoBackup()
    {
        SplitOptions options;
        options.autoBackup = false;
        return options;
    }

    void ExpectSound(const std::string& path, const std::vector<std::string>& pages)
    {
        std::string log;
        EXPECT_TRUE(QpdfCheckPasses(path, &log)) << log;
        EXPECT_EQ(PdfInfo(path)["Pages"], std::to_string(pages.size()));
        EXPECT_EQ(PageTexts(path), pages);
    }
};

} // namespace

TEST_F(SplitJobTest, NamesEachFileAfterTheSourceAndTheNormalisedRange)
{
    const std::string b7 = Make("seven/b.pdf", 7);
    const std::string b10 = Make("ten/b.pdf", 10);
    const std::string report = Make("Report.pdf", 10);
    const JobReport first
        = RunSplit({RowFor(b7, "0", "0"), RowFor(b10, "1", "12"), RowFor(report, "3", "5")}, NoBackup());
    ASSERT_TRUE(first.ok) << Errors(first);
    const std::string r35 = m_tmp.File("Report_p3-5.pdf");
    EXPECT_EQ(first.filesWritten,
              (std::vector<std::string> {m_tmp.File("seven/b_p1-7.pdf"), m_tmp.File("ten/b_p1-10.pdf"), r35}));
    ExpectSound(m_tmp.File("seven/b_p1-7.pdf"), Pages("b", 1, 7));
    ExpectSound(m_tmp.File("ten/b_p1-10.pdf"), Pages("b", 1, 10));
    ExpectSound(r35, Pages("Report", 3, 5));
    EXPECT_EQ(first.pagesWritten, 20);

    const JobReport second = RunSplit({RowFor(r35, "1", "3")}, NoBackup());
    ASSERT_TRUE(second.ok) << Errors(second);
    ExpectSound(m_tmp.File("Report_p3-5_p1-3.pdf"), Pages("Report", 3, 5));
}

TEST_F(SplitJobTest, CarriesTheSourcesInformationAndItsTrimmedOutline)
{
    PdfSpec desc;
    desc.info = {{"Title", "Handbook Ünïcødé"}, {"Author", "Ann"}, {"Creator", "Some editor"}};
    desc.outline = OnePerPage(10, "Ch");
    const std::string handbook = Make("Handbook.pdf", 10, desc);
    const JobReport report = RunSplit({RowFor(handbook, "4", "6", "Typed")}, NoBackup());
    ASSERT_TRUE(report.ok) << Errors(report);
    const std::string out = m_tmp.File("Handbook_p4-6.pdf");
    auto info = PdfInfo(out);
    EXPECT_EQ(info["Title"], "Handbook Ünïcødé");
    EXPECT_EQ(info["Author"], "Ann");
    EXPECT_EQ(info.count("Subject"), 0u);
    EXPECT_EQ(info.count("Keywords"), 0u);
    EXPECT_EQ(info["Creator"], "Quire Binder");
    EXPECT_EQ(info["Producer"], "Quire Binder");
    EXPECT_EQ(OutlineOf(out), (std::vector<std::string> {"Ch 4 -> 1", "Ch 5 -> 2", "Ch 6 -> 3"}));
    EXPECT_EQ(report.bookmarksKept, 3);
    EXPECT_EQ(report.bookmarksDropped, 7);

    // Without an outline of its own the row's bookmark text becomes one bookmark to page 1.
    const std::string plain = Make("Plain.pdf", 5);
    const JobReport created = RunSplit({RowFor(plain, "2", "3", "Plain (draft)")}, NoBackup());
    ASSERT_TRUE(created.ok) << Errors(created);
    EXPECT_EQ(OutlineOf(m_tmp.File("Plain_p2-3.pdf")), std::vector<std::string> {"Plain draft -> 1"});
    EXPECT_EQ(created.bookmarksCreated, 1);
}

TEST_F(SplitJobTest, GoesOnAfterAFailingRowAndReportsIt)
{
    const std::string a = Make("a.pdf", 4);
    WriteNotPdf(m_tmp.File("notes.pdf"));
    const std::string c = Make("c.pdf", 3);
    PdfSpec locked;
    locked.userPassword = "view";
    const std::string l = Make("locked.pdf", 2, locked);
    JobRow unchecked = RowFor(c, "1", "1");
    unchecked.bChecked = false;
    const JobReport report
        = RunSplit({RowFor(a, "1", "2"), JobRow {m_tmp.File("notes.pdf"), true, "", "1", "1", "1"}, RowFor(a, "4", "3"),
                    JobRow {l, true, "", "2", "1", "2"}, unchecked, RowFor(c, "2", "0")},
                   NoBackup());
    EXPECT_FALSE(report.ok);
    EXPECT_EQ(report.filesWritten, (std::vector<std::string> {m_tmp.File("a_p1-2.pdf"), m_tmp.File("c_p2-3.pdf")}));
    ASSERT_EQ(report.errors.size(), 3u);
    EXPECT_EQ(report.errors[0].row, 1);
    EXPECT_EQ(report.errors[0].message, m_tmp.File("notes.pdf") + " is not a PDF file");
    EXPECT_EQ(report.errors[1].row, 2);
    EXPECT_EQ(report.errors[1].message, a + " has no pages in the range 4-3; no file was written for it");
    EXPECT_EQ(report.errors[2].row, 3);
    EXPECT_EQ(report.errors[2].message, l + " needs a password");
    EXPECT_EQ(report.rowsTaken, (std::vector<int> {0, 1, 2, 3, 5}));
    EXPECT_FALSE(std::filesystem::exists(m_tmp.File("a_p4-3.pdf")));
    ExpectSound(m_tmp.File("c_p2-3.pdf"), Pages("c", 2, 3));
}

TEST_F(SplitJobTest, ASecondRowWithTheSameNameReplacesTheFirstAfterABackup)
{
    const std::string a = Make("a.pdf", 3);
    SplitOptions options;
    options.autoBackup = true;
    const JobReport report = RunSplit({RowFor(a, "1", "2"), RowFor(a, "1", "2")}, options);
    ASSERT_TRUE(report.ok) << Errors(report);
    EXPECT_EQ(report.filesWritten.size(), 2u);
    ASSERT_EQ(report.backupsMade.size(), 1u);
    ExpectSound(report.backupsMade[0], Pages("a", 1, 2));
    ExpectSound(m_tmp.File("a_p1-2.pdf"), Pages("a", 1, 2));
}

TEST_F(SplitJobTest, AStopRequestKeepsTheFilesAlreadyWritten)
{
    const std::string a = Make("a.pdf", 2);
    const std::string b = Make("b.pdf", 2);
    std::atomic<bool> stop {false};
    struct StopAfterFirst : quire::IJobObserver
    {
        std::atomic<bool>* flag = nullptr;
        std::vector<std::string> statuses;
        void OnStatus(const std::string& text) override { statuses.push_back(text); }
        void OnRow(int, int, int, const std::string&) override { *flag = true; }
    } observer;
    observer.flag = &stop;
    const JobReport report = RunSplit({RowFor(a), RowFor(b)}, NoBackup(), &observer, &stop);
    EXPECT_TRUE(report.stopped);
    EXPECT_EQ(report.filesWritten, std::vector<std::string> {m_tmp.File("a_p1-2.pdf")});
    EXPECT_TRUE(std::filesystem::exists(m_tmp.File("a_p1-2.pdf")));
    EXPECT_FALSE(std::filesystem::exists(m_tmp.File("b_p1-2.pdf")));
    EXPECT_EQ(observer.statuses, std::vector<std::string> {"Splitting your PDF files, please wait a moment..."});
}

TEST_F(SplitJobTest, RowsOfTheSameSourceSeeItsChangesBetweenRows)
{
    const std::string a = Make("a.pdf", 2);
    struct RewriteBeforeSecondRow : quire::IJobObserver
    {
        std::string path;
        void OnRow(int row, int, int, const std::string&) override
        {
            if (row != 1)
                return;
            PdfSpec desc;
            desc.tag = "new";
            desc.pages = 3;
            WritePdf(path, desc);
        }
    } observer;
    observer.path = a;
    const JobReport report = RunSplit({RowFor(a, "1", "1"), RowFor(a, "2", "3")}, NoBackup(), &observer);
    ASSERT_TRUE(report.ok) << Errors(report);
    ExpectSound(m_tmp.File("a_p1-1.pdf"), Pages("a", 1, 1));
    // The second row's page-count text still says 2, so the range ends at page 2 of the new file.
    ExpectSound(m_tmp.File("a_p2-2.pdf"), Pages("new", 2, 2));
}
