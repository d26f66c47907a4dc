// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "engine/JobTypes.h"
#include "engine/PageRange.h"
#include "engine/SimpleBookmark.h"

#include <functional>
#include <string>

namespace quire {

// The rules merge and split share for one row.
class RowRules
{
public:
    // The row's range from its three texts, for a source that really has `realPages` pages. An empty
    // page-count text stands for the real count; a count text that is out of date never lets the range
    // reach past the source's last page.
    static PageRange Range(const JobRow& row, int realPages);

    // Trims a source outline to `range` and renumbers it so that the first page of the range is 1:
    //   begin > 1, end < pages: eliminate (1, begin-1) and (end+1, pages), shift by 1-begin over (begin, end)
    //   begin > 1, end = pages: eliminate (1, begin-1), shift by 1-begin over (begin, end)
    //   begin = 1, end < pages: eliminate (end+1, pages)
    //   begin = 1, end = pages: nothing
    static void TrimBookmarks(pdf::BookmarkList& list, const PageRange& range);

    // What names a row in an output: its bookmark text, else its file's title (its nested bookmark,
    // the heading of its layers, a split part's {bookmark} where no outline item gives one).
    static std::string RowTitle(const JobRow& row);

    // The bookmark made for a source without an outline: "Title" is `text` with every '>', '(' and ')'
    // removed, "Page" is `page`, "Action" is "GoTo". Empty when `text` is empty.
    static pdf::BookmarkList CreatedBookmark(const std::string& text, int page);

    // Creator and Producer of every output.
    static constexpr const char* szCreator = "Quire Binder";

    // Passes a status line to `observer` when there is one.
    static void Status(IJobObserver* observer, const std::string& text);

    // The exception being handled as the error of row `row` about `path`: a PdfError with its own
    // sentence, kind and path (`path` when it names none); std::bad_alloc as OutOfMemory; anything
    // else as Internal ("<path> could not be processed: <reason>"). Call it only inside a catch block.
    static RowError Failure(int row, const std::string& path);

    // The skipped-row error for row `row` of `path`, whose `range` holds no pages: "<path> has no
    // pages in the range 5-2 (it begins after it ends)" or "(it begins past the last page, 10)",
    // followed by `consequence` ("; no file was written for it").
    static RowError EmptyRange(int row, const std::string& path, const PageRange& range,
                               const std::string& consequence);

    // The note for a source whose outline was cut at the outline reader's limits.
    static std::string TruncatedOutlineNote(const std::string& path);

    // Runs a whole job on a thread with the stack qpdf needs (RunOnLargeStack); a job that cannot
    // get one reports that as a whole-job error (Internal) instead.
    static JobReport RunOnJobThread(const std::function<JobReport()>& job);
};

} // namespace quire
