// SPDX-License-Identifier: Apache-2.0
#include "SplitJob.h"
#include "Document.h"
#include "PathSplit.h"
#include "PdfCopy.h"
#include "PdfReader.h"
#include "RowRules.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <optional>

namespace quire {

namespace {

std::string SplitName(const std::string& source, const PageRange& range)
{
    const std::string location = PathLocation(source);
    const std::string title = PathFileTitle(source);
    return location + title + "_p" + std::to_string(range.Begin()) + "-" + std::to_string(range.End()) + ".pdf";
}

// One row: its output is complete and renamed into place before the next row starts.
void SplitRow(const JobRow& row, const SplitOptions& options, JobReport& report, std::optional<pdf::PdfReader>& last)
{
    // NOTE: rows that split the same source one after another share one parsed copy of it, as long
    // as the file on disk is still the one that was read: parsing a big page tree again for every
    // range would cost more than copying the ranges.
    if (!last || last->Path() != row.szFilePath || !last->IsUnchangedOnDisk()) {
        last.reset();
        last.emplace(row.szFilePath);
    }
    pdf::PdfReader& reader = *last;
    if (reader.WasRepaired()
        && std::find(report.repairedInputs.begin(), report.repairedInputs.end(), row.szFilePath)
            == report.repairedInputs.end())
        report.repairedInputs.push_back(row.szFilePath);
    const PageRange range = RowRules::Range(row, reader.NumberOfPages());
    if (range.IsEmpty())
        throw pdf::PdfError::Make(pdf::PdfError::Kind::Refused, row.szFilePath,
                                  "has no pages in the range " + std::to_string(range.Begin()) + "-"
                                      + std::to_string(range.End()) + "; no file was written for it");
    const std::string output = SplitName(row.szFilePath, range);
    pdf::PdfCopy::CheckOutputPath(output, {row.szFilePath});
    if (reader.IsEncrypted())
        report.notes.push_back(row.szFilePath
                               + " is protected by an owner password; its restrictions are not carried "
                                 "over to "
                               + output);

    pdf::Document document;
    pdf::PdfCopy copy(document, output);
    document.Open();
    pdf::BookmarkList outlines;
    int created = 0;
    int kept = 0;
    int dropped = 0;
    if (auto list = pdf::SimpleBookmark::GetBookmark(reader)) {
        const int before = pdf::SimpleBookmark::Count(*list);
        RowRules::TrimBookmarks(*list, range);
        kept = pdf::SimpleBookmark::Count(*list);
        dropped = before - kept;
        outlines = std::move(*list);
    } else {
        outlines = RowRules::CreatedBookmark(row.szBookmark, 1);
        created = static_cast<int>(outlines.size());
    }
    const int pages = copy.AddPages(reader, range.Begin(), range.End());
    const std::map<std::string, std::string> info = reader.Info();
    for (const char* key : {"Title", "Subject", "Keywords", "Author"}) {
        auto it = info.find(key);
        if (it == info.end())
            continue;
        const std::string k = key;
        if (k == "Title")
            document.AddTitle(it->second);
        else if (k == "Subject")
            document.AddSubject(it->second);
        else if (k == "Keywords")
            document.AddKeywords(it->second);
        else
            document.AddAuthor(it->second);
    }
    reader.Close();
    copy.SetOutlines(std::move(outlines));
    document.AddCreator(RowRules::szCreator);
    document.AddProducer(RowRules::szCreator);
    copy.Close([&] { RowRules::BackUpExisting(options.autoBackup, output, report); });
    report.filesWritten.push_back(output);
    report.pagesWritten += pages;
    report.bookmarksKept += kept;
    report.bookmarksDropped += dropped;
    report.bookmarksCreated += created;
    report.renamedFields.insert(report.renamedFields.end(), copy.RenamedFields().begin(), copy.RenamedFields().end());
    for (const std::string& w : copy.Warnings())
        report.notes.push_back(w);
}

} // namespace

JobReport RunSplit(const std::vector<JobRow>& rows, const SplitOptions& options, IJobObserver* observer, StopFlag stop)
{
    JobReport report;
    if (rows.empty()) {
        report.errors.push_back({-1, "", "There are no files to split."});
        return report;
    }
    RowRules::Status(observer, "Splitting your PDF files, please wait a moment...");
    int total = 0;
    for (const JobRow& row : rows)
        total += row.bChecked ? 1 : 0;
    int ordinal = 0;
    std::optional<pdf::PdfReader> last;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (stop && stop->load()) {
            report.stopped = true;
            report.ok = false;
            return report;
        }
        const JobRow& row = rows[i];
        if (!row.bChecked)
            continue;
        const int index = static_cast<int>(i);
        report.rowsTaken.push_back(index);
        if (observer)
            observer->OnRow(index, ++ordinal, total, row.szFilePath);
        // A failing row is reported and the job goes on: the other rows' files are independent.
        try {
            SplitRow(row, options, report, last);
        } catch (const pdf::PdfError& e) {
            report.errors.push_back({index, e.path().empty() ? row.szFilePath : e.path(), e.what()});
        } catch (const std::bad_alloc&) {
            report.errors.push_back({index, row.szFilePath, row.szFilePath + " needs more memory than is available"});
        } catch (const std::exception& e) {
            report.errors.push_back({index, row.szFilePath, row.szFilePath + " could not be processed: " + e.what()});
        }
    }
    RowRules::Status(observer, "Splitting Finished.");
    report.ok = report.errors.empty();
    return report;
}

} // namespace quire
