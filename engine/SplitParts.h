// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "engine/JobTypes.h"
#include "engine/PageRange.h"
#include "engine/SimpleBookmark.h"

#include <string>
#include <vector>

namespace quire {

// One part of a split row: pages [begin, end] of the source, and the title of the outline item it
// starts at (empty for a part that starts at none).
struct SplitPart
{
    int begin = 0;
    int end = 0;
    std::string bookmark {};
};

// How a split cuts one row's range into parts, and the outline each part gets.
class SplitParts
{
public:
    // The parts of `range` (not empty), in page order, as options.mode says:
    // - PageRange: the whole range.
    // - EveryPages: options.everyPages pages each (at least 1), the last one shorter.
    // - AtBookmarks: one part per outline item of level options.bookmarkLevel (1: the top level) whose
    //   page lies in the range, taken in page order, from its page to the page before the next such
    //   item's page, the last one to the range's end. Pages before the first such item make a part of
    //   their own. Several items on one page make one part, named after the first of them in outline
    //   order; items without a page are left out. No such item at all: the whole range, one part.
    // `outline` is the source's whole outline (AtBookmarks only; may be empty).
    static std::vector<SplitPart> Cut(const PageRange& range, const SplitOptions& options,
                                      const pdf::BookmarkList& outline);

    // Takes the source's whole outline once for all parts of a row.
    explicit SplitParts(pdf::BookmarkList outline);
    ~SplitParts();
    SplitParts(const SplitParts&) = delete;
    SplitParts& operator=(const SplitParts&) = delete;

    // The outline trimmed to `part` (a range of the source; Pages() its page count), counted from 1, as
    // RowRules::TrimBookmarks leaves it; subtrees that would vanish whole are never copied, so that
    // thousands of parts of a long outline do not cost the whole outline each.
    pdf::BookmarkList For(const PageRange& part) const;
    // Entries of the whole outline, at every depth.
    int Count() const { return m_count; }

private:
    struct Node;
    void Copy(const pdf::BookmarkList& list, const std::vector<Node>& nodes, const PageRange& part,
              pdf::BookmarkList& into) const;

    pdf::BookmarkList m_outline;
    std::vector<Node> m_nodes; // one per top-level entry, kids nested
    int m_count = 0;
};

} // namespace quire
