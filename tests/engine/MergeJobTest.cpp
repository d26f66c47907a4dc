// SPDX-License-Identifier: Apache-2.0
// The merge, and what the split shares with it: the rules that turn a row into a range and a bookmark.
// The file names, ranges, outlines, information and failing rows of a split are checked through the
// quire tool (tests/cli).
#include "engine/PageRange.h"
#include "engine/RowRules.h"
#include "tests/engine/EngineTestRows.h"

#include <sys/resource.h>

#include <climits>
#include <fstream>
#include <optional>

using namespace quire;
using namespace quire::fixtures;
using testing::ElementsAre;
using testing::Field;
using testing::StartsWith;
using Kind = pdf::PdfError::Kind;

using MergeJobTest = JobTest;

TEST(PageText, ConvertsLikeAtoi)
{
    const std::pair<const char*, int> cases[] = {
        {"12", 12}, {"  \t7", 7}, {"+3", 3}, {"-4", -4}, {"5abc", 5}, {"3-5", 3}, {"", 0}, {"abc", 0}, {"- 5", 0},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(PageRange::ParsePageText(text), value) << text;
    // A pasted long number saturates instead of wrapping round.
    EXPECT_EQ(PageRange::ParsePageText("99999999999999999999"), INT_MAX);
    EXPECT_EQ(PageRange::ParsePageText("-99999999999999999999"), INT_MIN);
}

TEST(RowRange, FillsMissingEndsAndNeverReachesPastTheRealLastPage)
{
    // Page text, begin, end, the real page count; the range's begin and end. The last three: the source
    // has shrunk to 8 pages since it was added; no page text at all, where the real count stands in; the
    // source has grown to 3 pages since it was added with 2, and the page text still ends the range.
    const std::tuple<const char*, const char*, const char*, int, int, int> cases[] = {
        {"10", "3", "5", 10, 3, 5},  {"10", "0", "0", 10, 1, 10},   {"10", "", "", 10, 1, 10},
        {"10", "x", "y", 10, 1, 10}, {"10", "-2", "-1", 10, 1, 10}, {"10", "1", "12", 10, 1, 10},
        {"7", "0", "0", 10, 1, 7},   {"10", "8", "3", 10, 8, 3},    {"10", "12", "0", 10, 12, 10},
        {"0", "1", "0", 0, 1, 0},    {"10", "2", "0", 8, 2, 8},     {"", "2", "", 8, 2, 8},
        {"2", "2", "3", 3, 2, 2},
    };
    for (const auto& [pages, begin, end, realPages, wantBegin, wantEnd] : cases) {
        SCOPED_TRACE(std::string(pages) + " " + begin + "-" + end + " of " + std::to_string(realPages));
        const PageRange r = RowRules::Range(JobRow {"", true, "", pages, begin, end}, realPages);
        EXPECT_EQ(std::tuple(r.Begin(), r.End(), r.Count(), r.Pages()),
                  std::tuple(wantBegin, wantEnd, wantBegin <= wantEnd ? wantEnd - wantBegin + 1 : 0, realPages));
    }
}

TEST(CreatedBookmark, DropsAngleBracketAndParenthesesAndPointsAtThePage)
{
    EXPECT_THAT(RowRules::CreatedBookmark("Report (final) >v2", 4),
                ElementsAre(Field(&pdf::Bookmark::fields,
                                  std::map<std::string, std::string> {
                                      {"Action", "GoTo"}, {"Page", "4"}, {"Title", "Report final v2"}})));
    EXPECT_TRUE(RowRules::CreatedBookmark("", 1).empty());
    // Bytes that are not UTF-8 (an old file name) still give a valid title.
    EXPECT_EQ(RowRules::CreatedBookmark("Caf\xe9", 1)[0].fields.at("Title"), "Caf\xc3\xa9");
}

TEST_F(MergeJobTest, RangesOfTheCheckedRowsAndTheirBookmarksLandOnTheRightPages)
{
    Observer observer;
    const JobReport result
        = RunMerge({RowFor(Make("A.pdf", 10, true), "3", "5", "Typed"),
                    JobRow {Make("Skipped.pdf", 5), false, "Skipped", "5", "1", "0"}, // not checked
                    RowFor(Make("Report (final).pdf", 4), "1", "4", "Report (final)"),
                    RowFor(Make("Backwards.pdf", 6), "5", "2", "Back"), RowFor(Make("C.pdf", 6, true), "2", "6"),
                    RowFor(Make("Beyond.pdf", 10), "99", "10", "Beyond")},
                   Options(), &observer);
    ASSERT_TRUE(result.ok) << Errors(result);
    const std::string out = m_tmp.File("out.pdf");
    // The unchecked row adds nothing, not even to the page offset; the rows whose range holds no pages
    // add no pages and no bookmark; a source's own outline wins over the typed text.
    ExpectSound(out, Pages({{"A", 3, 5}, {"Report (final)", 1, 4}, {"C", 2, 6}}));
    EXPECT_EQ(OutlineOf(out),
              (std::vector<std::string> {"A 3 -> 1", "A 4 -> 2", "A 5 -> 3", "Report final -> 4", "C 2 -> 8",
                                         "C 3 -> 9", "C 4 -> 10", "C 5 -> 11", "C 6 -> 12"}));
    // Files written, pages, bookmarks kept, dropped and created, rows taken.
    EXPECT_EQ(std::tuple(result.filesWritten, result.pagesWritten, result.bookmarksKept, result.bookmarksDropped,
                         result.bookmarksCreated, result.rowsTaken),
              std::tuple(std::vector<std::string> {out}, 12, 8, 8, 1, std::vector<int> {0, 2, 3, 4, 5}));
    // Each row that added nothing is named, and the merge still succeeds; the sentences are checked
    // where the user reads them (tests/app, tests/cli).
    EXPECT_THAT(result.errors,
                ElementsAre(Field(&RowError::path, m_tmp.File("Backwards.pdf")),
                            Field(&RowError::path, m_tmp.File("Beyond.pdf"))));
    EXPECT_THAT(result.errors, testing::Each(Field(&RowError::skipped, true)));
    // The writing is told before the file is in place.
    EXPECT_EQ(observer.events,
              (std::vector<std::string> {"Merging your PDF files, please wait a moment...", "0:1/5", "2:2/5", "3:3/5",
                                         "4:4/5", "5:5/5", "writing out.pdf", "Merging Finished."}));
}

TEST_F(MergeJobTest, NestedBookmarksPutEachRowsTrimmedOutlineUnderAnItemOfItsOwn)
{
    PdfDesc deep;
    deep.outline
        = {Item("Part 1", 1, DestKind::Explicit,
                {Item("Ch 1", 1), Item("Ch 2", 3, DestKind::Explicit, {Item("Sec 2.1", 3), Item("Sec 2.2", 5)})}),
           Item("Part 2", 6, DestKind::Explicit, {Item("Ch 3", 6)})};
    const std::vector<JobRow> rows
        = {RowFor(Make("Plain.pdf", 2), "1", "0"), RowFor(Make("Deep.pdf", 6, false, deep), "3", "5", "Deep, typed"),
           RowFor(Make("Flat.pdf", 3, true), "2", "3", "")};
    // Off: the rows' own outlines trimmed to their ranges (Plain has no text, so no item); on: an item per
    // row with them under it, the file title standing in for an empty text.
    const std::tuple<bool, int, int, std::vector<std::string>> cases[] = {
        {false,
         6,
         0,
         {"Part 1 -> -", "  Ch 2 -> 3", "    Sec 2.1 -> 3", "    Sec 2.2 -> 5", "Flat 2 -> 6", "Flat 3 -> 7"}},
        {true,
         6,
         3,
         {"Plain -> 1", "Deep, typed -> 3", "  Part 1 -> -", "    Ch 2 -> 3", "      Sec 2.1 -> 3",
          "      Sec 2.2 -> 5", "Flat -> 6", "  Flat 2 -> 6", "  Flat 3 -> 7"}},
    };
    for (const auto& [nest, kept, created, outline] : cases) {
        SCOPED_TRACE(nest ? "nested" : "flat");
        MergeOptions options = Options();
        options.nestBookmarks = nest;
        const JobReport report = RunMerge(rows, options);
        ASSERT_TRUE(report.ok) << Errors(report);
        ExpectSound(options.outputPath, Pages({{"Plain", 1, 2}, {"Deep", 3, 5}, {"Flat", 2, 3}}));
        EXPECT_EQ(OutlineOf(options.outputPath), outline);
        EXPECT_EQ(std::tuple(report.bookmarksKept, report.bookmarksCreated), std::tuple(kept, created));
    }
}

TEST_F(MergeJobTest, FormsKeepWorkingWithClashingNamesRenamedAndMultiPageFieldsWhole)
{
    const std::string f1 = Make("f1.pdf", 2, false,
                                {.fields = {{FieldKind::Text, "name", {1}, "Ann"},
                                            {FieldKind::CheckBox, "agree", {1}, ""},
                                            {FieldKind::Radio, "choice", {1, 1, 1}, ""},
                                            {FieldKind::Text, "shared", {1, 2}, "both pages"}}});
    const std::string f2 = Make(
        "f2.pdf", 3, false,
        {.fields = {{FieldKind::Text, "name", {1}, "Bob"}, {FieldKind::Text, "shared", {2, 3}, ""}}, .version = "1.7"});
    const JobReport report = RunMerge({RowFor(f1), RowFor(f2)}, Options());
    ASSERT_TRUE(report.ok) << Errors(report);
    const std::string out = m_tmp.File("out.pdf");
    // Sound, five pages; the highest version of its sources, and object streams.
    EXPECT_EQ(std::tuple(QpdfCheckPasses(out), PdfInfo(out)["Pages"], PdfInfo(out)["PDF version"],
                         ReadWholeFile(out).find("/ObjStm") != std::string::npos),
              std::tuple(true, "5", "1.7", true));
    EXPECT_EQ(
        FieldsOf(out),
        (std::vector<std::string> {"agree: 1 widget(s) on page(s) 1", "choice: 3 widget(s) on page(s) 1,1,1",
                                   "name+1: 1 widget(s) on page(s) 3", "name: 1 widget(s) on page(s) 1",
                                   "shared+1: 2 widget(s) on page(s) 4,5", "shared: 2 widget(s) on page(s) 1,2"}));
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
    PdfDesc desc;
    desc.links = {{1, 2, DestKind::Explicit}, {2, 4, DestKind::GoToAction}, {3, 1, DestKind::Explicit},
                  {4, 5, DestKind::NameTree}, {5, 1, DestKind::Explicit},   {5, 3, DestKind::Explicit}};
    const std::string links = Make("L.pdf", 5, false, desc);
    ASSERT_TRUE(RunMerge({RowFor(links)}, Options("all.pdf")).ok);
    EXPECT_EQ(LinksOf(m_tmp.File("all.pdf")),
              (std::vector<std::string> {"1 -> 2", "2 -> 4", "3 -> 1", "4 -> 5 (dest1004)", "5 -> 1", "5 -> 3"}));

    ASSERT_TRUE(RunMerge({RowFor(Make("X.pdf", 2)), RowFor(links, "2", "5")}, Options("part.pdf")).ok);
    const std::string part = m_tmp.File("part.pdf");
    ExpectSound(part, Pages({{"X", 1, 2}, {"L", 2, 5}}));
    EXPECT_EQ(LinksOf(part), (std::vector<std::string> {"3 -> 5", "5 -> 6 (dest1004)", "6 -> 4"}));
}

// Each kind of failure the jobs report, once (a source that changes: below): the programs act on it.
TEST_F(MergeJobTest, AFailedJobReportsTheKindOfFailureAndWritesNothing)
{
    const std::string a = Make("a.pdf", 3);
    const std::string upper = Make("a.PDF", 3);
    WriteNotPdf(m_tmp.File("notes.pdf"));
    WriteDamagedPdf(m_tmp.File("damaged.pdf"));
    const std::string locked = Make("locked.pdf", 1, false, {.userPassword = "secret"});
    const auto locked_with = [&](const std::string& password) {
        JobRow row = RowFor(locked);
        row.szPassword = password;
        return row;
    };
    const struct
    {
        const char* what;
        std::vector<JobRow> rows;
        std::optional<Kind> merge; // none: the job is not run
        std::optional<Kind> split;
        WriteFault fault = {};
        std::string output = "out.pdf";
    } cases[] = {
        {"password", {RowFor(locked)}, Kind::Password, Kind::Password},
        {"wrong password", {locked_with("Secret")}, Kind::WrongPassword, Kind::WrongPassword},
        {"not a PDF", {RowFor(m_tmp.File("notes.pdf"))}, Kind::NotPdf, Kind::NotPdf},
        {"damaged", {RowFor(m_tmp.File("damaged.pdf"))}, Kind::Damaged, Kind::Damaged},
        {"missing", {RowFor(m_tmp.File("missing.pdf"))}, Kind::Unreadable, Kind::Unreadable},
        {"disk full", {RowFor(a)}, Kind::Unwritable, Kind::Unwritable, {WriteFault::Stage::Write}},
        {"no pages in the range", {RowFor(a, "3", "2", "Title")}, Kind::Refused, Kind::Refused},
        {"no rows", {}, Kind::Refused, Kind::Refused},
        {"output is a source", {RowFor(a)}, Kind::Refused, std::nullopt, {}, "a.pdf"},
        {"two rows, one file", {RowFor(a, "1", "2"), RowFor(upper, "1", "2")}, std::nullopt, Kind::Refused},
    };
    const auto before = Snapshot();
    const auto expectFailure = [](const JobReport& report, Kind kind) {
        ASSERT_FALSE(report.errors.empty());
        EXPECT_THAT(report.errors, testing::Each(Field(&RowError::kind, kind))) << Errors(report);
        EXPECT_EQ(std::tuple(report.ok, report.filesWritten.size()), std::tuple(false, 0u)) << Errors(report);
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.merge)
            expectFailure(RunMerge(c.rows, Options(c.output, c.fault)), *c.merge);
        if (c.split)
            expectFailure(RunSplit(c.rows, SplitOptions {false, c.fault}), *c.split);
        EXPECT_EQ(Snapshot(), before);
    }
}

