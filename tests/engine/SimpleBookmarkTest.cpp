// SPDX-License-Identifier: Apache-2.0
#include "engine/SimpleBookmark.h"
#include "tests/engine/EngineTestRows.h"

using namespace quire::fixtures;
using pdf::SimpleBookmark;

namespace {

// The outline of `path` as the engine reads it, one line per entry: indent, title, "@page" when it has a
// target, then the other keys.
std::vector<std::string> Describe(const std::string& path)
{
    const auto list = SimpleBookmark::GetBookmark(pdf::PdfReader(path));
    EXPECT_TRUE(list.has_value()) << path;
    std::vector<std::string> out;
    const std::function<void(const pdf::BookmarkList&, const std::string&)> walk
        = [&](const auto& items, const auto& indent) {
              for (const auto& b : items) {
                  std::string line = indent + b.fields.at("Title") + (b.HasTarget() ? " @" + b.fields.at("Page") : "");
                  for (const auto& [key, value] : b.fields) {
                      if (key != "Title" && key != "Page" && key != "Action")
                          line += " " + key + "=" + value;
                  }
                  out.push_back(line);
                  walk(b.kids, indent + "  ");
              }
          };
    walk(list.value_or(pdf::BookmarkList()), "");
    return out;
}

using OutlineTest = JobTest;

} // namespace

// Read from the source and written again: the destinations of every kind resolve to the right page
// after the shift, entries on pages left out go (and headings left empty with them, while one whose
// kids stay becomes a heading), the rest keeps its view, style, colour and open state.
TEST_F(OutlineTest, EveryKindOfEntryKeepsItsPageViewStyleAndOpenStateThroughAMerge)
{
    const std::vector<OutlineDesc> outline = {
        {.title = "Partie Ü ☃ 日本",
         .page = 2,
         .kids = {Item("Old name", 3, DestKind::OldDests), Item("Tree string", 4, DestKind::NameTree),
                  Item("Tree dict", 5, DestKind::NameTreeDict), Item("Cut away", 1, DestKind::NameTree)},
         .bold = true,
         .red = true},
        {.title = "Closed", .kind = DestKind::None, .kids = {Item("Action", 4, DestKind::GoToAction)}, .open = false},
        Item("Web", 0, DestKind::Uri),
        Item("Gone", 1, DestKind::GoToAction),
        Item("Emptied heading", 0, DestKind::None, {Item("Only 1", 1)}),
        Item("Cut parent", 1, DestKind::Explicit, {Item("Kept kid", 3), Item("Cut kid", 1)}),
        Item("Lone heading", 0, DestKind::None)};
    const quire::JobReport report = quire::RunMerge(
        {RowFor(Make("first.pdf", 2)), RowFor(Make("kinds.pdf", 5, false, {.outline = outline}), "2", "5")}, Options());
    ASSERT_TRUE(report.ok) << Errors(report);
    const std::string out = m_tmp.File("out.pdf");
    // qpdf's own outline reader sees the titles and pages...
    EXPECT_EQ(OutlineOf(out),
              (std::vector<std::string> {"Partie Ü ☃ 日本 -> 3", "  Old name -> 4", "  Tree string -> 5",
                                         "  Tree dict -> 6", "Closed -> -", "  Action -> 5", "Web -> -",
                                         "Cut parent -> -", "  Kept kid -> 4", "Lone heading -> -"}));
    // ...and the engine reads back the details it wrote.
    EXPECT_EQ(Describe(out),
              (std::vector<std::string> {"Partie Ü ☃ 日本 @3 Color=1 0 0 Open=true Style=bold View=XYZ 72 720 0",
                                         "  Old name @4 View=Fit", "  Tree string @5 View=FitH 700",
                                         "  Tree dict @6 View=Fit", "Closed Open=false", "  Action @5 View=Fit",
                                         "Web URI=https://example.com/", "Cut parent Open=true",
                                         "  Kept kid @4 View=XYZ 72 720 0", "Lone heading"}));
}

TEST_F(OutlineTest, TellsNoOutlineFromAnEmptyOneAndEndsOnLoopsAndDeepNestingReadingEachItemOnce)
{
    EXPECT_FALSE(SimpleBookmark::GetBookmark(pdf::PdfReader(Make("none.pdf", 1))).has_value());
    EXPECT_EQ(Describe(Make("empty.pdf", 1, false, {.emptyOutline = true})), std::vector<std::string> {});

    PdfDesc loops;
    loops.outline = {Item("A", 1, DestKind::Explicit, {Item("A.1", 2), Item("A.2", 3)}), Item("B", 2), Item("C", 3)};
    loops.outlineLoop = true; // C -> A
    loops.kidLoop = true; // A.1 -> A.1
    // A.1's /Next now points at itself, so A.2 is no longer reachable.
    EXPECT_EQ(Describe(Make("loop.pdf", 3, false, loops)),
              (std::vector<std::string> {"A @1 Open=true View=XYZ 72 720 0", "  A.1 @2 View=XYZ 72 720 0",
                                         "B @2 View=XYZ 72 720 0", "C @3 View=XYZ 72 720 0"}));

    // Descending stops at 64 levels, and the job says so when there were more.
    for (const int levels : {64, 200}) {
        SCOPED_TRACE(levels);
        OutlineDesc chain = Item("level " + std::to_string(levels), 1);
        for (int level = levels - 1; level >= 1; --level)
            chain = Item("level " + std::to_string(level), 1, DestKind::Explicit, {chain});
        const std::string deep = Make("deep.pdf", 1, false, {.outline = {chain}});
        const quire::JobReport report = quire::RunMerge({RowFor(deep)}, Options());
        const std::string note = "The outline of " + deep
            + " has more than 100000 items or is nested more than 64 levels deep; the items beyond were left out.";
        EXPECT_EQ(std::tuple(report.ok, report.bookmarksKept, report.notes),
                  std::tuple(true, 64, levels > 64 ? std::vector<std::string> {note} : std::vector<std::string> {}));
    }
}
