// SPDX-License-Identifier: Apache-2.0
#include "engine/MergeJob.h"
#include "engine/Document.h"
#include "engine/PdfCopy.h"
#include "engine/PdfReader.h"
#include "engine/RowRules.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <iterator>
#include <mutex>
#include <new>
#include <optional>
#include <thread>

namespace quire {

namespace {

// A source parsed and its outline read, ready to be copied.
struct Prepared
{
    std::optional<pdf::PdfReader> reader;
    std::optional<pdf::BookmarkList> outline;
    bool outlineTruncated = false;
    std::exception_ptr error;
};

Prepared Prepare(const std::string& path)
{
    Prepared p;
    try {
        p.reader.emplace(path);
        p.outline = pdf::SimpleBookmark::GetBookmark(*p.reader, &p.outlineTruncated);
    } catch (...) {
        p.error = std::current_exception();
    }
    return p;
}

// Parses sources in order on one thread of its own, staying up to `ahead` sources in front of the
// copying. Each source is parsed on the worker and handed over whole under the lock, so no qpdf
// object is ever used by two threads at once.
class SourceQueue
{
public:
    SourceQueue(std::vector<std::string> paths, std::size_t ahead)
        : m_paths(std::move(paths))
        , m_ahead(ahead)
        , m_worker([this] { Work(); })
    { }

    ~SourceQueue()
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_closing = true;
        }
        m_changed.notify_all();
        m_worker.join();
    }

    SourceQueue(const SourceQueue&) = delete;
    SourceQueue& operator=(const SourceQueue&) = delete;

    // The next source in order; waits while it is being parsed.
    Prepared Take()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_ready.empty(); });
        Prepared p = std::move(m_ready.front());
        m_ready.pop_front();
        lock.unlock();
        m_changed.notify_all();
        return p;
    }

private:
    void Work()
    {
        for (const std::string& path : m_paths) {
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_changed.wait(lock, [this] { return m_closing || m_ready.size() < m_ahead; });
                if (m_closing)
                    return;
            }
            Prepared p = Prepare(path);
            {
                const std::lock_guard<std::mutex> lock(m_mutex);
                m_ready.push_back(std::move(p));
            }
            m_changed.notify_all();
        }
    }

    const std::vector<std::string> m_paths;
    const std::size_t m_ahead;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Prepared> m_ready;
    bool m_closing = false;
    std::thread m_worker; // last: it starts once everything it uses is in place
};

JobReport Merge(const std::vector<JobRow>& rows, const MergeOptions& options, IJobObserver* observer, StopFlag stop)
{
    JobReport report;
    if (rows.empty()) {
        report.errors.push_back({-1, "", "There are no files to merge."});
        return report;
    }
    RowRules::Status(observer, "Merging your PDF files, please wait a moment...");

    std::vector<std::size_t> checked;
    std::vector<std::string> sources;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].bChecked) {
            checked.push_back(i);
            sources.push_back(rows[i].szFilePath);
        }
    }
    const int total = static_cast<int>(checked.size());
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
        // NOTE: the next sources are parsed on a second thread while the current one is copied,
        // two ahead rather than one: a source that takes longer to parse than the one before it took
        // to copy then leaves the copying waiting less often. At most three sources are open.
        SourceQueue next(std::move(sources), 2);
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

            Prepared prepared = next.Take();
            if (prepared.error)
                std::rethrow_exception(prepared.error);
            pdf::PdfReader& reader = *prepared.reader;
            if (reader.WasRepaired())
                report.repairedInputs.push_back(row.szFilePath);
            if (prepared.outlineTruncated)
                report.notes.push_back(RowRules::TruncatedOutlineNote(row.szFilePath));
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
        const std::string backup = copy.Close(options.autoBackup, options.fault);
        if (!backup.empty())
            report.backupsMade.push_back(backup);
        report.filesWritten.push_back(options.outputPath);
        report.pagesWritten = offset;
        report.renamedFields = copy.RenamedFields();
        for (const std::string& w : copy.Warnings())
            report.notes.push_back(w);
    } catch (const pdf::PdfError& e) {
        report.errors.push_back({current, e.path().empty() ? currentPath : e.path(), e.what()});
        return report;
    } catch (...) {
        report.errors.push_back({current, currentPath, RowRules::Sentence(currentPath)});
        return report;
    }
    RowRules::Status(observer, "Merging Finished.");
    report.ok = true;
    return report;
}

} // namespace

JobReport RunMerge(const std::vector<JobRow>& rows, const MergeOptions& options, IJobObserver* observer, StopFlag stop)
{
    return RowRules::RunOnJobThread([&] { return Merge(rows, options, observer, stop); });
}

} // namespace quire