TEST_F(MergeJobTest, EveryStandardEncryptionOpensWithEitherPasswordAndOnlyWithOne)
{
    using E = Encryption;
    const std::string latin1 = "caf\xe9"; // "café" as the older methods take it, in PDFDocEncoding
    const struct
    {
        E encryption;
        std::string user, owner; // as written into the file
        std::string method;
    } files[] = {
        {E::Aes256, "pässwörd-ключ", "owner", "AES-256"}, {E::Aes256R5, "user", "owner", "AES-256"},
        {E::Aes128, "user", "owner", "AES-128"},          {E::Rc4_128, "user", "owner", "RC4 128-bit"},
        {E::Rc4_40, latin1, "owner", "RC4 40-bit"},       {E::Aes256, "", "owner", "AES-256"},
        {E::Aes256, "same", "same", "AES-256"},
    };
    for (const auto& f : files) {
        const std::string user = f.user == latin1 ? "café" : f.user;
        SCOPED_TRACE(f.method + " '" + user + "'");
        const std::string path
            = Make("enc.pdf", 2, false, {.userPassword = f.user, .ownerPassword = f.owner, .encryption = f.encryption});
        const struct
        {
            std::string password;
            std::optional<Kind> failure;
            bool owner = false;
        } opens[] = {
            {"", f.user.empty() ? std::nullopt : std::optional(Kind::Password)},
            {"wrong", Kind::WrongPassword},
            {user, std::nullopt, user == f.owner},
            {f.owner, std::nullopt, true},
        };
        for (const auto& o : opens) {
            try {
                const pdf::PdfReader reader(path, o.password);
                EXPECT_FALSE(o.failure) << o.password;
                EXPECT_EQ(std::tuple(reader.NumberOfPages(), reader.EncryptionMethod(), reader.OwnerPasswordMatched()),
                          std::tuple(2, f.method, o.owner))
                    << o.password;
            } catch (const pdf::PdfError& e) {
                EXPECT_EQ(std::optional(e.kind()), o.failure) << o.password << ": " << e.what();
                EXPECT_THAT(e.what(), testing::Not(testing::HasSubstr(o.password.empty() ? "\n" : o.password)));
            }
        }
        // Every part keeps its source's protection, or loses it when the owner asks.
        for (const std::string& given : {user, f.owner}) {
            for (const bool remove : {false, true}) {
                JobRow row = RowFor(path);
                row.szPassword = given;
                SplitOptions options = Cut(SplitMode::EveryPages, 1);
                options.removeProtection = remove;
                const JobReport report = RunSplit({row}, options);
                const bool removed = remove && given == f.owner;
                ASSERT_EQ(report.ok, !remove || removed) << given << Errors(report);
                for (const std::string& part : report.filesWritten) {
                    const pdf::PdfReader asUser(part, removed ? "" : user), asOwner(part, removed ? "" : f.owner);
                    EXPECT_EQ(
                        std::tuple(asUser.NumberOfPages(), asUser.EncryptionMethod(), asOwner.OwnerPasswordMatched()),
                        std::tuple(1, removed ? "" : f.method, !removed))
                        << given << part;
                    if (!removed && !f.user.empty()) {
                        EXPECT_THROW(pdf::PdfReader {part}, pdf::PdfError) << part;
                    }
                }
                EXPECT_EQ(report.filesWritten.size(), report.ok ? 2u : 0u);
            }
        }
    }
}

