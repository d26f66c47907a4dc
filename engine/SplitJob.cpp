// SPDX-License-Identifier: Apache-2.0
#include "engine/SplitJob.h"
#include "engine/Document.h"
#include "engine/FileIdentity.h"
#include "engine/PathSplit.h"
#include "engine/PdfCopy.h"
#include "engine/PdfReader.h"
#include "engine/RowRules.h"
#include "engine/SplitNameTemplate.h"
#include "engine/SplitParts.h"
#include "engine/SyncBatch.h"
#include "engine/XmpPacket.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <map>
#include <new>
#include <optional>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace quire {

namespace {

// Where a file would be written, whether it exists yet or not: its folder's device and inode and
// its name, so that "./a_p1-2.pdf" and "dir/../a_p1-2.pdf" are one place.
struct Place
{
    dev_t device = 0;
    ino_t inode = 0;
    std::string name;
    auto operator<=>(const Place&) const = default;
};

// The folders' device and inode, each looked up once however many parts go there.
class Places
{
public:
    std::optional<Place> Of(const std::string& path)
    {
        const std::string folder = PathLocation(path);
        auto it = m_folders.find(folder);
        if (it == m_folders.end()) {
            struct stat st
            {
            };
            std::optional<std::pair<dev_t, ino_t>> id;
            if (::stat(folder.empty() ? "." : folder.c_str(), &st) == 0)
                id.emplace(st.st_dev, st.st_ino);
            it = m_folders.emplace(folder, id).first;
        }
        if (!it->second)
            return std::nullopt;
        return Place {it->second->first, it->second->second, path.substr(folder.size())};
    }

private:
    std::unordered_map<std::string, std::optional<std::pair<dev_t, ino_t>>> m_folders;
};

// One part as the job worked it out before writing anything.
struct PartPlan
{
    int begin = 0;
    int end = 0;
    std::string target;
    bool written = true; // false: an earlier part with the very same source and range writes the file
};

// One checked row as the job worked it out before writing anything.
struct Plan
{
    int row = -1;
    PageRange range;
    std::vector<PartPlan> parts;
    std::optional<pdf::FileIdentity> source;
    std::optional<RowError> error; // why the row cannot be split
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

// The folder the parts of `source` go to, with its trailing '/' (empty: the working folder).
std::string FolderFor(const std::string& source, const SplitOptions& options)
{
    if (options.folder.empty())
        return PathLocation(source);
    return options.folder.back() == '/' ? options.folder : options.folder + "/";
}

// The parts of a row's range, the source's outline read once for them.
struct RowParts
{
    std::vector<SplitPart> parts;
    std::optional<pdf::BookmarkList> outline; // nothing: the source has none
    bool truncated = false;
};

// `withOutline`: read the outline even when the mode does not cut at bookmarks, for the parts to keep.
RowParts PartsOf(const pdf::PdfReader& reader, const PageRange& range, const SplitOptions& options, bool withOutline)
{
    RowParts result;
    if (withOutline || options.mode == SplitMode::AtBookmarks)
        result.outline = pdf::SimpleBookmark::GetBookmark(reader, &result.truncated);
    static const pdf::BookmarkList none;
    result.parts = SplitParts::Cut(range, options, result.outline ? *result.outline : none);
    return result;
}

// A template that gives a part no name at all: it refuses the whole job, as a clash of names does.
struct EmptyName : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

// The targets of a row's parts; throws EmptyName for a part the template names with nothing.
std::vector<PartPlan> TargetsOf(const JobRow& row, const std::vector<SplitPart>& parts, const SplitNameTemplate& names,
                                const SplitOptions& options)
{
    const std::string folder = FolderFor(row.szFilePath, options);
    const std::string title = PathFileTitle(row.szFilePath);
    // NOTE: a part that starts at no outline item (another mode, or the pages before the first
    // item) takes the row's bookmark text for {bookmark}, else the file title, so that a template
    // such as "{n} {bookmark}" still gives every part a readable name.
    const std::string fallback = RowRules::RowTitle(row);
    std::vector<PartPlan> targets;
    targets.reserve(parts.size());
    const int count = static_cast<int>(parts.size());
    for (int i = 0; i < count; ++i) {
        const SplitPart& part = parts[static_cast<std::size_t>(i)];
        const std::string name
            = names.Name({title, part.begin, part.end, i + 1, count, part.bookmark.empty() ? fallback : part.bookmark});
        if (name.empty())
            throw EmptyName("The name template \"" + names.Text() + "\" gives an empty file name for pages "
                            + std::to_string(part.begin) + "-" + std::to_string(part.end) + " of " + row.szFilePath
                            + "; nothing was written.");
        targets.push_back({part.begin, part.end, folder + name});
    }
    return targets;
}

Plan PlanRow(const std::vector<JobRow>& rows, int index, const SplitOptions& options, const SplitNameTemplate& names,
             LastSource& last)
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
        plan.parts = TargetsOf(row, PartsOf(reader, plan.range, options, false).parts, names, options);
    } catch (const EmptyName&) {
        throw;
    } catch (...) {
        plan.error = RowRules::Failure(index, row.szFilePath);
    }
    return plan;
}

