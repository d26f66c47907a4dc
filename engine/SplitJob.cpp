// SPDX-License-Identifier: Apache-2.0
#include "engine/SplitJob.h"
#include "engine/Document.h"
#include "engine/FileIdentity.h"
#include "engine/PathSplit.h"
#include "engine/PdfCopy.h"
#include "engine/PdfReader.h"
#include "engine/RowRules.h"

#include <algorithm>
#include <new>
#include <optional>
#include <sys/stat.h>

namespace quire {

namespace {

std::string SplitName(const std::string& source, const PageRange& range)
{
    const std::string location = PathLocation(source);
    const std::string title = PathFileTitle(source);
    return location + title + "_p" + std::to_string(range.Begin()) + "-" + std::to_string(range.End()) + ".pdf";
}

// Where a file would be written, whether it exists yet or not: its folder's device and inode and
// its name, so that "./a_p1-2.pdf" and "dir/../a_p1-2.pdf" are one place.
struct Place
{
    dev_t device = 0;
    ino_t inode = 0;
    std::string name;
    bool operator==(const Place&) const = default;
};

std::optional<Place> PlaceOf(const std::string& path)
{
    const std::string folder = PathLocation(path);
    struct stat st
    {
    };
    if (::stat(folder.empty() ? "." : folder.c_str(), &st) != 0)
        return std::nullopt;
    return Place {st.st_dev, st.st_ino, path.substr(folder.size())};
}

// One checked row as the job worked it out before writing anything.
struct Plan
{
    int row = -1;
    PageRange range;
    std::string target;
    std::optional<Place> place;
    std::optional<pdf::FileIdentity> source;
    std::optional<RowError> error; // why the row cannot be split
    int sameAs = -1; // the earlier row with the very same source and range, which writes the file once
};

// The source the last row opened, kept for the next rows of the same file.
struct LastSource
{
    std::optional<pdf::PdfReader> reader;
    std::string password;
};

// Opens the row's source into `last`, unless `last` already holds that file unchanged, opened with
// the same password: rows that split the same source one after another share one parsed copy of it.
pdf::PdfReader& ReaderFor(const JobRow& row, LastSource& last)
{
    // NOTE: parsing a big page tree again for every range would cost more than copying the ranges.
    if (!last.reader || last.reader->Path() != row.szFilePath || last.password != row.szPassword
        || !last.reader->IsUnchangedOnDisk()) {
        last.reader.reset();
        last.password.clear();
        last.reader.emplace(row.szFilePath, row.szPassword);
        last.password = row.szPassword;
    }
    return *last.reader;
}

Plan PlanRow(const std::vector<JobRow>& rows, int index, const SplitOptions& options, LastSource& last)
{
    const JobRow& row = rows[static_cast<std::size_t>(index)];
    Plan plan;
    plan.row = index;
    try {
        pdf::PdfReader& reader = ReaderFor(row, last);
        plan.source = reader.Identity();
        plan.range = RowRules::Range(row, reader.NumberOfPages());
        if (plan.range.IsEmpty()) {
            plan.error = RowRules::EmptyRange(index, row.szFilePath, plan.range, "; no file was written for it");
            return plan;
        }
        if (options.removeProtection && reader.IsEncrypted() && !reader.OwnerPasswordMatched()) {
            plan.error = RowError {index, row.szFilePath,
                                   row.szFilePath
                                       + " keeps its password protection: removing it needs the owner password; no "
                                         "file was written for it",
                                   pdf::PdfError::Kind::Refused};
            return plan;
        }
        plan.target = SplitName(row.szFilePath, plan.range);
        plan.place = PlaceOf(plan.target);
    } catch (...) {
        plan.error = RowRules::Failure(index, row.szFilePath);
    }
    return plan;
}

// Why the planned rows cannot all be written, or empty: two rows that would write one file, or a
// file that would be written over the source of any row. Marks rows that repeat an earlier row
// exactly, so that their file is written once.
std::string Refusal(const std::vector<JobRow>& rows, std::vector<Plan>& plans)
{
    for (std::size_t i = 0; i < plans.size(); ++i) {
        Plan& later = plans[i];
        if (later.error)
            continue;
        for (std::size_t j = 0; j < i; ++j) {
            const Plan& earlier = plans[j];
            if (earlier.error || !(earlier.target == later.target || (earlier.place && earlier.place == later.place)))
                continue;
            if (earlier.source && earlier.source->SameFileAs(*later.source)
                && earlier.range.Begin() == later.range.Begin() && earlier.range.End() == later.range.End()) {
                later.sameAs = earlier.sameAs >= 0 ? earlier.sameAs : earlier.row;
                break;
            }
            const auto& a = rows[static_cast<std::size_t>(earlier.row)].szFilePath;
            const auto& b = rows[static_cast<std::size_t>(later.row)].szFilePath;
            return "Rows " + std::to_string(earlier.row + 1) + " and " + std::to_string(later.row + 1) + " (" + a
                + " and " + b + ") would both be split into " + later.target + "; nothing was written.";
        }
        for (std::size_t k = 0; k < rows.size(); ++k) {
            if (pdf::FileIdentity::SameFile(later.target, rows[k].szFilePath))
                return later.target + ", the file row " + std::to_string(later.row + 1) + " would be split into, is "
                    + rows[k].szFilePath + ", the source of row " + std::to_string(k + 1) + "; nothing was written.";
        }
    }
    return std::string();
}

// Writes one planned row; its output is complete and renamed into place before the next row starts.
void SplitRow(const JobRow& row, const Plan& plan, const SplitOptions& options, JobReport& report, LastSource& last,
              IJobObserver* observer)
{
    pdf::PdfReader& reader = ReaderFor(row, last);
    const PageRange range = RowRules::Range(row, reader.NumberOfPages());
    // The file was checked against every other row under its planned name; a source rewritten
    // since then may call for another name, which was not.
    if (SplitName(row.szFilePath, range) != plan.target)
        throw pdf::PdfError::Make(pdf::PdfError::Kind::Changed, row.szFilePath,
                                  "its page range now gives another file name");
    if (reader.WasRepaired()
        && std::find(report.repairedInputs.begin(), report.repairedInputs.end(), row.szFilePath)
            == report.repairedInputs.end())
        report.repairedInputs.push_back(row.szFilePath);
    const std::string& output = plan.target;
    pdf::PdfCopy::CheckOutputPath(output, {row.szFilePath});

    pdf::Document document;
    pdf::PdfCopy copy(document, output);
    if (reader.IsEncrypted()) {
        if (options.removeProtection)
            report.notes.push_back(output + " is not password-protected; " + row.szFilePath + " was");
        else
            copy.KeepProtectionOf(reader);
    }
    document.Open();
    pdf::BookmarkList outlines;
    int created = 0;
    int kept = 0;
    int dropped = 0;
    bool truncated = false;
    if (auto list = pdf::SimpleBookmark::GetBookmark(reader, &truncated)) {
        const int before = pdf::SimpleBookmark::Count(*list);
        RowRules::TrimBookmarks(*list, range);
        kept = pdf::SimpleBookmark::Count(*list);
        dropped = before - kept;
        outlines = std::move(*list);
    } else {
        outlines = RowRules::CreatedBookmark(row.szBookmark, 1);
        created = static_cast<int>(outlines.size());
    }
    if (truncated)
        report.notes.push_back(RowRules::TruncatedOutlineNote(row.szFilePath));
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
    if (observer)
        observer->OnWriting(output);
    const std::string backup = copy.Close(options.autoBackup, options.fault);
    if (!backup.empty())
        report.backupsMade.push_back(backup);
    report.filesWritten.push_back(output);
    report.pagesWritten += pages;
    report.bookmarksKept += kept;
    report.bookmarksDropped += dropped;
    report.bookmarksCreated += created;
    report.renamedFields.insert(report.renamedFields.end(), copy.RenamedFields().begin(), copy.RenamedFields().end());
    for (const std::string& w : copy.Warnings())
        report.notes.push_back(w);
}

JobReport Split(const std::vector<JobRow>& rows, const SplitOptions& options, IJobObserver* observer, StopFlag stop)
{
    JobReport report;
    if (rows.empty()) {
        report.errors.push_back({-1, "", "There are no files to split.", pdf::PdfError::Kind::Refused});
        return report;
    }
    RowRules::Status(observer, "Splitting your PDF files, please wait a moment...");
    // NOTE: every row's file is worked out before any is written, so that two rows aiming at one
    // file, or a file that is another row's source, refuse the job while nothing is lost yet.
    LastSource last;
    std::vector<Plan> plans;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (stop && stop->load()) {
            report.stopped = true;
            return report;
        }
        if (rows[i].bChecked)
            plans.push_back(PlanRow(rows, static_cast<int>(i), options, last));
    }
    if (const std::string refusal = Refusal(rows, plans); !refusal.empty()) {
        for (const Plan& plan : plans) {
            if (plan.error)
                report.errors.push_back(*plan.error);
        }
        report.errors.push_back({-1, "", refusal, pdf::PdfError::Kind::Refused});
        return report;
    }