TEST_F(MergeJobTest, ASourceThatChangesWhileAJobRunsFailsTheMergeAndIsReadAgainByTheSplit)
{
    enum Change { Removed, Rewritten, RewrittenInPlaceWithItsTimeSetBack };
    // Both ways of reading a source: whole into memory, and from disk around each read.
    for (const Change change : {Removed, Rewritten, RewrittenInPlaceWithItsTimeSetBack}) {
        for (const int inMemoryLimit : {1 << 20, 0}) {
            SCOPED_TRACE(std::to_string(change) + (inMemoryLimit ? ", in memory" : ", on disk"));
            pdf::PdfReader::SetInMemoryLimit(inMemoryLimit);
            const std::string a = Make("a.pdf", 3, true);
            Observer observer;
            observer.onRow = [&](int row) {
                if (row == 1 && change == Removed) {
                    std::filesystem::remove(a);
                } else if (row == 1 && change == Rewritten) {
                    Make("a.pdf", 5);
                } else if (row == 1) {
                    // As a copy tool that rewrites in place and keeps the times would: same size,
                    // same modification time, other bytes (%PDF-1.4 becomes %PDF-1.5).
                    const auto modified = std::filesystem::last_write_time(a);
                    std::fstream(a, std::ios::in | std::ios::out | std::ios::binary).seekp(7).put('5');
                    std::filesystem::last_write_time(a, modified);
                }
            };
            const JobReport report = RunMerge({RowFor(a), RowFor(Make("b.pdf", 2))}, Options(), &observer);
            ASSERT_EQ(report.errors.size(), 1u);
            EXPECT_EQ(std::tuple(report.ok, report.errors[0].path, report.errors[0].kind),
                      std::tuple(false, a, Kind::Changed));
            EXPECT_THAT(report.errors[0].message, StartsWith(a + " changed or vanished while the job ran"));
            EXPECT_FALSE(std::filesystem::exists(m_tmp.File("out.pdf")));
        }
    }
    pdf::PdfReader::SetInMemoryLimit(1 << 20);

    // Each row of a split reads its source anew.
    const std::string a = Make("a.pdf", 2);
    Observer observer;
    observer.onRow = [&](int row) {
        if (row == 1)
            WritePdf(a, PdfDesc {.tag = "new", .pages = 3});
    };
    const JobReport report = RunSplit({RowFor(a, "1", "1"), RowFor(a, "2", "3")}, {false, {}}, &observer);
    ASSERT_TRUE(report.ok) << Errors(report);
    ExpectSound(m_tmp.File("a_p1-1.pdf"), Pages({{"a", 1, 1}}));
    // The second row's page-count text still says 2, so the range ends at page 2 of the new file.
    ExpectSound(m_tmp.File("a_p2-2.pdf"), Pages({{"new", 2, 2}}));
}