std::string PartText(const JobRow& row, const PartPlan& part)
{
    return row.szFilePath + " pages " + std::to_string(part.begin) + "-" + std::to_string(part.end);
}

// Why the planned parts cannot all be written, or empty: two parts that would write one file, or a
// file that would be written over the source of any row. Marks parts that repeat an earlier part of
// the very same source and range, so that their file is written once. Looks every target up in
// maps: a split into thousands of parts must not compare every pair.
std::string Refusal(const std::vector<JobRow>& rows, std::vector<Plan>& plans)
{
    std::map<std::pair<dev_t, ino_t>, std::size_t> sources;
    for (std::size_t k = rows.size(); k-- > 0;) {
        struct stat st
        {
        };
        if (::stat(rows[k].szFilePath.c_str(), &st) == 0)
            sources[{st.st_dev, st.st_ino}] = k;
    }
    using Ref = std::pair<std::size_t, std::size_t>; // plan, part
    std::unordered_map<std::string, Ref> byPath;
    std::map<Place, Ref> byPlace;
    Places places;
    for (std::size_t i = 0; i < plans.size(); ++i) {
        Plan& plan = plans[i];
        if (plan.error)
            continue;
        const JobRow& row = rows[static_cast<std::size_t>(plan.row)];
        for (std::size_t p = 0; p < plan.parts.size(); ++p) {
            PartPlan& part = plan.parts[p];
            const std::optional<Place> place = places.Of(part.target);
            std::optional<Ref> earlier;
            if (auto it = byPath.find(part.target); it != byPath.end())
                earlier = it->second;
            else if (auto at = place ? byPlace.find(*place) : byPlace.end(); at != byPlace.end())
                earlier = at->second;
            if (earlier) {
                const Plan& other = plans[earlier->first];
                const PartPlan& first = other.parts[earlier->second];
                if (other.source && plan.source && other.source->SameFileAs(*plan.source) && first.begin == part.begin
                    && first.end == part.end) {
                    part.written = false;
                    continue;
                }
                const JobRow& otherRow = rows[static_cast<std::size_t>(other.row)];
                if (other.row == plan.row)
                    return "Row " + std::to_string(plan.row + 1) + " (" + row.szFilePath
                        + ") would be split twice into " + part.target + ": pages " + std::to_string(first.begin) + "-"
                        + std::to_string(first.end) + " and pages " + std::to_string(part.begin) + "-"
                        + std::to_string(part.end) + "; nothing was written.";
                return "Rows " + std::to_string(other.row + 1) + " and " + std::to_string(plan.row + 1) + " ("
                    + PartText(otherRow, first) + " and " + PartText(row, part) + ") would both be split into "
                    + part.target + "; nothing was written.";
            }
            byPath.emplace(part.target, Ref {i, p});
            if (place)
                byPlace.emplace(*place, Ref {i, p});
            struct stat st
            {
            };
            if (::stat(part.target.c_str(), &st) != 0)
                continue;
            if (auto it = sources.find({st.st_dev, st.st_ino}); it != sources.end())
                return part.target + ", the file row " + std::to_string(plan.row + 1) + " would be split into, is "
                    + rows[it->second].szFilePath + ", the source of row " + std::to_string(it->second + 1)
                    + "; nothing was written.";
        }
    }
    return std::string();
}

