// SPDX-License-Identifier: Apache-2.0
#include "MergeJob.h"
#include "EngineTestRows.h"
#include "PdfFixtures.h"
#include "SimpleBookmark.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/resource.h>
#include <unistd.h>

using namespace quire::fixtures;
using quire::JobReport;
using quire::JobRow;
using quire::MergeOptions;
using quire::RunMerge;

namespace {

std::vector<std::string> Pages(const std::string& tag, int from, int to)
{
    std::vector<std::string> texts;
    for (int p = from; p <= to; ++p)
        texts.push_back(tag + " page " + std::to_string(p));
    return texts;
}

std::vector<std::string> Concat(std::vector<std::vector<std::string>> parts)
{
    std::vector<std::string> all;
    for (auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

std::string Errors(const JobReport& report)
{
    std::string text;
    for (const auto& e : report.errors)
        text += e.message + "\n";
    return text;
}

// Everything in the folder, for "nothing was left behind" checks.
std::vector<std::string> Listing(const std::filesystem::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

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

class MergeJobTest : public TempDirTest
{
protected:
    std::string Make(const std::string& name, int pages, bool outline, PdfSpec desc = PdfSpec())
    {
        desc.tag = std::filesystem::path(name).stem().string();
        desc.pages = pages;
        if (outline)
            desc.outline = OnePerPage(pages, desc.tag);
        const std::string path = m_tmp.File(name);
        WritePdf(path, desc);
        return path;
    }

    MergeOptions Options(const std::string& name = "out.pdf")
    {
        MergeOptions options;
        options.outputPath = m_tmp.File(name);
        options.autoBackup = false;
        return options;
    }

    // The checks every written output goes through.
    void ExpectSound(const std::string& path, int pages)
    {
        std::string log;
        EXPECT_TRUE(QpdfCheckPasses(path, &log)) << log;
        EXPECT_EQ(PdfInfo(path)["Pages"], std::to_string(pages));
    }
};

} // namespace

TEST_F(MergeJobTest, RangesOfThreeRowsAndTheirBookmarksLandOnTheRightPages)
{
    const std::string a = Make("A.pdf", 10, true);
    const std::string b = Make("B.pdf", 4, false);
    const std::string c = Make("C.pdf", 6, true);
    Observer observer;
    const JobReport report
        = RunMerge({RowFor(a, "3", "5"), RowFor(b, "1", "4", "B"), RowFor(c, "2", "6")}, Options(), &observer);
    ASSERT_TRUE(report.ok) << Errors(report);
    const std::string out = m_tmp.File("out.pdf");
    ExpectSound(out, 12);
    EXPECT_EQ(PageTexts(out), Concat({Pages("A", 3, 5), Pages("B", 1, 4), Pages("C", 2, 6)}));
    EXPECT_EQ(OutlineOf(out),
              (std::vector<std::string> {"A 3 -> 1", "A 4 -> 2", "A 5 -> 3", "B -> 4", "C 2 -> 8", "C 3 -> 9",
                                         "C 4 -> 10", "C 5 -> 11", "C 6 -> 12"}));
    EXPECT_EQ(report.filesWritten, std::vector<std::string> {out});
    EXPECT_EQ(report.pagesWritten, 12);
    EXPECT_EQ(report.bookmarksKept, 8);
    EXPECT_EQ(report.bookmarksDropped, 8);
    EXPECT_EQ(report.bookmarksCreated, 1);
    EXPECT_EQ(report.rowsTaken, (std::vector<int> {0, 1, 2}));
    EXPECT_EQ(observer.statuses,
              (std::vector<std::string> {"Merging your PDF files, please wait a moment...", "Merging Finished."}));
    EXPECT_EQ(observer.rows, (std::vector<std::string> {"0:1/3", "1:2/3", "2:3/3"}));
}

TEST_F(MergeJobTest, CreatedBookmarksFollowTheRowsBookmarkText)
{
    const std::string report = Make("Report (final).pdf", 2, false);
    const std::string own = Make("Own.pdf", 3, true);
    const std::string skipped = Make("Skipped.pdf", 5, false);
    const std::string silent = Make("Silent.pdf", 1, false);
    const std::string backwards = Make("Backwards.pdf", 6, false);
    JobRow unchecked = RowFor(skipped, "1", "0", "Skipped");
    unchecked.bChecked = false;
    const JobReport result = RunMerge({RowFor(report, "1", "0", "Report (final)"), RowFor(own, "1", "0", "Typed"),
                                       unchecked, RowFor(silent, "1", "0", ""), RowFor(backwards, "5", "2", "Back"),
                                       RowFor(report, "2", "2", "Again")},
                                      Options());
    ASSERT_TRUE(result.ok) << Errors(result);
    const std::string out = m_tmp.File("out.pdf");
    ExpectSound(out, 7);
    // The unchecked row adds nothing, not even to the page offset; the begin > end row adds no pages
    // and no bookmark.
    EXPECT_EQ(PageTexts(out),
              Concat({Pages("Report (final)", 1, 2), Pages("Own", 1, 3), Pages("Silent", 1, 1),
                      Pages("Report (final)", 2, 2)}));
    EXPECT_EQ(OutlineOf(out),
              (std::vector<std::string> {"Report final -> 1", "Own 1 -> 3", "Own 2 -> 4", "Own 3 -> 5", "Again -> 7"}));
    EXPECT_EQ(result.rowsTaken, (std::vector<int> {0, 1, 3, 4, 5}));
}

TEST_F(MergeJobTest, OutlineEntriesKeepTheirKindViewStyleAndOpenState)
{
    PdfSpec desc;
    OutlineSpec part = Item("Partie Ü ☃ 日本", 2, DestKind::Explicit,
                            {Item("Named", 3, DestKind::OldDests), Item("Tree", 4, DestKind::NameTreeDict),
                             Item("Cut away", 1, DestKind::NameTree)});
    part.bold = true;
    part.red = true;
    OutlineSpec closed = Item("Closed", 0, DestKind::None, {Item("Action", 4, DestKind::GoToAction)});
    closed.open = false;
    desc.outline = {part, closed, Item("Web", 0, DestKind::Uri), Item("Gone", 1, DestKind::GoToAction)};
    const std::string first = Make("first.pdf", 1, false);
    const std::string kinds = Make("kinds.pdf", 4, false, desc);
    ASSERT_TRUE(RunMerge({RowFor(first), RowFor(kinds, "2", "4")}, Options()).ok);
    const std::string out = m_tmp.File("out.pdf");
    ExpectSound(out, 4);
    // qpdf's own outline reader sees the titles and pages.
    EXPECT_EQ(OutlineOf(out),
              (std::vector<std::string> {"Partie Ü ☃ 日本 -> 2", "  Named -> 3", "  Tree -> 4", "Closed -> -",
                                         "  Action -> 4", "Web -> -"}));
    // The details, read back through the engine.
    const auto list = pdf::SimpleBookmark::GetBookmark(pdf::PdfReader(out));
    ASSERT_TRUE(list.has_value());
    ASSERT_EQ(list->size(), 3u);
    const pdf::Bookmark& p = (*list)[0];
    EXPECT_EQ(p.fields.at("View"), "XYZ 72 720 0");
    EXPECT_EQ(p.fields.at("Style"), "bold");
    EXPECT_EQ(p.fields.at("Open"), "true");
    EXPECT_EQ(p.kids[0].fields.at("View"), "Fit");
    EXPECT_EQ((*list)[1].fields.at("Open"), "false");
    EXPECT_EQ((*list)[2].fields.at("Action"), "URI");
    EXPECT_EQ((*list)[2].fields.at("URI"), "https://example.com/");
    EXPECT_EQ(p.fields.at("Color"), "1 0 0");
}

TEST_F(MergeJobTest, DocumentInformationComesFromTheOptions)
{
    const std::string a = Make("a.pdf", 1, false, [] {
        PdfSpec s;
        s.info = {{"Title", "Source title"}, {"Author", "Source author"}};
        return s;
    }());
    MergeOptions options = Options();
    options.title = "Annual Ünïcødé report";
    options.author = "Ann";
    options.subject = "Figures";
    options.keywords = "money, time";
    ASSERT_TRUE(RunMerge({RowFor(a)}, options).ok);
    auto info = PdfInfo(options.outputPath);
    EXPECT_EQ(info["Title"], "Annual Ünïcødé report");
    EXPECT_EQ(info["Author"], "Ann");
    EXPECT_EQ(info["Subject"], "Figures");
    EXPECT_EQ(info["Keywords"], "money, time");
    EXPECT_EQ(info["Creator"], "Quire Binder");
    EXPECT_EQ(info["Producer"], "Quire Binder");

    // Empty texts: only creator and producer, and nothing of the source's own information.
    MergeOptions bare = Options("bare.pdf");
    ASSERT_TRUE(RunMerge({RowFor(a)}, bare).ok);
    info = PdfInfo(bare.outputPath);
    EXPECT_EQ(info.count("Title"), 0u);
    EXPECT_EQ(info.count("Author"), 0u);
    EXPECT_EQ(info.count("Subject"), 0u);
    EXPECT_EQ(info.count("Keywords"), 0u);
    EXPECT_EQ(info["Creator"], "Quire Binder");
    EXPECT_EQ(info["Producer"], "Quire Binder");
}

TEST_F(MergeJobTest, FormsKeepWorkingWithClashingNamesRenamedAndMultiPageFieldsWhole)
{
    PdfSpec first;
    first.fields = {{FieldKind::Text, "name", {1}, "Ann"},
                    {FieldKind::CheckBox, "agree", {1}, ""},
                    {FieldKind::Radio, "choice", {1, 1, 1}, ""},
                    {FieldKind::Text, "shared", {1, 2}, "both pages"}};
    PdfSpec second;
    second.fields = {{FieldKind::Text, "name", {1}, "Bob"}, {FieldKind::Text, "shared", {2, 3}, ""}};
    const std::string f1 = Make("f1.pdf", 2, false, first);
    const std::string f2 = Make("f2.pdf", 3, false, second);
    const JobReport report = RunMerge({RowFor(f1), RowFor(f2)}, Options());
    ASSERT_TRUE(report.ok) << Errors(report);
    const std::string out = m_tmp.File("out.pdf");
    ExpectSound(out, 5);
    EXPECT_EQ(PdfInfo(out)["Form"], "AcroForm");
    EXPECT_EQ(FieldsOf(out),
              (std::vector<std::string> {
                  "agree: 1 widget(s) on page(s) 1",
                  "choice: 3 widget(s) on page(s) 1,1,1",
                  "name+1: 1 widget(s) on page(s) 3",
                  "name: 1 widget(s) on page(s) 1",
                  "shared+1: 2 widget(s) on page(s) 4,5",
                  "shared: 2 widget(s) on page(s) 1,2",
              }));
    EXPECT_EQ(report.renamedFields, (std::vector<std::string> {"name -> name+1", "shared -> shared+1"}));
    // The sources' documents are freed as soon as their pages are in; the appearances still draw.
    EXPECT_EQ(AppearancesOf(out, "agree", "/Yes"), std::vector<std::string> {"0 0 1 rg 2 2 10 10 re f\n"});
    EXPECT_EQ(AppearancesOf(out, "choice", "/B3"), std::vector<std::string> {"1 0 0 rg 4 4 6 6 re f\n"});

    // Only the widgets on copied pages come along: f1's "shared" keeps its page-2 widget alone.
    const JobReport later = RunMerge({RowFor(f2, "1", "1"), RowFor(f1, "2", "2")}, Options("later.pdf"));
    ASSERT_TRUE(later.ok) << Errors(later);
    EXPECT_EQ(FieldsOf(m_tmp.File("later.pdf")),
              (std::vector<std::string> {"name: 1 widget(s) on page(s) 1", "shared: 1 widget(s) on page(s) 2"}));
}

TEST_F(MergeJobTest, InternalLinksFollowTheirPagesOrGoWhenTheTargetIsLeftOut)
{
    PdfSpec desc;
    desc.links = {{1, 2, DestKind::Explicit}, {2, 4, DestKind::GoToAction}, {3, 1, DestKind::Explicit},
                  {4, 5, DestKind::NameTree}, {5, 1, DestKind::Explicit},   {5, 3, DestKind::Explicit}};
    const std::string links = Make("L.pdf", 5, false, desc);
    const std::string x = Make("X.pdf", 2, false);

    ASSERT_TRUE(RunMerge({RowFor(links)}, Options("all.pdf")).ok);
    EXPECT_EQ(LinksOf(m_tmp.File("all.pdf")),
              (std::vector<std::string> {"1 -> 2", "2 -> 4", "3 -> 1", "4 -> 5", "5 -> 1", "5 -> 3"}));

    ASSERT_TRUE(RunMerge({RowFor(x), RowFor(links, "2", "5")}, Options("part.pdf")).ok);
    const std::string part = m_tmp.File("part.pdf");
    ExpectSound(part, 6);
    EXPECT_EQ(LinksOf(part), (std::vector<std::string> {"3 -> 5", "5 -> 6", "6 -> 4"}));
}

TEST_F(MergeJobTest, OutputTakesTheHighestSourceVersionAndObjectStreams)
{
    PdfSpec newer;
    newer.version = "1.7";
    const std::string a = Make("a.pdf", 1, false);
    const std::string b = Make("b.pdf", 1, false, newer);
    ASSERT_TRUE(RunMerge({RowFor(a), RowFor(b)}, Options()).ok);
    EXPECT_EQ(HeaderVersion(m_tmp.File("out.pdf")), "1.7");
    EXPECT_NE(ReadWholeFile(m_tmp.File("out.pdf")).find("/ObjStm"), std::string::npos);
}

TEST_F(MergeJobTest, OwnerPasswordSourceIsMergedWithoutItsRestrictions)
{
    PdfSpec owner;
    owner.ownerPassword = "master";
    const std::string a = Make("locked.pdf", 2, true, owner);
    const JobReport report = RunMerge({RowFor(a)}, Options());
    ASSERT_TRUE(report.ok) << Errors(report);
    const std::string out = m_tmp.File("out.pdf");
    ExpectSound(out, 2);
    EXPECT_EQ(PdfInfo(out)["Encrypted"], "no");
    EXPECT_EQ(PageTexts(out), Pages("locked", 1, 2));
    ASSERT_EQ(report.notes.size(), 1u);
    EXPECT_NE(report.notes[0].find("restrictions are not carried over"), std::string::npos);
}

TEST_F(MergeJobTest, RefusesAnOutputThatIsASourceBeforeWritingAnything)
{
    const std::string a = Make("a.pdf", 2, false);
    const std::string original = ReadWholeFile(a);
    std::filesystem::create_hard_link(a, m_tmp.File("hard.pdf"));
    std::filesystem::create_symlink(a, m_tmp.File("soft.pdf"));
    std::filesystem::create_directory(m_tmp.File("folder"));
    const std::string b = Make("b.pdf", 1, false);

    const std::string dotAlias = (m_tmp.Path() / "." / "a.pdf").string();
    for (const std::string& output : {a, dotAlias, m_tmp.File("hard.pdf"), m_tmp.File("soft.pdf"), m_tmp.File("folder"),
                                      std::string(), m_tmp.File("nowhere/out.pdf")}) {
        SCOPED_TRACE(output);
        MergeOptions options = Options();
        options.outputPath = output;
        options.autoBackup = true;
        const JobReport report = RunMerge({RowFor(b), RowFor(a)}, options);
        EXPECT_FALSE(report.ok);
        ASSERT_EQ(report.errors.size(), 1u);
        EXPECT_EQ(report.errors[0].row, -1);
        EXPECT_TRUE(report.rowsTaken.empty());
        EXPECT_FALSE(report.errors[0].message.empty());
        if (!output.empty()) {
            EXPECT_EQ(report.errors[0].message.rfind(output + " ", 0), 0u) << report.errors[0].message;
        }
    }
    EXPECT_EQ(ReadWholeFile(a), original);
    EXPECT_EQ(Listing(m_tmp.Path()), (std::vector<std::string> {"a.pdf", "b.pdf", "folder", "hard.pdf", "soft.pdf"}));
}

TEST_F(MergeJobTest, AFailedMergeLeavesTheExistingOutputAndNoTraces)
{
    const std::string a = Make("a.pdf", 2, false);
    WriteNotPdf(m_tmp.File("notes.pdf"));
    WriteWholeFile(m_tmp.File("out.pdf"), "previous output");
    MergeOptions options = Options();
    options.autoBackup = true;
    const JobReport report = RunMerge({RowFor(a), JobRow {m_tmp.File("notes.pdf"), true, "", "1", "1", "1"}}, options);
    EXPECT_FALSE(report.ok);
    ASSERT_EQ(report.errors.size(), 1u);
    EXPECT_EQ(report.errors[0].row, 1);
    EXPECT_EQ(report.errors[0].path, m_tmp.File("notes.pdf"));
    EXPECT_EQ(report.errors[0].message, m_tmp.File("notes.pdf") + " is not a PDF file");
    EXPECT_EQ(ReadWholeFile(m_tmp.File("out.pdf")), "previous output");
    EXPECT_TRUE(report.backupsMade.empty());
    EXPECT_EQ(Listing(m_tmp.Path()), (std::vector<std::string> {"a.pdf", "notes.pdf", "out.pdf"}));
}

TEST_F(MergeJobTest, BacksUpAnExistingOutputOnlyWhenAsked)
{
    const std::string a = Make("a.pdf", 1, false);
    WriteWholeFile(m_tmp.File("out.pdf"), "previous output");
    MergeOptions options = Options();
    options.autoBackup = true;
    JobReport report = RunMerge({RowFor(a)}, options);
    ASSERT_TRUE(report.ok) << Errors(report);
    ASSERT_EQ(report.backupsMade.size(), 1u);
    EXPECT_EQ(ReadWholeFile(report.backupsMade[0]), "previous output");
    ExpectSound(options.outputPath, 1);

    options.autoBackup = false;
    report = RunMerge({RowFor(a)}, options);
    ASSERT_TRUE(report.ok) << Errors(report);
    EXPECT_TRUE(report.backupsMade.empty());
    EXPECT_EQ(Listing(m_tmp.Path()).size(), 3u); // a.pdf, out.pdf and the one backup
}

TEST_F(MergeJobTest, WritesNothingWhenNoRowContributesPages)
{
    const std::string a = Make("a.pdf", 3, false);
    JobRow unchecked = RowFor(a);
    unchecked.bChecked = false;
    for (const auto& rows : {std::vector<JobRow> {}, std::vector<JobRow> {unchecked},
                             std::vector<JobRow> {RowFor(a, "3", "2", "Title")}}) {
        const JobReport report = RunMerge(rows, Options());
        EXPECT_FALSE(report.ok);
        ASSERT_EQ(report.errors.size(), 1u);
        EXPECT_TRUE(report.filesWritten.empty());
    }
    EXPECT_FALSE(std::filesystem::exists(m_tmp.File("out.pdf")));
    EXPECT_EQ(Listing(m_tmp.Path()), std::vector<std::string> {"a.pdf"});
}

TEST_F(MergeJobTest, ASourceThatChangesOrVanishesBeforeTheWriteFailsTheMerge)
{
    // Both ways of reading a source: whole into memory, and from disk around each read.
    for (const auto& [remove, inMemoryLimit] :
         {std::pair {true, 1 << 20}, std::pair {false, 1 << 20}, std::pair {true, 0}, std::pair {false, 0}}) {
        SCOPED_TRACE(std::string(remove ? "removed" : "rewritten") + (inMemoryLimit ? ", in memory" : ", on disk"));
        pdf::PdfReader::SetInMemoryLimit(inMemoryLimit);
        const std::string a = Make("a.pdf", 3, true);
        const std::string b = Make("b.pdf", 2, false);
        Observer observer;
        observer.onRow = [&](int row, const std::string&) {
            if (row != 1)
                return;
            if (remove) {
                std::filesystem::remove(a);
            } else {
                PdfSpec other;
                other.tag = "other";
                other.pages = 5;
                WritePdf(a, other);
            }
        };
        const JobReport report = RunMerge({RowFor(a), RowFor(b)}, Options(), &observer);
        EXPECT_FALSE(report.ok);
        ASSERT_EQ(report.errors.size(), 1u);
        EXPECT_EQ(report.errors[0].path, a);
        EXPECT_EQ(report.errors[0].message.rfind(a + " changed or vanished while the job ran", 0), 0u)
            << report.errors[0].message;
        EXPECT_FALSE(std::filesystem::exists(m_tmp.File("out.pdf")));
    }
    pdf::PdfReader::SetInMemoryLimit(1 << 20);
}

TEST_F(MergeJobTest, AStopRequestEndsTheMergeBeforeTheNextRowWithoutOutput)
{
    const std::string a = Make("a.pdf", 1, false);
    const std::string b = Make("b.pdf", 1, false);
    std::atomic<bool> stop {false};
    Observer observer;
    observer.onRow = [&](int, const std::string&) { stop = true; };
    const JobReport report = RunMerge({RowFor(a), RowFor(b)}, Options(), &observer, &stop);
    EXPECT_TRUE(report.stopped);
    EXPECT_FALSE(report.ok);
    EXPECT_EQ(report.rowsTaken, std::vector<int> {0});
    EXPECT_EQ(observer.statuses, std::vector<std::string> {"Merging your PDF files, please wait a moment..."});
    EXPECT_FALSE(std::filesystem::exists(m_tmp.File("out.pdf")));
}

TEST_F(MergeJobTest, ManySourcesFitInAFewDescriptors)
{
    // 150 sources under a limit of 48 descriptors, read from disk: only reading that opens each file
    // around its reads can manage it.
    PdfSpec desc;
    desc.fields = {{FieldKind::Text, "f", {2}, ""}};
    std::vector<JobRow> rows;
    for (int i = 0; i < 150; ++i) {
        const std::string path = Make("m" + std::to_string(i) + ".pdf", 2, true, desc);
        rows.push_back(RowFor(path));
    }
    rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    rlimit tight = old;
    tight.rlim_cur = 48;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    pdf::PdfReader::SetInMemoryLimit(0);
    const JobReport report = RunMerge(rows, Options());
    pdf::PdfReader::SetInMemoryLimit(1 << 20);
    ::setrlimit(RLIMIT_NOFILE, &old);
    ASSERT_TRUE(report.ok) << Errors(report);
    const std::string out = m_tmp.File("out.pdf");
    ExpectSound(out, 300);
    EXPECT_EQ(report.bookmarksKept, 300);
    EXPECT_EQ(report.renamedFields.size(), 149u);
    const auto fields = FieldsOf(out);
    ASSERT_EQ(fields.size(), 150u);
    EXPECT_EQ(PageTexts(out).back(), "m149 page 2");
    EXPECT_EQ(OutlineOf(out).back(), "m149 2 -> 300");
}
