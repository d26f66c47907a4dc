// SPDX-License-Identifier: Apache-2.0
// How a split cuts each range into parts and names them; read back with pdftotext, pdfinfo and qpdf.
#include "engine/SplitNameTemplate.h"
#include "tests/engine/EngineTestRows.h"

using namespace quire;
using namespace quire::fixtures;
using testing::HasSubstr;

using SplitJobTest = JobTest;

namespace {

struct Expected
{
    std::string name;
    int begin = 0;
    int end = 0;
    std::vector<std::string> outline {};
};

const std::string kLong(300, 'x');

} // namespace

TEST_F(SplitJobTest, EachModeCutsTheRangeIntoPartsWithTheirPagesOutlineAndInformation)
{
    const std::vector<OutlineDesc> scattered = {
        Item("Late", 8),
        Item("Early", 4),
        Item("Same A", 6),
        Item("Same B", 6),
        Item("Before", 1),
        Item("After", 12),
        Item("No page", 0, DestKind::None),
    };
    const std::vector<OutlineDesc> nested = {
        Item("Part I", 1, DestKind::Explicit, {Item("Ch 1", 1), Item("Ch 2", 3)}),
        Item("Part II", 5, DestKind::Explicit, {Item("Ch 3", 5)}),
    };
    const std::vector<OutlineDesc> awkward
        = {Item("Chapter 1/2: Intro", 1), Item("..", 2), Item(kLong, 3), Item("Über Straße 章", 4)};
    const std::string longName = kLong.substr(0, 255 - 4 - 2) + "-3.pdf";
    const struct
    {
        const char* label;
        int pages;
        std::vector<OutlineDesc> outline;
        std::string begin, end;
        SplitOptions options;
        std::vector<Expected> parts;
    } cases[] = {
        {"every 5 of 58 pages, {n} padded to two digits",
         60,
         OnePerPage(60),
         "1",
         "58",
         Cut(SplitMode::EveryPages, 5, "{title}-{n}"),
         {{"a-01.pdf",
           1,
           5,
           {"Chapter 1 -> 1", "Chapter 2 -> 2", "Chapter 3 -> 3", "Chapter 4 -> 4", "Chapter 5 -> 5"}},
          {"a-02.pdf", 6, 10},
          {"a-03.pdf", 11, 15},
          {"a-04.pdf", 16, 20},
          {"a-05.pdf", 21, 25},
          {"a-06.pdf", 26, 30},
          {"a-07.pdf", 31, 35},
          {"a-08.pdf", 36, 40},
          {"a-09.pdf", 41, 45},
          {"a-10.pdf", 46, 50},
          {"a-11.pdf", 51, 55},
          {"a-12.pdf", 56, 58, {"Chapter 56 -> 1", "Chapter 57 -> 2", "Chapter 58 -> 3"}}}},
        {"single pages of 2-4, the default names",
         5,
         {},
         "2",
         "4",
         Cut(SplitMode::EveryPages, 1),
         {{"a_p2-2.pdf", 2, 2}, {"a_p3-3.pdf", 3, 3}, {"a_p4-4.pdf", 4, 4}}},
        // In page order, whatever the outline's order; two items on page 6 make one part named after the
        // first; items outside 2-11 and the one without a page start none; pages 2-3 are a part of their own.
        {"top-level bookmarks out of order",
         12,
         scattered,
         "2",
         "11",
         Cut(SplitMode::AtBookmarks, 1, "{n} {bookmark}"),
         {{"1 a.pdf", 2, 3, {"No page -> -"}},
          {"2 Early.pdf", 4, 5, {"Early -> 1", "No page -> -"}},
          {"3 Same A.pdf", 6, 7, {"Same A -> 1", "Same B -> 1", "No page -> -"}},
          {"4 Late.pdf", 8, 11, {"Late -> 1", "No page -> -"}}}},
        {"second-level bookmarks",
         6,
         nested,
         "1",
         "0",
         Cut(SplitMode::AtBookmarks, 2, "{bookmark}"),
         {{"Ch 1.pdf", 1, 2, {"Part I -> 1", "  Ch 1 -> 1"}},
          {"Ch 2.pdf", 3, 4, {"Part I -> -", "  Ch 2 -> 1"}},
          {"Ch 3.pdf", 5, 6, {"Part II -> 1", "  Ch 3 -> 1"}}}},
        {"no bookmark of that level: one part",
         6,
         nested,
         "2",
         "3",
         Cut(SplitMode::AtBookmarks, 3),
         {{"a_p2-3.pdf", 2, 3, {"Part I -> -", "  Ch 2 -> 2"}}}},
        // '/' becomes '_', a leading '.' too; a long title gives way so that the whole name fits 255 bytes.
        {"awkward titles",
         4,
         awkward,
         "1",
         "0",
         Cut(SplitMode::AtBookmarks, 1, "{bookmark}-{n}"),
         {{"Chapter 1_2: Intro-1.pdf", 1, 1, {"Chapter 1/2: Intro -> 1"}},
          {"_.-2.pdf", 2, 2, {".. -> 1"}},
          {longName, 3, 3, {kLong + " -> 1"}},
          {"Über Straße 章-4.pdf", 4, 4, {"Über Straße 章 -> 1"}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string folder = m_tmp.File(std::string("case") + std::to_string(&c - cases));
        std::filesystem::create_directory(folder);
        const std::string source = folder + "/a.pdf";
        WritePdf(source, {.tag = "a", .pages = c.pages, .outline = c.outline, .info = {{"Title", "Source"}}});
        Observer observer;
        const JobReport report = RunSplit({RowFor(source, c.begin, c.end)}, c.options, &observer);
        ASSERT_TRUE(report.ok) << Errors(report);
        std::vector<std::string> want;
        for (const Expected& part : c.parts)
            want.push_back(folder + "/" + part.name);
        EXPECT_EQ(report.filesWritten, want);
        EXPECT_EQ(std::count_if(observer.events.begin(), observer.events.end(),
                                [](const std::string& e) { return e.starts_with("writing "); }),
                  static_cast<long>(c.parts.size()));
        EXPECT_EQ(FolderContents(folder).size(), c.parts.size() + 1); // the parts and the source, nothing else
        for (const Expected& part : c.parts) {
            SCOPED_TRACE(part.name);
            const std::string path = folder + "/" + part.name;
            if (!part.outline.empty() || c.parts.size() < 5)
                ExpectSound(path, Pages({{"a", part.begin, part.end}}), part.outline);
            else
                EXPECT_EQ(PageTexts(path), Pages({{"a", part.begin, part.end}}));
            EXPECT_EQ(PdfInfo(path)["Title"], "Source");
        }
    }
}

TEST_F(SplitJobTest, NamesThatCannotAllBeWrittenRefuseTheJobBeforeAnythingIsWritten)
{
    const std::string a = Make("a.pdf", 4);
    WritePdf(m_tmp.File(".pdf"), {.pages = 2}); // no file title
    const auto folderAs = [](SplitOptions options, const std::string& folder) {
        options.folder = folder;
        return options;
    };
    const struct
    {
        const char* label;
        std::string source;
        SplitOptions options;
        std::string message;
    } cases[] = {
        {"two parts, one name", a, Cut(SplitMode::EveryPages, 2, "{title}x"),
         "Row 1 (" + a + ") would be split twice into " + m_tmp.File("ax.pdf")
             + ": pages 1-2 and pages 3-4; nothing was written."},
        {"a part over its source", a, Cut(SplitMode::PageRange, 1, "{title}"),
         ", the source of row 1; nothing was written."},
        {"an unknown field", a, Cut(SplitMode::PageRange, 1, "{title}_{page"),
         "The name template \"{title}_{page\" has an unknown field {page; the fields are"},
        {"a folder in the template", a, Cut(SplitMode::PageRange, 1, "parts/{title}"), "has a '/'"},
        {"an empty name", m_tmp.File(".pdf"), Cut(SplitMode::PageRange, 1, "{title}"),
         "gives an empty file name for pages 1-2 of"},
        {"no such folder", a, folderAs(Cut(SplitMode::EveryPages, 1), m_tmp.File("nowhere")), "does not exist"},
        {"no pages per part", a, Cut(SplitMode::EveryPages, 0), "Parts of 0 pages cannot be made"},
    };
    const auto before = Snapshot();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const JobReport report = RunSplit({RowFor(c.source)}, c.options);
        EXPECT_FALSE(report.ok);
        EXPECT_THAT(Errors(report), HasSubstr(c.message));
        EXPECT_TRUE(report.filesWritten.empty());
        EXPECT_EQ(Snapshot(), before);
    }
}

TEST(SplitNameTemplate, MakesEveryValueSafeAndFitsTheNameInto255Bytes)
{
    std::string e300;
    for (int i = 0; i < 150; ++i)
        e300 += "é";
    const struct
    {
        std::string text;
        std::string bookmark;
        std::string name;
        std::string title = "t";
    } cases[] = {
        {"{bookmark}", "a\tb\x01/c", "a_b__c.pdf"},
        {"{bookmark}", "-rf", "_rf.pdf"},
        {"{n}{bookmark}", e300, "07" + e300.substr(0, 248) + ".pdf"}, // 251 bytes would cut an é
        {"{title} {begin}-{end}", "", "t 3-9.pdf"},
        {"", "", "-dash_p3-9.pdf", "-dash"}, // as parts of such a source have always been named
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(SplitNameTemplate(c.text).Name({c.title, 3, 9, 7, 12, c.bookmark}), c.name);
    }
}
