// SPDX-License-Identifier: Apache-2.0
#include "MergeJob.h"
#include "BackupFile.h"
#include "Document.h"
#include "PdfCopy.h"
#include "PdfReader.h"
#include "RowRules.h"

#include <deque>
#include <exception>
#include <filesystem>
#include <future>
#include <iterator>
#include <new>
#include <optional>

namespace quire {

namespace {

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

// A source parsed and its outline read, ready to be copied.
struct Prepared
{
    std::optional<pdf::PdfReader> reader;
    std::optional<pdf::BookmarkList> outline;
    std::exception_ptr error;
};

Prepared Prepare(const std::string& path)
{
    Prepared p;
    try {
        p.reader.emplace(path);
        p.outline = pdf::SimpleBookmark::GetBookmark(*p.reader);
    } catch (...) {
        p.error = std::current_exception();
    }
    return p;
}

} // namespace

JobReport RunMerge(const std::vector<JobRow>& rows, const MergeOptions& options, IJobObserver* observer, StopFlag stop)
{
    JobReport report;
    if (rows.empty()) {
        report.errors.push_back({-1, "", "There are no files to merge."});
        return report;
    }
    RowRules::Status(observer, "Merging your PDF files, please wait a moment...");

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
        std::vector<std::size_t> checked;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].bChecked)
                checked.push_back(i);
        }
        // NOTE: the next sources are parsed on other threads while the current one is copied. Each
        // thread works on its own qpdf document and a prepared source is handed over only through its
        // future, so no qpdf object is ever used by two threads at once. Two are parsed ahead, not
        // one: a source that takes longer to parse than the one before it took to copy then leaves
        // the copying waiting less often. At most three sources are open.
        constexpr std::size_t kAhead = 2;
        std::deque<std::future<Prepared>> next;
        std::size_t queued = 0;
        auto queue = [&] {
            while (queued < checked.size() && next.size() < kAhead)
                next.push_back(std::async(std::launch::async, Prepare, rows[checked[queued++]].szFilePath));
        };
        queue();
        for (std::size_t k = 0; k < checked.size(); ++k) {
            if (stop && stop->load()) {
                report.stopped = true;
                return report;
            }
            const std::size_t i = checked[k];
            const JobRow& row = rows[i];
            current = static_cast<int>(i);
            currentPath = row.szFilePath;
            report.rowsTaken.push_back(current);
            if (observer)
                observer->OnRow(current, ++ordinal, total, row.szFilePath);

            Prepared prepared = next.front().get();
            next.pop_front();
            queue();
            if (prepared.error)
                std::rethrow_exception(prepared.error);
            pdf::PdfReader& reader = *prepared.reader;
            if (reader.WasRepaired())
                report.repairedInputs.push_back(row.szFilePath);
            if (reader.IsEncrypted())
                report.notes.push_back(row.szFilePath
                                       + " is protected by an owner password; its restrictions are not "
                                         "carried over to "
                                       + options.outputPath);
            const PageRange range = RowRules::Range(row, reader.NumberOfPages());
            if (auto& list = prepared.outline) {
                const int before = pdf::SimpleBookmark::Count(*list);
                RowRules::TrimBookmarks(*list, range);
                if (offset > 0)
                    pdf::SimpleBookmark::ShiftPageNumbers(*list, offset, 1, range.End() - range.Begin() + 1);
                const int after = pdf::SimpleBookmark::Count(*list);
                report.bookmarksKept += after;
                report.bookmarksDropped += before - after;
                outlines.insert(outlines.end(), std::make_move_iterator(list->begin()),
                                std::make_move_iterator(list->end()));
            } else if (!range.IsEmpty()) {
                // A row that contributes no pages gets no bookmark: it would point at the next row's pages.
                pdf::BookmarkList created = RowRules::CreatedBookmark(row.szBookmark, offset + 1);
                report.bookmarksCreated += static_cast<int>(created.size());
                outlines.insert(outlines.end(), created.begin(), created.end());
            }
            offset += copy.AddPages(reader, range.Begin(), range.End());
            reader.Close();
            // NOTE: the source's parsed objects are of no more use once its pages are in; freeing
            // them now rather than all of them after the write keeps the peak memory of a big merge
            // near that of the output alone.
            copy.ReleaseParsed(reader);
        }
        current = -1;
        currentPath = options.outputPath;
        if (offset == 0) {
            report.errors.push_back(
                {-1, options.outputPath,
                 "No checked row contributes pages, so " + options.outputPath + " was not written."});
            return report;
        }
        copy.SetOutlines(std::move(outlines));
        if (!options.author.empty())
            document.AddAuthor(options.author);
        if (!options.subject.empty())
            document.AddSubject(options.subject);
        if (!options.title.empty())
            document.AddTitle(options.title);
        if (!options.keywords.empty())
            document.AddKeywords(options.keywords);
        document.AddCreator(RowRules::szCreator);
        document.AddProducer(RowRules::szCreator);
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
    RowRules::Status(observer, "Merging Finished.");
    report.ok = true;
    return report;
}

} // namespace quire
