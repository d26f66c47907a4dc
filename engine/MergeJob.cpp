// SPDX-License-Identifier: Apache-2.0
#include "engine/MergeJob.h"
#include "engine/Document.h"
#include "engine/PdfCopy.h"
#include "engine/PdfReader.h"
#include "engine/RowRules.h"

#include <algorithm>
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

Prepared Prepare(const JobRow& row)
{
    Prepared p;
    try {
        p.reader.emplace(row.szFilePath, row.szPassword);
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
    SourceQueue(std::vector<const JobRow*> rows, std::size_t ahead)
        : m_rows(std::move(rows))
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
        for (const JobRow* row : m_rows) {
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_changed.wait(lock, [this] { return m_closing || m_ready.size() < m_ahead; });
                if (m_closing)
                    return;
            }
            Prepared p = Prepare(*row);
            {
                const std::lock_guard<std::mutex> lock(m_mutex);
                m_ready.push_back(std::move(p));
            }
            m_changed.notify_all();
        }
    }

    const std::vector<const JobRow*> m_rows;
    const std::size_t m_ahead;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Prepared> m_ready;
    bool m_closing = false;
    std::thread m_worker; // last: it starts once everything it uses is in place
};

// The output being built: its document information, the pages copied so far and their outline.
struct MergeOutput
{
    explicit MergeOutput(const std::string& path)
        : copy(document, path)
    {
        document.Open();
    }

    pdf::Document document;
    pdf::PdfCopy copy;
    pdf::BookmarkList outlines;
    int pages = 0; // copied so far: the offset of the next source's first page
};

void AddInfo(pdf::Document& document, const MergeOptions& options)
{
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
}

// "out.pdf is not password-protected; a.pdf was" (or "a.pdf and b.pdf were", "a.pdf, b.pdf, c.pdf
// and 4 other files were").
std::string UnprotectedNote(const std::string& output, const std::vector<std::string>& sources)
{
    constexpr std::size_t kNamed = 3;
    std::string names;
    const std::size_t named = sources.size() > kNamed + 1 ? kNamed : sources.size();
    for (std::size_t i = 0; i < named; ++i) {
        if (i > 0)
            names += (i + 1 == named && named == sources.size()) ? " and " : ", ";
        names += sources[i];
    }
    if (named < sources.size())
        names += " and " + std::to_string(sources.size() - named) + " other files";
    return output + " is not password-protected; " + names + (sources.size() == 1 ? " was" : " were");
}

// One merge, from the checked rows to the written output.
class Merger
{
public:
    Merger(const std::vector<JobRow>& rows, const MergeOptions& options, IJobObserver* observer, StopFlag stop)
        : m_rows(rows)
        , m_options(options)
        , m_observer(observer)
        , m_stop(stop)
    { }

    JobReport Run();

private:
    JobReport Refuse(const std::string& path, const std::string& sentence);
    std::vector<std::string> CheckedSources();
    bool CopyRows(MergeOutput& out);
    void CopyRow(const JobRow& row, Prepared prepared, MergeOutput& out);
    void NoteSource(const JobRow& row, const Prepared& prepared);
    void AddOutline(const JobRow& row, std::optional<pdf::BookmarkList>& outline, const PageRange& range,
                    MergeOutput& out);
    void AddTrimmed(pdf::BookmarkList& outline, const PageRange& range, int offset);
    void Write(MergeOutput& out);

    const std::vector<JobRow>& m_rows;
    const MergeOptions& m_options;
    IJobObserver* m_observer;
    StopFlag m_stop;
    std::vector<std::size_t> m_checked;
    int m_current = -1; // the row being copied; -1 while the output is made or written
    std::vector<std::string> m_protectedSources; // encrypted sources, in order, each once
    JobReport m_report;
};

JobReport Merger::Run()
{
    if (m_rows.empty())
        return Refuse("", "There are no files to merge.");
    RowRules::Status(m_observer, "Merging your PDF files, please wait a moment...");
    std::vector<std::string> sources = CheckedSources();
    // NOTE: checked before anything is opened or created, so a refused output never costs a source.
    try {
        pdf::PdfCopy::CheckOutputPath(m_options.outputPath, sources);
    } catch (const pdf::PdfError& e) {
        m_report.errors.push_back({-1, m_options.outputPath, e.what(), e.kind()});
        return m_report;
    }
    try {
        MergeOutput out(m_options.outputPath);
        if (!CopyRows(out))
            return m_report;
        if (out.pages == 0)
            return Refuse(m_options.outputPath,
                          "No checked row contributes pages, so " + m_options.outputPath + " was not written.");
        Write(out);
    } catch (...) {
        const std::string& path
            = m_current < 0 ? m_options.outputPath : m_rows[static_cast<std::size_t>(m_current)].szFilePath;
        m_report.errors.push_back(RowRules::Failure(m_current, path));
        return m_report;
    }
    RowRules::Status(m_observer, "Merging Finished.");
    m_report.ok = true;
    return m_report;
}

JobReport Merger::Refuse(const std::string& path, const std::string& sentence)
{
    m_report.errors.push_back({-1, path, sentence, pdf::PdfError::Kind::Refused});
    return m_report;
}

std::vector<std::string> Merger::CheckedSources()
{
    std::vector<std::string> sources;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].bChecked) {
            m_checked.push_back(i);
            sources.push_back(m_rows[i].szFilePath);
        }
    }
    return sources;
}

