// SPDX-License-Identifier: Apache-2.0
#include "engine/RowRules.h"
#include "engine/LargeStack.h"
#include "engine/PathSplit.h"
#include "engine/PdfError.h"
#include "engine/PdfString.h"

#include <new>
#include <system_error>

namespace quire {

namespace {

pdf::PdfError CurrentError(const std::string& path)
{
    try {
        throw;
    } catch (const pdf::PdfError& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return pdf::PdfError::Make(pdf::PdfError::Kind::OutOfMemory, path);
    } catch (const std::exception& e) {
        return pdf::PdfError::Make(pdf::PdfError::Kind::Internal, path, e.what());
    } catch (...) {
        return pdf::PdfError::Make(pdf::PdfError::Kind::Internal, path);
    }
}

} // namespace

std::string RowRules::RowTitle(const JobRow& row)
{
    return row.szBookmark.empty() ? PathFileTitle(row.szFilePath) : row.szBookmark;
}

PageRange RowRules::Range(const JobRow& row, int realPages)
{
    const PageRange typed = row.szPages.empty() ? PageRange::Normalise(realPages, row.szBeginPage, row.szEndPage)
                                                : PageRange::Normalise(row.szPages, row.szBeginPage, row.szEndPage);
    return typed.ClampedTo(realPages);
}

void RowRules::TrimBookmarks(pdf::BookmarkList& list, const PageRange& range)
{
    const int begin = range.Begin();
    const int end = range.End();
    const int pages = range.Pages();
    if (begin > 1)
        pdf::SimpleBookmark::EliminatePages(list, 1, begin - 1);
    if (end < pages)
        pdf::SimpleBookmark::EliminatePages(list, end + 1, pages);
    if (begin > 1)
        pdf::SimpleBookmark::ShiftPageNumbers(list, 1 - begin, begin, end);
}

pdf::BookmarkList RowRules::CreatedBookmark(const std::string& text, int page)
{
    if (text.empty())
        return {};
    std::string title;
    for (char c : text) {
        if (c != '>' && c != '(' && c != ')')
            title += c;
    }
    pdf::Bookmark b;
    b.fields["Title"] = pdf::PdfString(title).ToUnicodeString();
    b.fields["Page"] = std::to_string(page);
    b.fields["Action"] = "GoTo";
    return {b};
}

void RowRules::Status(IJobObserver* observer, const std::string& text)
{
    if (observer)
        observer->OnStatus(text);
}

RowError RowRules::Failure(int row, const std::string& path)
{
    const pdf::PdfError error = CurrentError(path);
    return {row, error.path().empty() ? path : error.path(), error.what(), error.kind()};
}

RowError RowRules::EmptyRange(int row, const std::string& path, const PageRange& range, const std::string& consequence)
{
    const std::string reason = range.Pages() <= 0 ? std::string("the file has no pages")
        : range.Begin() > range.Pages()           ? "it begins past the last page, " + std::to_string(range.Pages())
                                                  : std::string("it begins after it ends");
    return {row, path,
            path + " has no pages in the range " + std::to_string(range.Begin()) + "-" + std::to_string(range.End())
                + " (" + reason + ")" + consequence,
            pdf::PdfError::Kind::Refused, true};
}

std::string RowRules::TruncatedOutlineNote(const std::string& path)
{
    return "The outline of " + path + " has more than " + std::to_string(pdf::SimpleBookmark::kMaxItems)
        + " items or is nested more than " + std::to_string(pdf::SimpleBookmark::kMaxDepth)
        + " levels deep; the items beyond were left out.";
}

JobReport RowRules::RunOnJobThread(const std::function<JobReport()>& job)
{
    JobReport report;
    try {
        RunOnLargeStack([&] { report = job(); });
    } catch (const std::system_error& e) {
        report = JobReport();
        report.errors.push_back(
            {-1, "", std::string("The job could not start: ") + e.what(), pdf::PdfError::Kind::Internal});
    }
    return report;
}

} // namespace quire
