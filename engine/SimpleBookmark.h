// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pdf {

class PdfReader;

// One outline entry: a map from key text to value text, and its kids.
//
// Keys (all values are UTF-8 texts):
//   "Title"  the entry's text
//   "Action" "GoTo" when "Page" is set; "URI" for a web link (then "URI" holds the address);
//            "Named" for a viewer command (then "Named" holds its name without the slash:
//            "NextPage"); "GoToR", "Launch" or "JavaScript" (then "ActionData" holds the whole
//            action dictionary as PDF text, self-contained: no indirect references, a script
//            stream turned into a string, embedded files left out; other files are named as in
//            the source). Such an entry has no page; trimming keeps it like an entry with a target.
//   "Page"   the 1-based target page in decimal
//   "View"   the rest of the destination: "XYZ 72 700 null", "Fit", "FitH 700", ...
//   "Open"   "true" / "false", only on entries with kids
//   "Color"  "r g b" (0..1 each), left out when black
//   "Style"  "bold", "italic" or "bold italic"
// Entries the jobs create themselves carry only "Title", "Page" and "Action" ("Open" too on the
// merge's nested row items).
struct Bookmark
{
    std::map<std::string, std::string> fields;
    std::vector<Bookmark> kids;

    // The target page, or 0 when the entry leads to no page of its document.
    int Page() const;
    bool HasTarget() const { return Page() > 0; }
};

using BookmarkList = std::vector<Bookmark>;

// The outline operations the jobs need.
class SimpleBookmark
{
public:
    // The outline tree of `reader` as a list, or nothing when the catalog has no /Outlines
    // dictionary. Cannot loop: every item is read at most once, at most 64 levels deep and 100,000
    // items in all; `truncated`, when given, tells whether items were left out at those limits. An
    // item whose destination does not resolve to a page of the document keeps its title and kids.
    // Named, GoToR, Launch and JavaScript actions are kept (see Bookmark) within limits: a script of
    // at most 1 MiB decoded, 16 MiB of scripts and a bounded number of action objects per outline;
    // an action past them, or damaged, leaves its item a heading.
    // Throws PdfError only for a source that cannot be read.
    static constexpr int kMaxDepth = 64;
    static constexpr int kMaxItems = 100000;
    static std::optional<BookmarkList> GetBookmark(const PdfReader& reader, bool* truncated = nullptr);

    // Afterwards no entry points to a page in [from, to]. An entry that pointed into the range loses
    // its target; it is removed when it has no kids left and stays as a heading when it has. A
    // heading whose kids this call removed all is removed too; an entry that never had a target nor
    // kids stays, and so does an entry whose action leads off the document (URI, Named, GoToR,
    // Launch, JavaScript). from > to does nothing.
    static void EliminatePages(BookmarkList& list, int from, int to);

    // Adds `delta` to the page of every entry, at every depth, whose page lies in [from, to].
    static void ShiftPageNumbers(BookmarkList& list, int delta, int from, int to);

    // The number of entries at every depth.
    static int Count(const BookmarkList& list);
};

} // namespace pdf
