// SPDX-License-Identifier: Apache-2.0
#include "MergeJob.h"
#include "BackupFile.h"
#include "Document.h"
#include "PdfCopy.h"
#include "PdfReader.h"
#include "RowRules.h"

#include <filesystem>
#include <new>

namespace quire {

namespace {

const char* const kCreator = "Quire Binder";

void Status(IJobObserver* observer, const std::string& text)
{
    if (observer)
        observer->OnStatus(text);
}

std::string Sentence(const std::string& path)
{
    try {
        throw;
    } catch (const pdf::PdfError& e) {
        return e.what();
    } catch (const std::bad_alloc&) {
        return path + " needs more memory than is available";
    } catch (const std::exception& e) {
        return path + " could not be processed: " + e.what();
    }
}

} // namespace

JobReport RunMerge(const std::vector<JobRow>& rows, const MergeOptions& options, IJobObserver* observer, StopFlag stop)
{
    JobReport report;
    if (rows.empty()) {
        report.errors.push_back({-1, "", "There are no files to merge."});
        return report;
    }
    Status(observer, "Merging your PDF files, please wait a moment...");

    std::vector<std::string> sources;
    int total = 0;
    for (const JobRow& row : rows) {
        if (row.bChecked) {
            sources.push_back(row.szFilePath);
            ++total;
        }
    }
    // NOTE: checked before anything is opened or created, so a refused output never costs a source.
    try {
        pdf::PdfCopy::CheckOutputPath(options.outputPath, sources);
    } catch (const pdf::PdfError& e) {
        report.errors.push_back({-1, options.outputPath, e.what()});
        return report;
    }

    int current = -1;
    std::string currentPath = options.outputPath;
    try {
        pdf::Document document;
        pdf::PdfCopy copy(document, options.outputPath);
        document.Open();
        pdf::BookmarkList outlines;
        int offset = 0;
        int ordinal = 0;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (stop && stop->load()) {
                report.stopped = true;
                return report;
            }
            const JobRow& row = rows[i];
            if (!row.bChecked)
                continue;
            current = static_cast<int>(i);
            currentPath = row.szFilePath;
            report.rowsTaken.push_back(current);
            if (observer)
                observer->OnRow(current, ++ordinal, total, row.szFilePath);

            pdf::PdfReader reader(row.szFilePath);
            if (reader.WasRepaired())
                report.repairedInputs.push_back(row.szFilePath);
            if (reader.IsEncrypted())
                report.notes.push_back(row.szFilePath
                                       + " is protected by an owner password; its restrictions are not "
                                         "carried over to "
                                       + options.outputPath);
            const PageRange range = RowRules::Range(row, reader.NumberOfPages());
            if (auto list = pdf::SimpleBookmark::GetBookmark(reader)) {
                const int before = pdf::SimpleBookmark::Count(*list);
                RowRules::TrimBookmarks(*list, range);
                if (offset > 0)
                    pdf::SimpleBookmark::ShiftPageNumbers(*list, offset, 1, range.End() - range.Begin() + 1);
                const int after = pdf::SimpleBookmark::Count(*list);
                report.bookmarksKept += after;
                report.bookmarksDropped += before - after;
                outlines.insert(outlines.end(), list->begin(), list->end());
            } else if (!range.IsEmpty()) {
                // A row that contributes no pages gets no bookmark: it would point at the next row's pages.
                pdf::BookmarkList created = RowRules::CreatedBookmark(row.szBookmark, offset + 1);
                report.bookmarksCreated += static_cast<int>(created.size());
                outlines.insert(outlines.end(), created.begin(), created.end());
            }
            offset += copy.AddPages(reader, range.Begin(), range.End());
            reader.Close();
        }
        current = -1;
        currentPath = options.outputPath;
        if (offset == 0) {
            report.errors.push_back(
                {-1, options.outputPath,
                 "No checked row contributes pages, so " + options.outputPath + " was not written."});
            return report;
        }
        copy.SetOutlines(outlines);
        if (!options.author.empty())
            document.AddAuthor(options.author);
        if (!options.subject.empty())
            document.AddSubject(options.subject);
        if (!options.title.empty())
            document.AddTitle(options.title);
        if (!options.keywords.empty())
            document.AddKeywords(options.keywords);
        document.AddCreator(kCreator);
        document.AddProducer(kCreator);
        copy.Close([&] {
            std::error_code ec;
            if (options.autoBackup && std::filesystem::exists(options.outputPath, ec)) {
                bool ok = false;
                const std::string backup = doBackupFile(options.outputPath, &ok);
                if (ok)
                    report.backupsMade.push_back(backup);
                else
                    report.notes.push_back("The backup copy of " + options.outputPath + " could not be made.");
            }
        });
        report.filesWritten.push_back(options.outputPath);
        report.pagesWritten = offset;
        report.renamedFields = copy.RenamedFields();
        for (const std::string& w : copy.Warnings())
            report.notes.push_back(w);
    } catch (const pdf::PdfError& e) {
        report.errors.push_back({current, e.path().empty() ? currentPath : e.path(), e.what()});
        return report;
    } catch (...) {
        report.errors.push_back({current, currentPath, Sentence(currentPath)});
        return report;
    }
    Status(observer, "Merging Finished.");
    report.ok = true;
    return report;
}

} // namespace quire