TEST_F(MergeJobTest, AStopRequestEndsEitherJobBeforeTheNextRowAndIsNoFailure)
{
    const std::vector<JobRow> rows = {RowFor(Make("a.pdf", 2)), RowFor(Make("b.pdf", 2))};
    const auto before = Snapshot();
    for (const bool merge : {true, false}) {
        SCOPED_TRACE(merge ? "merge" : "split");
        std::atomic<bool> stop {false};
        Observer observer;
        observer.onRow = [&](int) { stop = true; };
        const JobReport report = merge ? RunMerge(rows, Options(), &observer, &stop)
                                       : RunSplit(rows, SplitOptions {false, {}}, &observer, &stop);
        EXPECT_EQ(std::tuple(report.stopped, report.ok, report.errors.size(), report.rowsTaken),
                  std::tuple(true, false, 0u, std::vector<int> {0}))
            << Errors(report);
        EXPECT_EQ(observer.events,
                  (merge ? std::vector<std::string> {"Merging your PDF files, please wait a moment...", "0:1/2"}
                         : std::vector<std::string> {"Splitting your PDF files, please wait a moment...", "0:1/2",
                                                     "writing a_p1-2.pdf"}));
    }
    // The merge wrote nothing; the split kept the file of the row it finished.
    auto after = Snapshot();
    EXPECT_EQ(after.erase("a_p1-2.pdf"), 1u);
    EXPECT_EQ(after, before);
}

