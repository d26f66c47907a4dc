// SPDX-License-Identifier: Apache-2.0
#include "SimpleBookmark.h"
#include "PdfFixtures.h"
#include "PdfReader.h"
#include "RowRules.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using namespace quire::fixtures;
using pdf::Bookmark;
using pdf::BookmarkList;
using pdf::SimpleBookmark;

namespace {

// One line per entry: indent, title, "@page" when it has a target, then the other keys.
void Describe(const BookmarkList& list, int depth, std::vector<std::string>& out)
{
    for (const Bookmark& b : list) {
        std::string line(static_cast<std::size_t>(depth) * 2, ' ');
        line += b.fields.count("Title") ? b.fields.at("Title") : "?";
        if (b.HasTarget())
            line += " @" + b.fields.at("Page");
        for (const auto& [key, value] : b.fields) {
            if (key != "Title" && key != "Page" && key != "Action")
                line += " " + key + "=" + value;
        }
        out.push_back(line);
        Describe(b.kids, depth + 1, out);
    }
}

std::vector<std::string> Describe(const BookmarkList& list)
{
    std::vector<std::string> out;
    Describe(list, 0, out);
    return out;
}

Bookmark Entry(const std::string& title, int page, BookmarkList kids = {})
{
    Bookmark b;
    b.fields["Title"] = title;
    if (page > 0) {
        b.fields["Action"] = "GoTo";
        b.fields["Page"] = std::to_string(page);
    }
    b.kids = std::move(kids);
    return b;
}

} // namespace

class GetBookmarkTest : public TempDirTest
{
};

TEST_F(GetBookmarkTest, ResolvesEveryKindOfDestinationAndKeepsViewStyleAndOpenState)
{
    PdfSpec desc;
    desc.pages = 6;
    OutlineSpec part = Item("Part Ü ☃", 1, DestKind::Explicit,
                            {Item("Old name", 2, DestKind::OldDests), Item("Tree string", 3, DestKind::NameTree),
                             Item("Tree dict", 4, DestKind::NameTreeDict)});
    part.bold = true;
    part.red = true;
    OutlineSpec closed = Item("Closed", 5, DestKind::GoToAction, {Item("Web", 0, DestKind::Uri)});
    closed.open = false;
    desc.outline = {part, closed, Item("Heading", 0, DestKind::None)};
    const std::string path = m_tmp.File("kinds.pdf");
    WritePdf(path, desc);

    const auto list = SimpleBookmark::GetBookmark(pdf::PdfReader(path));
    ASSERT_TRUE(list.has_value());
    EXPECT_EQ(Describe(*list),
              (std::vector<std::string> {
                  "Part Ü ☃ @1 Color=1 0 0 Open=true Style=bold View=XYZ 72 720 0",
                  "  Old name @2 View=Fit",
                  "  Tree string @3 View=FitH 700",
                  "  Tree dict @4 View=Fit",
                  "Closed @5 Open=false View=Fit",
                  "  Web URI=https://example.com/",
                  "Heading",
              }));
}

TEST_F(GetBookmarkTest, TellsNoOutlineFromAnEmptyOne)
{
    PdfSpec none;
    WritePdf(m_tmp.File("none.pdf"), none);
    EXPECT_FALSE(SimpleBookmark::GetBookmark(pdf::PdfReader(m_tmp.File("none.pdf"))).has_value());

    PdfSpec empty;
    empty.emptyOutline = true;
    WritePdf(m_tmp.File("empty.pdf"), empty);
    const auto list = SimpleBookmark::GetBookmark(pdf::PdfReader(m_tmp.File("empty.pdf")));
    ASSERT_TRUE(list.has_value());
    EXPECT_TRUE(list->empty());
}

TEST_F(GetBookmarkTest, EndsOnLoopsReadingEachItemOnce)
{
    PdfSpec desc;
    desc.pages = 3;
    desc.outline = {Item("A", 1, DestKind::Explicit, {Item("A.1", 2), Item("A.2", 3)}), Item("B", 2), Item("C", 3)};
    desc.outlineLoop = true; // C -> A
    desc.kidLoop = true; // A.1 -> A.1
    WritePdf(m_tmp.File("loop.pdf"), desc);

    const auto list = SimpleBookmark::GetBookmark(pdf::PdfReader(m_tmp.File("loop.pdf")));
    ASSERT_TRUE(list.has_value());
    // A.1's /Next now points at itself, so A.2 is no longer reachable.
    EXPECT_EQ(Describe(*list),
              (std::vector<std::string> {"A @1 Open=true View=XYZ 72 720 0", "  A.1 @2 View=XYZ 72 720 0",
                                         "B @2 View=XYZ 72 720 0", "C @3 View=XYZ 72 720 0"}));
}