// Copies the checked rows in order; false when a stop request ended the merge first.
bool Merger::CopyRows(MergeOutput& out)
{
    std::vector<const JobRow*> sources;
    for (std::size_t i : m_checked)
        sources.push_back(&m_rows[i]);
    // NOTE: the next sources are parsed on a second thread while the current one is copied,
    // two ahead rather than one: a source that takes longer to parse than the one before it took
    // to copy then leaves the copying waiting less often. At most three sources are open.
    SourceQueue next(std::move(sources), 2);
    const int total = static_cast<int>(m_checked.size());
    for (std::size_t k = 0; k < m_checked.size(); ++k) {
        if (m_stop && m_stop->load()) {
            m_report.stopped = true;
            return false;
        }
        const JobRow& row = m_rows[m_checked[k]];
        m_current = static_cast<int>(m_checked[k]);
        m_report.rowsTaken.push_back(m_current);
        if (m_observer)
            m_observer->OnRow(m_current, static_cast<int>(k) + 1, total, row.szFilePath);
        CopyRow(row, next.Take(), out);
    }
    m_current = -1;
    return true;
}

void Merger::CopyRow(const JobRow& row, Prepared prepared, MergeOutput& out)
{
    if (prepared.error)
        std::rethrow_exception(prepared.error);
    pdf::PdfReader& reader = *prepared.reader;
    NoteSource(row, prepared);
    const PageRange range = RowRules::Range(row, reader.NumberOfPages());
    if (range.IsEmpty())
        m_report.errors.push_back(RowRules::EmptyRange(m_current, row.szFilePath, range, "; nothing of it was merged"));
    AddOutline(row, prepared.outline, range, out);
    out.pages += out.copy.AddPages(reader, range.Begin(), range.End(), RowRules::RowTitle(row));
    reader.Close();
    // NOTE: the source's parsed objects are of no more use once its pages are in; freeing
    // them now rather than all of them after the write keeps the peak memory of a big merge
    // near that of the output alone.
    out.copy.ReleaseParsed(reader);
}

void Merger::NoteSource(const JobRow& row, const Prepared& prepared)
{
    const pdf::PdfReader& reader = *prepared.reader;
    if (reader.WasRepaired())
        m_report.repairedInputs.push_back(row.szFilePath);
    if (prepared.outlineTruncated)
        m_report.notes.push_back(RowRules::TruncatedOutlineNote(row.szFilePath));
    if (reader.IsEncrypted()
        && std::find(m_protectedSources.begin(), m_protectedSources.end(), row.szFilePath) == m_protectedSources.end())
        m_protectedSources.push_back(row.szFilePath);
}

// The source's outline, trimmed to `range` and moved to the range's pages in the output; for a
// source without one, the bookmark made from the row's text. Nested: the row's own item (its text,
// else its file title) at its first page, with the trimmed outline under it.
void Merger::AddOutline(const JobRow& row, std::optional<pdf::BookmarkList>& outline, const PageRange& range,
                        MergeOutput& out)
{
    if (m_options.nestBookmarks && !range.IsEmpty()) {
        pdf::BookmarkList top = RowRules::CreatedBookmark(RowRules::RowTitle(row), out.pages + 1);
        if (!top.empty()) {
            m_report.bookmarksCreated += 1;
            if (outline) {
                AddTrimmed(*outline, range, out.pages);
                top.front().kids = std::move(*outline);
                if (!top.front().kids.empty())
                    top.front().fields["Open"] = "true";
            }
            out.outlines.push_back(std::move(top.front()));
            return;
        }
    }
    if (outline) {
        AddTrimmed(*outline, range, out.pages);
        out.outlines.insert(out.outlines.end(), std::make_move_iterator(outline->begin()),
                            std::make_move_iterator(outline->end()));
    } else if (!range.IsEmpty()) {
        // A row that contributes no pages gets no bookmark: it would point at the next row's pages.
        pdf::BookmarkList created = RowRules::CreatedBookmark(row.szBookmark, out.pages + 1);
        m_report.bookmarksCreated += static_cast<int>(created.size());
        out.outlines.insert(out.outlines.end(), created.begin(), created.end());
    }
}

// Trims `outline` to `range`, moves it to the output pages after `offset` and counts what it kept.
void Merger::AddTrimmed(pdf::BookmarkList& outline, const PageRange& range, int offset)
{
    const int before = pdf::SimpleBookmark::Count(outline);
    RowRules::TrimBookmarks(outline, range);
    if (offset > 0)
        pdf::SimpleBookmark::ShiftPageNumbers(outline, offset, 1, range.End() - range.Begin() + 1);
    const int after = pdf::SimpleBookmark::Count(outline);
    m_report.bookmarksKept += after;
    m_report.bookmarksDropped += before - after;
}

void Merger::Write(MergeOutput& out)
{
    out.copy.SetOutlines(std::move(out.outlines));
    AddInfo(out.document, m_options);
    out.copy.Protect(m_options.protection);
    if (m_observer)
        m_observer->OnWriting(m_options.outputPath);
    const std::string backup = out.copy.Close(m_options.autoBackup, m_options.fault);
    if (!backup.empty())
        m_report.backupsMade.push_back(backup);
    m_report.filesWritten.push_back(m_options.outputPath);
    m_report.pagesWritten = out.pages;
    m_report.renamedFields = out.copy.RenamedFields();
    m_report.renamedDestinations = out.copy.RenamedDestinations();
    m_report.layersMerged = out.copy.LayerCount();
    m_report.layerFiles = out.copy.LayerSourceCount();
    for (const std::string& w : out.copy.Warnings())
        m_report.notes.push_back(w);
    if (!m_options.protection.IsSet() && !m_protectedSources.empty())
        m_report.notes.push_back(UnprotectedNote(m_options.outputPath, m_protectedSources));
}

} // namespace

JobReport RunMerge(const std::vector<JobRow>& rows, const MergeOptions& options, IJobObserver* observer, StopFlag stop)
{
    return RowRules::RunOnJobThread([&] { return Merger(rows, options, observer, stop).Run(); });
}

} // namespace quire
