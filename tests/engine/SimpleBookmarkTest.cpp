// SPDX-License-Identifier: Apache-2.0
#include "engine/SimpleBookmark.h"
#include "engine/MergeJob.h"
#include "tests/engine/EngineTestRows.h"

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

// The outline of `path` as the engine reads it.
std::vector<std::string> Describe(const std::string& path)
{
    const auto list = SimpleBookmark::GetBookmark(pdf::PdfReader(path));
    EXPECT_TRUE(list.has_value()) << path;
    std::vector<std::string> out;
    Describe(list.value_or(BookmarkList()), 0, out);
    return out;
}

class OutlineTest : public JobTest
{
};

} // namespace

// Read from the source and written again: the destinations of every kind resolve to the right page
// after the shift, entries on pages left out go (and headings left empty with them, while one whose
// kids stay becomes a heading), the rest keeps its view, style, colour and open state.
TEST_F(OutlineTest, EveryKindOfEntryKeepsItsPageViewStyleAndOpenStateThroughAMerge)
{
    PdfSpec desc;
    OutlineSpec part = Item("Partie Ü ☃ 日本", 2, DestKind::Explicit,
                            {Item("Old name", 3, DestKind::OldDests), Item("Tree string", 4, DestKind::NameTree),
                             Item("Tree dict", 5, DestKind::NameTreeDict), Item("Cut away", 1, DestKind::NameTree)});
    part.bold = true;
    part.red = true;
    OutlineSpec closed = Item("Closed", 0, DestKind::None, {Item("Action", 4, DestKind::GoToAction)});
    closed.open = false;
    desc.outline = {part,
                    closed,
                    Item("Web", 0, DestKind::Uri),
                    Item("Gone", 1, DestKind::GoToAction),
                    Item("Emptied heading", 0, DestKind::None, {Item("Only 1", 1)}),
                    Item("Cut parent", 1, DestKind::Explicit, {Item("Kept kid", 3), Item("Cut kid", 1)}),
                    Item("Lone heading", 0, DestKind::None)};
    const std::string kinds = Make("kinds.pdf", 5, false, desc);
    quire::MergeOptions options;
    options.outputPath = m_tmp.File("out.pdf");
    const quire::JobReport report = quire::RunMerge({RowFor(Make("first.pdf", 2)), RowFor(kinds, "2", "5")}, options);
    ASSERT_TRUE(report.ok) << Errors(report);
    const std::string& out = options.outputPath;
    // qpdf's own outline reader sees the titles and pages...
    EXPECT_EQ(OutlineOf(out),
              (std::vector<std::string> {"Partie Ü ☃ 日本 -> 3", "  Old name -> 4", "  Tree string -> 5",
                                         "  Tree dict -> 6", "Closed -> -", "  Action -> 5", "Web -> -",
                                         "Cut parent -> -", "  Kept kid -> 4", "Lone heading -> -"}));
    // ...and the engine reads back the details it wrote.
    EXPECT_EQ(Describe(out),
              (std::vector<std::string> {
                  "Partie Ü ☃ 日本 @3 Color=1 0 0 Open=true Style=bold View=XYZ 72 720 0",
                  "  Old name @4 View=Fit",
                  "  Tree string @5 View=FitH 700",
                  "  Tree dict @6 View=Fit",
                  "Closed Open=false",
                  "  Action @5 View=Fit",
                  "Web URI=https://example.com/",
                  "Cut parent Open=true",
                  "  Kept kid @4 View=XYZ 72 720 0",
                  "Lone heading",
              }));
}

TEST_F(OutlineTest, TellsNoOutlineFromAnEmptyOneAndEndsOnLoopsReadingEachItemOnce)
{
    EXPECT_FALSE(SimpleBookmark::GetBookmark(pdf::PdfReader(Make("none.pdf", 1))).has_value());
    PdfSpec empty;
    empty.emptyOutline = true;
    EXPECT_EQ(Describe(Make("empty.pdf", 1, false, empty)), std::vector<std::string> {});

    PdfSpec loops;
    loops.outline = {Item("A", 1, DestKind::Explicit, {Item("A.1", 2), Item("A.2", 3)}), Item("B", 2), Item("C", 3)};
    loops.outlineLoop = true; // C -> A
    loops.kidLoop = true; // A.1 -> A.1
    // A.1's /Next now points at itself, so A.2 is no longer reachable.
    EXPECT_EQ(Describe(Make("loop.pdf", 3, false, loops)),
              (std::vector<std::string> {"A @1 Open=true View=XYZ 72 720 0", "  A.1 @2 View=XYZ 72 720 0",
                                         "B @2 View=XYZ 72 720 0", "C @3 View=XYZ 72 720 0"}));
}

TEST_F(OutlineTest, StopsDescendingAtSixtyFourLevelsAndSaysSo)
{
    for (const int levels : {64, 200}) {
        SCOPED_TRACE(levels);
        PdfSpec desc;
        OutlineSpec chain = Item("level " + std::to_string(levels), 1);
        for (int level = levels - 1; level >= 1; --level)
            chain = Item("level " + std::to_string(level), 1, DestKind::Explicit, {chain});
        desc.outline = {chain};
        quire::MergeOptions options;
        options.outputPath = m_tmp.File("out.pdf");
        const std::string deep = Make("deep.pdf", 1, false, desc);
        const quire::JobReport report = quire::RunMerge({RowFor(deep)}, options);
        ASSERT_TRUE(report.ok);
        EXPECT_EQ(report.bookmarksKept, 64);
        const std::string note = "The outline of " + deep
            + " has more than 100000 items or is nested more than 64 levels deep; the items beyond were left out.";
        EXPECT_EQ(report.notes, (levels > 64 ? std::vector<std::string> {note} : std::vector<std::string> {}));
    }
}