// Why the options cannot be followed, or empty.
std::string OptionRefusal(const SplitOptions& options)
{
    if (options.mode == SplitMode::EveryPages && options.everyPages < 1)
        return "Parts of " + std::to_string(options.everyPages)
            + " pages cannot be made: give 1 or more; nothing was written.";
    if (options.mode == SplitMode::AtBookmarks && options.bookmarkLevel < 1)
        return "Bookmark level " + std::to_string(options.bookmarkLevel)
            + " does not exist: the top level is 1; nothing was written.";
    if (options.folder.empty())
        return std::string();
    struct stat st
    {
    };
    if (::stat(options.folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return "The output folder " + options.folder + " does not exist; nothing was written.";
    if (::access(options.folder.c_str(), W_OK | X_OK) != 0)
        return "The output folder " + options.folder + " cannot be written to: " + std::strerror(errno)
            + "; nothing was written.";
    return std::string();
}

// What a part copies from its source besides the pages.
void AddInfo(pdf::Document& document, const std::map<std::string, std::string>& info)
{
    if (auto it = info.find("Title"); it != info.end())
        document.AddTitle(it->second);
    if (auto it = info.find("Subject"); it != info.end())
        document.AddSubject(it->second);
    if (auto it = info.find("Keywords"); it != info.end())
        document.AddKeywords(it->second);
    if (auto it = info.find("Author"); it != info.end())
        document.AddAuthor(it->second);
    document.AddCreator(RowRules::szCreator);
    document.AddProducer(RowRules::szCreator);
}

// The source's XMP packet, parsed once for all its parts, for them to carry updated.
struct SourceMetadata
{
    bool present = false; // the source has a packet, readable or not
    std::optional<pdf::XmpPacket> packet; // nothing when it cannot be read: the parts get a new one
};

SourceMetadata MetadataOf(const pdf::PdfReader& reader, JobReport& report)
{
    const std::optional<std::string> raw = reader.XmpMetadata();
    if (!raw)
        return {};
    SourceMetadata metadata {true, pdf::XmpPacket::Parse(*raw)};
    if (!metadata.packet)
        report.notes.push_back("The XMP metadata of " + reader.Path()
                               + " could not be read (damaged, or too large); its parts have new metadata.");
    return metadata;
}

// Writes the parts of one planned row, each complete and renamed into place before the next one
// starts. Returns false when a stop request ended it early.
bool SplitRow(const JobRow& row, const Plan& plan, const SplitOptions& options, const SplitNameTemplate& names,
              JobReport& report, LastSource& last, SyncBatch& batch, IJobObserver* observer, StopFlag stop)
{
    pdf::PdfReader& reader = ReaderFor(row, last);
    const PageRange range = RowRules::Range(row, reader.NumberOfPages());
    RowParts cut = PartsOf(reader, range, options, true);
    // The files were checked against every other part under their planned names; a source
    // rewritten since then may call for other names, which were not.
    const std::vector<PartPlan> targets = TargetsOf(row, cut.parts, names, options);
    const bool same = targets.size() == plan.parts.size()
        && std::equal(targets.begin(), targets.end(), plan.parts.begin(),
                      [](const PartPlan& a, const PartPlan& b) { return a.target == b.target; });
    if (!same)
        throw pdf::PdfError::Make(pdf::PdfError::Kind::Changed, row.szFilePath,
                                  "its page range now gives other file names");
    if (reader.WasRepaired()
        && std::find(report.repairedInputs.begin(), report.repairedInputs.end(), row.szFilePath)
            == report.repairedInputs.end())
        report.repairedInputs.push_back(row.szFilePath);
    if (cut.truncated)
        report.notes.push_back(RowRules::TruncatedOutlineNote(row.szFilePath));
    const SplitParts outlines(cut.outline ? std::move(*cut.outline) : pdf::BookmarkList());
    const std::map<std::string, std::string> info = reader.Info();
    const SourceMetadata metadata = MetadataOf(reader, report);
    batch.Watch(FolderFor(row.szFilePath, options));
    for (const PartPlan& part : plan.parts) {
        // NOTE: a row that has begun writes its first part at least, as a one-part row always did.
        if (stop && stop->load() && &part != &plan.parts.front())
            return false;
        if (!part.written)
            continue;
        // The target is checked when the part is closed, against this source too, just before it is
        // written: a check here as well would cost every part its stats twice.
        const std::string& output = part.target;
        pdf::Document document;
        pdf::PdfCopy copy(document, output);
        copy.DeferSyncTo(batch);
        if (reader.IsEncrypted()) {
            if (options.removeProtection)
                report.notes.push_back(output + " is not password-protected; " + row.szFilePath + " was");
            else
                copy.KeepProtectionOf(reader);
        }
        document.Open();
        const PageRange pages
            = PageRange::Normalise(range.Pages(), std::to_string(part.begin), std::to_string(part.end));
        const int written = copy.AddPages(reader, part.begin, part.end);
        pdf::BookmarkList list;
        if (cut.outline) {
            list = outlines.For(pages);
            const int kept = pdf::SimpleBookmark::Count(list);
            report.bookmarksKept += kept;
            // NOTE: thousands of parts of a long outline each drop most of it; the sum saturates.
            report.bookmarksDropped = static_cast<int>(std::min<long long>(
                INT_MAX, static_cast<long long>(report.bookmarksDropped) + outlines.Count() - kept));
        } else {
            list = RowRules::CreatedBookmark(row.szBookmark, 1);
            report.bookmarksCreated += static_cast<int>(list.size());
        }
        copy.SetOutlines(std::move(list));
        AddInfo(document, info);
        // NOTE: a part of a source without a packet gets none either, like its source: its
        // information is all in /Info, and a packet costs every one of thousands of parts.
        document.SetWritesMetadata(metadata.present);
        if (metadata.packet)
            document.SetMetadataBase(*metadata.packet);
        if (observer)
            observer->OnWriting(output);
        const std::string backup = copy.Close(options.autoBackup, options.fault);
        reader.Close();
        if (!backup.empty())
            report.backupsMade.push_back(backup);
        report.filesWritten.push_back(output);
        report.pagesWritten += written;
        report.renamedFields.insert(report.renamedFields.end(), copy.RenamedFields().begin(),
                                    copy.RenamedFields().end());
        for (const std::string& w : copy.Warnings())
            report.notes.push_back(w);
    }
    return true;
}

// Makes the parts the batch holds durable; when that fails, removes them (from the disk and the
// report) and reports the row.
void FlushRow(SyncBatch& batch, int row, const std::string& path, JobReport& report)
{
    std::vector<std::string> failed;
    const std::string error = batch.Flush(failed);
    if (error.empty())
        return;
    for (const std::string& file : failed) {
        ::unlink(file.c_str());
        report.filesWritten.erase(std::remove(report.filesWritten.begin(), report.filesWritten.end(), file),
                                  report.filesWritten.end());
    }
    report.errors.push_back(
        {row, path, error + "; the parts of " + path + " written since were removed", pdf::PdfError::Kind::Unwritable});
}

JobReport Split(const std::vector<JobRow>& rows, const SplitOptions& options, IJobObserver* observer, StopFlag stop)
{
    JobReport report;
    if (rows.empty()) {
        report.errors.push_back({-1, "", "There are no files to split.", pdf::PdfError::Kind::Refused});
        return report;
    }
    if (const std::string refusal = OptionRefusal(options); !refusal.empty()) {
        report.errors.push_back({-1, "", refusal, pdf::PdfError::Kind::Refused});
        return report;
    }
    std::optional<SplitNameTemplate> names;
    try {
        names.emplace(options.nameTemplate);
    } catch (const pdf::PdfError& e) {
        report.errors.push_back({-1, "", e.what(), pdf::PdfError::Kind::Refused});
        return report;
    }
    RowRules::Status(observer, "Splitting your PDF files, please wait a moment...");
    // NOTE: every part's file is worked out before any is written, so that two parts aiming at one
    // file, or a file that is a row's source, refuse the job while nothing is lost yet.
    LastSource last;
    std::vector<Plan> plans;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (stop && stop->load()) {
            report.stopped = true;
            return report;
        }
        if (!rows[i].bChecked)
            continue;
        try {
            plans.push_back(PlanRow(rows, static_cast<int>(i), options, *names, last));
        } catch (const EmptyName& e) {
            report.errors.push_back({-1, "", e.what(), pdf::PdfError::Kind::Refused});
            return report;
        }
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
    // NOTE: a part that is a new file is not synced on its own: one syncfs after the row makes all
    // of them durable at once, because an fsync of every file and its folder took two thirds of the
    // time of a split into thousands of single pages. Nothing is replaced this way (a file that
    // exists is replaced only by one synced before its rename), and a failed syncfs removes the
    // row's new parts and reports it, so that no part that may be incomplete is left behind.
    SyncBatch batch;
    for (const Plan& plan : plans) {
        if (stop && stop->load()) {
            report.stopped = true;
            break;
        }
        const JobRow& row = rows[static_cast<std::size_t>(plan.row)];
        report.rowsTaken.push_back(plan.row);
        if (observer)
            observer->OnRow(plan.row, ++ordinal, total, row.szFilePath);
        if (plan.error) {
            report.errors.push_back(*plan.error);
            continue;
        }
        // A failing row is reported and the job goes on: the other rows' files are independent.
        try {
            report.stopped = !SplitRow(row, plan, options, *names, report, last, batch, observer, stop);
        } catch (...) {
            report.errors.push_back(RowRules::Failure(plan.row, row.szFilePath));
        }
        FlushRow(batch, plan.row, row.szFilePath, report);
        if (report.stopped)
            return report;
    }
    if (report.stopped)
        return report;
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