    const int total = static_cast<int>(plans.size());
    int ordinal = 0;
    for (const Plan& plan : plans) {
        if (stop && stop->load()) {
            report.stopped = true;
            return report;
        }
        const JobRow& row = rows[static_cast<std::size_t>(plan.row)];
        report.rowsTaken.push_back(plan.row);
        if (observer)
            observer->OnRow(plan.row, ++ordinal, total, row.szFilePath);
        if (plan.error) {
            report.errors.push_back(*plan.error);
            continue;
        }
        // The file an earlier row wrote is this row's file already.
        if (plan.sameAs >= 0)
            continue;
        // A failing row is reported and the job goes on: the other rows' files are independent.
        try {
            SplitRow(row, plan, options, report, last, observer);
        } catch (...) {
            report.errors.push_back(RowRules::Failure(plan.row, row.szFilePath));
        }
    }
    RowRules::Status(observer, "Splitting Finished.");
    // NOTE: a split that could not write a part for every row it was given has not done what was
    // asked, empty ranges included; scripts rely on its status saying so.
    report.ok = report.errors.empty();
    return report;
}

} // namespace

JobReport RunSplit(const std::vector<JobRow>& rows, const SplitOptions& options, IJobObserver* observer, StopFlag stop)
{
    return RowRules::RunOnJobThread([&] { return Split(rows, options, observer, stop); });
}

} // namespace quire