TEST_F(GetBookmarkTest, StopsDescendingAtSixtyFourLevels)
{
    PdfSpec desc;
    desc.pages = 1;
    OutlineSpec chain = Item("level 200", 1);
    for (int level = 199; level >= 1; --level)
        chain = Item("level " + std::to_string(level), 1, DestKind::Explicit, {chain});
    desc.outline = {chain};
    WritePdf(m_tmp.File("deep.pdf"), desc);
    const auto list = SimpleBookmark::GetBookmark(pdf::PdfReader(m_tmp.File("deep.pdf")));
    ASSERT_TRUE(list.has_value());
    EXPECT_EQ(SimpleBookmark::Count(*list), 64);
}

TEST(EliminatePages, KeepsHeadingsWithKidsAndRemovesWhatIsLeftEmpty)
{
    BookmarkList list = {
        Entry("Intro", 1),
        Entry("Chapter", 2, {Entry("Section 2", 2), Entry("Section 6", 6)}),
        Entry("Appendix", 7, {Entry("A.1", 7), Entry("A.2", 8)}),
        Entry("Lone heading", 0),
        Entry("Emptied heading", 0, {Entry("Only 3", 3)}),
    };
    SimpleBookmark::EliminatePages(list, 1, 3);
    EXPECT_EQ(Describe(list),
              (std::vector<std::string> {"Chapter", "  Section 6 @6", "Appendix @7", "  A.1 @7", "  A.2 @8",
                                         "Lone heading"}));
    SimpleBookmark::EliminatePages(list, 7, 8);
    EXPECT_EQ(Describe(list), (std::vector<std::string> {"Chapter", "  Section 6 @6", "Lone heading"}));
    SimpleBookmark::EliminatePages(list, 9, 2); // from > to: nothing
    EXPECT_EQ(SimpleBookmark::Count(list), 3);
}

TEST(ShiftPageNumbers, ShiftsOnlyThePagesInTheRangeAtEveryDepth)
{
    BookmarkList list = {Entry("A", 3, {Entry("A.1", 4, {Entry("A.1.a", 5)})}), Entry("B", 9), Entry("C", 0)};
    SimpleBookmark::ShiftPageNumbers(list, -2, 3, 5);
    EXPECT_EQ(Describe(list), (std::vector<std::string> {"A @1", "  A.1 @2", "    A.1.a @3", "B @9", "C"}));
}

TEST(TrimBookmarks, ThreeToFiveOfTenBecomesOneToThree)
{
    BookmarkList list;
    for (int p = 1; p <= 10; ++p)
        list.push_back(Entry("P" + std::to_string(p), p));
    quire::RowRules::TrimBookmarks(list, quire::PageRange::Normalise(10, "3", "5"));
    EXPECT_EQ(Describe(list), (std::vector<std::string> {"P3 @1", "P4 @2", "P5 @3"}));

    BookmarkList tail = {Entry("P1", 1), Entry("P9", 9), Entry("P10", 10)};
    quire::RowRules::TrimBookmarks(tail, quire::PageRange::Normalise(10, "9", "0"));
    EXPECT_EQ(Describe(tail), (std::vector<std::string> {"P9 @1", "P10 @2"}));

    BookmarkList head = {Entry("P1", 1), Entry("P9", 9)};
    quire::RowRules::TrimBookmarks(head, quire::PageRange::Normalise(10, "0", "4"));
    EXPECT_EQ(Describe(head), (std::vector<std::string> {"P1 @1"}));

    BookmarkList backwards = {Entry("P4", 4), Entry("P6", 6), Entry("Heading", 0)};
    quire::RowRules::TrimBookmarks(backwards, quire::PageRange::Normalise(10, "6", "4"));
    EXPECT_EQ(Describe(backwards), (std::vector<std::string> {"Heading"}));
}