// 150 sources under a limit of 48 descriptors, read from disk: only readers that hold at most one
// descriptor until closed, then open their file around each read, can manage it.
TEST_F(MergeJobTest, ReadersHoldAtMostOneDescriptorSoManySourcesFitInAFew)
{
    const PdfDesc desc {.fields = {{FieldKind::Text, "f", {2}, ""}}};
    std::vector<JobRow> rows;
    std::vector<std::tuple<std::string, int, int>> pages;
    for (int i = 0; i < 150; ++i) {
        const std::string tag = "m" + std::to_string(i);
        rows.push_back(RowFor(Make(tag + ".pdf", 2, true, desc)));
        pages.emplace_back(tag, 1, 2);
    }
    const auto openFiles = [] {
        const std::filesystem::directory_iterator fds("/proc/self/fd");
        return std::distance(begin(fds), end(fds));
    };
    const auto before = openFiles();
    // A small file is parsed from memory and holds no descriptor at all; one read from disk holds one
    // until closed, and reopens the file for each later read.
    const pdf::PdfReader small(rows[0].szFilePath);
    EXPECT_EQ(openFiles(), before);
    pdf::PdfReader::SetInMemoryLimit(0);
    pdf::PdfReader reader(rows[0].szFilePath);
    EXPECT_EQ(openFiles(), before + 1);
    reader.Close();
    EXPECT_TRUE(reader.HasOutline());
    EXPECT_EQ(openFiles(), before);

    rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    const rlimit tight {48, old.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    const JobReport report = RunMerge(rows, Options());
    pdf::PdfReader::SetInMemoryLimit(1 << 20);
    ::setrlimit(RLIMIT_NOFILE, &old);
    ASSERT_TRUE(report.ok) << Errors(report);
    const std::string out = m_tmp.File("out.pdf");
    ExpectSound(out, Pages(pages));
    EXPECT_EQ(
        std::tuple(report.bookmarksKept, report.renamedFields.size(), FieldsOf(out).size(), OutlineOf(out).back()),
        std::tuple(300, 149u, 150u, "m149 2 -> 300"));
}
